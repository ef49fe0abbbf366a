#include "nsfdump/dump.h"

#include <openssl/evp.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

#include "notes/lnerror.h"
#include "win32/text.h"

namespace nsfdump {

namespace {

using Json = nlohmann::ordered_json;

std::string StatusText(LNSTATUS status) {
  char text[512];
  LNGetErrorMessageText(status, text, sizeof text);
  return text;
}

std::string Sha256(const std::string& content) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(content.data(), content.size(), digest, &size, EVP_sha256(), nullptr);
  std::string hex;
  char two[3];
  for (unsigned i = 0; i < size; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    hex += two;
  }
  return hex;
}

struct Attachment {
  const notes::AttachmentRecord* record;
  std::string sha256;
};

// The attachments of every document with their digests; false on a read failure.
bool Digests(notes::NsfReader& reader, const notes::DatabaseRecord& db, std::vector<std::vector<Attachment>>* out,
             std::string* error) {
  for (const auto& doc : db.documents) {
    auto& list = out->emplace_back();
    for (const auto& a : doc.attachments) {
      std::string content;
      if (LNSTATUS s = reader.ReadAttachment(a.id, &content)) {
        *error = "attachment " + a.name + " of document " + std::to_string(doc.id) + ": " + StatusText(s);
        return false;
      }
      list.push_back({&a, Sha256(content)});
    }
  }
  return true;
}

Json ItemJson(const notes::ItemRecord& item) {
  Json j;
  j["name"] = item.name;
  switch (item.kind) {
    case notes::ItemKind::kText: j["type"] = "text"; break;
    case notes::ItemKind::kTime: j["type"] = "time"; break;
    case notes::ItemKind::kRaw: j["type"] = item.type; break;
  }
  j["flags"] = item.flags;
  if (item.kind == notes::ItemKind::kRaw) {
    j["text"] = RawText(item.bytes);
    j["bytes"] = item.bytes.size();
  } else {
    j["values"] = item.values;
  }
  return j;
}

void WriteJson(const notes::DatabaseRecord& db, const std::vector<std::vector<Attachment>>& attachments,
               std::ostream& out) {
  Json j;
  j["title"] = db.title;
  j["template"] = db.templateFile;
  j["folders"] = Json::array();
  j["views"] = Json::array();
  for (const auto& f : db.folders) {
    if (f.view)
      j["views"].push_back(f.name);
    else
      j["folders"].push_back(Json{{"name", f.name}, {"documents", f.documents}});
  }
  j["documents"] = Json::array();
  for (std::size_t d = 0; d < db.documents.size(); ++d) {
    Json doc{{"id", db.documents[d].id}, {"items", Json::array()}, {"attachments", Json::array()}};
    for (const auto& item : db.documents[d].items) doc["items"].push_back(ItemJson(item));
    for (const Attachment& a : attachments[d])
      doc["attachments"].push_back(Json{{"name", a.record->name}, {"size", a.record->size}, {"sha256", a.sha256}});
    j["documents"].push_back(std::move(doc));
  }
  out << j.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

// A text in double quotes with control characters escaped.
std::string Quoted(const std::string& s) {
  std::string q = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      q += '\\';
      q += static_cast<char>(c);
    } else if (c == '\n') {
      q += "\\n";
    } else if (c == '\r') {
      q += "\\r";
    } else if (c == '\t') {
      q += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      q += hex;
    } else {
      q += static_cast<char>(c);
    }
  }
  return q + "\"";
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : ", ") + p;
  return out;
}

void WriteItemText(const notes::ItemRecord& item, std::ostream& out) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%04X", item.flags);
  out << "  " << item.name << "  ";
  std::vector<std::string> values;
  switch (item.kind) {
    case notes::ItemKind::kText:
      for (const auto& v : item.values) values.push_back(Quoted(v));
      out << "text  flags " << flags << "  " << Joined(values);
      break;
    case notes::ItemKind::kTime:
      out << "time  flags " << flags << "  " << Joined(item.values);
      break;
    case notes::ItemKind::kRaw:
      out << "type " << item.type << "  flags " << flags << "  " << item.bytes.size() << " bytes  "
          << Quoted(RawText(item.bytes));
      break;
  }
  out << "\n";
}

void WriteText(const notes::DatabaseRecord& db, const std::vector<std::vector<Attachment>>& attachments,
               std::ostream& out) {
  out << "Title: " << db.title << "\n"
      << "Class: " << db.cls << "\n";
  if (!db.templateFile.empty()) out << "Template: " << db.templateFile << "\n";
  out << "Folders:\n";
  for (const auto& f : db.folders) {
    if (f.view) continue;
    std::vector<std::string> ids;
    for (auto id : f.documents) ids.push_back(std::to_string(id));
    out << "  " << f.name << ": " << (ids.empty() ? "(empty)" : Joined(ids)) << "\n";
  }
  out << "Views:\n";
  for (const auto& f : db.folders)
    if (f.view) out << "  " << f.name << "\n";
  out << "Documents: " << db.documents.size() << "\n";
  for (std::size_t d = 0; d < db.documents.size(); ++d) {
    const auto& doc = db.documents[d];
    out << "\nDocument " << doc.id << "\n";
    for (const auto& item : doc.items) WriteItemText(item, out);
    for (const Attachment& a : attachments[d])
      out << "  attachment " << Quoted(a.record->name) << "  " << a.record->size << " bytes  sha256 " << a.sha256
          << "\n";
  }
}

}  // namespace

std::string RawText(const std::string& bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return win32::Utf16ToUtf8(units);
}

bool Dump(notes::NsfReader& reader, Format format, std::ostream& out, std::string* error) {
  notes::DatabaseRecord db;
  if (LNSTATUS s = reader.Read(&db)) {
    *error = StatusText(s);
    return false;
  }
  std::vector<std::vector<Attachment>> attachments;
  if (!Digests(reader, db, &attachments, error)) return false;
  if (format == Format::kJson)
    WriteJson(db, attachments, out);
  else
    WriteText(db, attachments, out);
  return true;
}

}  // namespace nsfdump
