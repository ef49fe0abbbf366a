#include "mime_readers.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string_view>

#include "cdo/gmime_holder.h"

namespace mime_test {
namespace {

using cdo::EnsureGMime;
using cdo::GPtr;
using cdo::GText;


// --- GMime ---------------------------------------------------------------

std::vector<mime::Address> GMimeAddresses(GMimeMessage* m, GMimeAddressType type) {
  std::vector<mime::Address> out;
  InternetAddressList* list = g_mime_message_get_addresses(m, type);
  for (int i = 0; list && i < internet_address_list_length(list); ++i) {
    InternetAddress* a = internet_address_list_get_address(list, i);
    const char* name = internet_address_get_name(a);
    const char* addr = INTERNET_ADDRESS_IS_MAILBOX(a) ? internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)) : "";
    out.push_back({name ? name : "", addr ? addr : ""});
  }
  return out;
}

std::string DecodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content) return {};
  GPtr<GMimeStream> mem(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, mem.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

// A text part's content in UTF-8, from the charset it names.
std::string TextContent(GMimePart* part) {
  GText text(g_mime_text_part_get_text(GMIME_TEXT_PART(part)));
  return text ? std::string(text.get()) : std::string();
}

std::optional<std::int64_t> ReceivedTime(GMimeObject* m) {
  const char* value = g_mime_object_get_header(m, "Received");
  if (!value) return std::nullopt;
  std::string_view v(value);
  GDateTime* dt = g_mime_utils_header_decode_date(std::string(v.substr(v.rfind(';') + 1)).c_str());
  if (!dt) return std::nullopt;
  std::int64_t t = g_date_time_to_unix(dt);
  g_date_time_unref(dt);
  return t;
}

mime::Message FromGMime(GMimeMessage* m);

void WalkGMime(GMimeObject* obj, mime::Message& out) {
  if (GMIME_IS_MESSAGE_PART(obj)) {
    mime::Attachment a;
    const char* name = g_mime_object_get_content_disposition_parameter(obj, "filename");
    a.fileName = name ? name : "";
    a.embedded = std::make_shared<mime::Message>(FromGMime(g_mime_message_part_get_message(GMIME_MESSAGE_PART(obj))));
    out.attachments.push_back(std::move(a));
    return;
  }
  if (GMIME_IS_MULTIPART(obj)) {
    for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(obj)); ++i)
      WalkGMime(g_mime_multipart_get_part(GMIME_MULTIPART(obj), i), out);
    return;
  }
  GMimePart* part = GMIME_PART(obj);
  GMimeContentType* type = g_mime_object_get_content_type(obj);
  bool attachment = g_mime_part_is_attachment(part);
  if (!attachment && g_mime_content_type_is_type(type, "text", "plain") && !out.textBody) {
    out.textBody = TextContent(part);
  } else if (!attachment && g_mime_content_type_is_type(type, "text", "html") && !out.htmlBody) {
    out.htmlBody = TextContent(part);
  } else {
    mime::Attachment a;
    const char* name = g_mime_part_get_filename(part);
    const char* cid = g_mime_part_get_content_id(part);
    GText mimeType(g_mime_content_type_get_mime_type(type));
    a.fileName = name ? name : "";
    a.contentId = cid ? cid : "";
    a.contentType = mimeType.get();
    const char* disposition = g_mime_object_get_disposition(obj);
    a.isInline = disposition && strcasecmp(disposition, "inline") == 0;
    a.data = DecodedContent(part);
    out.attachments.push_back(std::move(a));
  }
}

mime::Message FromGMime(GMimeMessage* m) {
  mime::Message out;
  std::vector<mime::Address> from = GMimeAddresses(m, GMIME_ADDRESS_TYPE_FROM);
  if (!from.empty()) out.from = from.front();
  out.to = GMimeAddresses(m, GMIME_ADDRESS_TYPE_TO);
  out.cc = GMimeAddresses(m, GMIME_ADDRESS_TYPE_CC);
  out.bcc = GMimeAddresses(m, GMIME_ADDRESS_TYPE_BCC);
  const char* subject = g_mime_message_get_subject(m);
  out.subject = subject ? subject : "";
  if (GDateTime* date = g_mime_message_get_date(m)) out.date = g_date_time_to_unix(date);
  out.received = ReceivedTime(GMIME_OBJECT(m));
  GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(m));
  for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
    GMimeHeader* h = g_mime_header_list_get_header_at(headers, i);
    out.extraHeaders.emplace_back(g_mime_header_get_name(h), g_mime_header_get_value(h));
  }
  if (GMimeObject* body = g_mime_message_get_mime_part(m)) WalkGMime(body, out);
  return out;
}

// --- Python ----------------------------------------------------------------

mime::Message FromJson(const nlohmann::json& j);

std::vector<mime::Address> JsonAddresses(const nlohmann::json& list) {
  std::vector<mime::Address> out;
  for (const auto& a : list) out.push_back({a["name"].get<std::string>(), a["address"].get<std::string>()});
  return out;
}

std::optional<std::int64_t> JsonTime(const nlohmann::json& v) {
  if (v.is_null()) return std::nullopt;
  return v.get<std::int64_t>();
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

mime::Attachment JsonAttachment(const nlohmann::json& a) {
  mime::Attachment out;
  out.fileName = a["filename"].get<std::string>();
  if (a.contains("message")) {
    out.embedded = std::make_shared<mime::Message>(FromJson(a["message"]));
    return out;
  }
  out.contentType = a["content_type"].get<std::string>();
  out.contentId = a["content_id"].get<std::string>();
  out.isInline = a["inline"].get<bool>();
  out.data = FromHex(a["data"].get<std::string>());
  return out;
}

mime::Message FromJson(const nlohmann::json& j) {
  mime::Message out;
  std::vector<mime::Address> from = JsonAddresses(j["from"]);
  if (!from.empty()) out.from = from.front();
  out.to = JsonAddresses(j["to"]);
  out.cc = JsonAddresses(j["cc"]);
  out.bcc = JsonAddresses(j["bcc"]);
  out.subject = j["subject"].get<std::string>();
  out.date = JsonTime(j["date"]);
  out.received = JsonTime(j["received"]);
  for (const auto& h : j["headers"]) out.extraHeaders.emplace_back(h[0].get<std::string>(), h[1].get<std::string>());
  if (!j["text"].is_null()) out.textBody = j["text"].get<std::string>();
  if (!j["html"].is_null()) out.htmlBody = j["html"].get<std::string>();
  for (const auto& a : j["attachments"]) out.attachments.push_back(JsonAttachment(a));
  return out;
}

std::string Normalized(const std::optional<std::string>& text) {
  std::string out;
  if (!text) return "<none>";
  for (size_t i = 0; i < text->size(); ++i) {
    if ((*text)[i] == '\r') {
      out += '\n';
      if (i + 1 < text->size() && (*text)[i + 1] == '\n') ++i;
    } else {
      out += (*text)[i];
    }
  }
  return out;
}

void ExpectSameAddresses(const std::vector<mime::Address>& want, const std::vector<mime::Address>& got,
                         const std::string& what) {
  ASSERT_EQ(want.size(), got.size()) << what;
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(want[i].address, got[i].address) << what << " #" << i;
    EXPECT_EQ(want[i].name == want[i].address ? "" : want[i].name, got[i].name) << what << " #" << i;
  }
}

}  // namespace

mime::Message ReadWithGMime(const std::string& bytes) {
  EnsureGMime();
  GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GPtr<GMimeMessage> m(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!m) {
    ADD_FAILURE() << "GMime could not parse the message";
    return {};
  }
  return FromGMime(m.get());
}

mime::Message ReadWithPython(const std::string& bytes) {
  std::filesystem::path file = std::filesystem::temp_directory_path() / ("mime_read_" + std::to_string(getpid()) + ".eml");
  std::ofstream(file, std::ios::binary) << bytes;
  std::string command = std::string("/usr/bin/python3 ") + MIME_TESTS_DIR + "/mime_read.py " + file.string();
  std::string output;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) output.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << "python's email parser failed";
  }
  std::filesystem::remove(file);
  nlohmann::json j = nlohmann::json::parse(output, nullptr, false);
  if (j.is_discarded()) {
    ADD_FAILURE() << "no JSON from python: " << output;
    return {};
  }
  return FromJson(j);
}

void ExpectConforming(const std::string& bytes) {
  bool inHeaders = true;  // the first block, and each part's after a boundary line
  size_t start = 0;
  for (size_t lineNo = 1; start < bytes.size(); ++lineNo) {
    const size_t lf = bytes.find('\n', start);
    ASSERT_NE(lf, std::string::npos) << "no line end after line " << lineNo;
    ASSERT_TRUE(lf > start && bytes[lf - 1] == '\r') << "bare LF ending line " << lineNo;
    const std::string_view line(bytes.data() + start, lf - 1 - start);
    EXPECT_EQ(line.find('\r'), std::string_view::npos) << "bare CR in line " << lineNo;
    EXPECT_LE(line.size(), 998u) << "line " << lineNo;
    for (unsigned char c : line) ASSERT_LT(c, 0x80) << "8-bit byte in line " << lineNo;
    if (line.starts_with("--=_part_")) {  // the writer's boundary lines
      inHeaders = true;
    } else if (line.empty()) {
      inHeaders = false;
    } else if (inHeaders) {
      EXPECT_EQ(line.find("?==?"), std::string_view::npos) << line;
      const std::string_view text = line.substr(line.find_first_not_of(" \t"));
      if (text.find_first_of(" \t") != std::string_view::npos) {
        EXPECT_LE(line.size(), 78u) << "header line " << lineNo << ": " << line;
      }
    }
    start = lf + 1;
  }
}

std::string HeaderValue(const mime::Message& m, const std::string& name) {
  for (const auto& [n, v] : m.extraHeaders)
    if (strcasecmp(n.c_str(), name.c_str()) == 0) return v;
  return {};
}

void ExpectSameMessage(const mime::Message& want, const mime::Message& got, const std::string& reader) {
  SCOPED_TRACE(reader + " reading \"" + want.subject + "\"");
  ExpectSameAddresses({want.from}, {got.from}, "From");
  ExpectSameAddresses(want.to, got.to, "To");
  ExpectSameAddresses(want.cc, got.cc, "Cc");
  ExpectSameAddresses(want.bcc, got.bcc, "Bcc");
  EXPECT_EQ(want.subject, got.subject);
  EXPECT_EQ(want.date, got.date);
  EXPECT_EQ(want.received, got.received);
  EXPECT_EQ(Normalized(want.textBody), Normalized(got.textBody));
  EXPECT_EQ(Normalized(want.htmlBody), Normalized(got.htmlBody));
  for (const auto& [name, value] : want.extraHeaders) EXPECT_EQ(value, HeaderValue(got, name)) << name;
  ASSERT_EQ(want.attachments.size(), got.attachments.size());
  for (size_t i = 0; i < want.attachments.size(); ++i) {
    const mime::Attachment& w = want.attachments[i];
    const mime::Attachment& g = got.attachments[i];
    SCOPED_TRACE("attachment #" + std::to_string(i) + " " + w.fileName);
    EXPECT_EQ(w.fileName, g.fileName);
    ASSERT_EQ(w.embedded != nullptr, g.embedded != nullptr);
    if (w.embedded) {
      ExpectSameMessage(*w.embedded, *g.embedded, reader);
      continue;
    }
    if (!w.contentType.empty()) {
      EXPECT_EQ(w.contentType, g.contentType);
    }
    EXPECT_EQ(w.contentId, g.contentId);
    EXPECT_EQ(w.isInline, g.isInline);
    EXPECT_EQ(w.data, g.data);
  }
}

}  // namespace mime_test
