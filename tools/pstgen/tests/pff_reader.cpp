#include "pff_reader.h"

#include <libpff.h>
#include <openssl/evp.h>

#include <stdexcept>

namespace pstgen_test {
namespace {

// Scope guards for libpff handles.
struct ErrorHolder {
  libpff_error_t* e = nullptr;
  ~ErrorHolder() {
    if (e) libpff_error_free(&e);
  }
  [[noreturn]] void Throw(const char* what) {
    char text[1024] = "";
    if (e) libpff_error_sprint(e, text, sizeof text);
    throw std::runtime_error(std::string(what) + ": " + text);
  }
};

template <typename T, int (*Free)(T**, libpff_error_t**)>
struct Handle {
  T* p = nullptr;
  Handle() = default;
  Handle(const Handle&) = delete;
  ~Handle() {
    if (p) Free(&p, nullptr);
  }
};

using ItemHandle = Handle<libpff_item_t, libpff_item_free>;
using RecordSetHandle = Handle<libpff_record_set_t, libpff_record_set_free>;
using EntryHandle = Handle<libpff_record_entry_t, libpff_record_entry_free>;


// PFF passes the holder's error slot as the last argument.
#define PFF(fn, what, ...)                                  \
  do {                                                      \
    ErrorHolder err_;                                       \
    if (fn(__VA_ARGS__, &err_.e) != 1) err_.Throw(what);    \
  } while (0)

void ReadNamed(libpff_record_entry_t* re, Entry& e) {
  libpff_name_to_id_map_entry_t* map = nullptr;
  ErrorHolder err;
  if (libpff_record_entry_get_name_to_id_map_entry(re, &map, &err.e) != 1 || !map) return;
  e.named = true;
  std::uint8_t type = 0;
  libpff_name_to_id_map_entry_get_type(map, &type, nullptr);
  e.guid.resize(16);
  libpff_name_to_id_map_entry_get_guid(map, e.guid.data(), 16, nullptr);
  if (type == LIBPFF_NAME_TO_ID_MAP_ENTRY_TYPE_STRING) {
    e.isString = true;
    std::size_t size = 0;
    libpff_name_to_id_map_entry_get_utf8_string_size(map, &size, nullptr);
    std::string s(size, '\0');
    libpff_name_to_id_map_entry_get_utf8_string(map, reinterpret_cast<std::uint8_t*>(s.data()), size, nullptr);
    if (!s.empty() && s.back() == '\0') s.pop_back();
    e.name = s;
  } else {
    libpff_name_to_id_map_entry_get_number(map, &e.lid, nullptr);
  }
}

Item ReadRecordSet(libpff_record_set_t* rs) {
  Item item;
  int n = 0;
  PFF(libpff_record_set_get_number_of_entries, "entries", rs, &n);
  for (int i = 0; i < n; ++i) {
    EntryHandle re;
    PFF(libpff_record_set_get_entry_by_index, "entry", rs, i, &re.p);
    Entry e;
    std::uint32_t type = 0, vtype = 0;
    PFF(libpff_record_entry_get_entry_type, "entry type", re.p, &type);
    PFF(libpff_record_entry_get_value_type, "value type", re.p, &vtype);
    e.tag = type << 16 | vtype;
    std::size_t size = 0;
    ErrorHolder err;
    if (libpff_record_entry_get_data_size(re.p, &size, &err.e) == 1 && size > 0) {
      e.data.resize(size);
      PFF(libpff_record_entry_get_data, "entry data", re.p, e.data.data(), size);
    }
    ReadNamed(re.p, e);
    if (vtype == 0x001E || vtype == 0x001F) {
      std::size_t chars = 0;
      ErrorHolder textErr;
      if (libpff_record_entry_get_data_as_utf8_string_size(re.p, &chars, &textErr.e) == 1 && chars > 0) {
        std::string s(chars, '\0');
        PFF(libpff_record_entry_get_data_as_utf8_string, "entry text", re.p, reinterpret_cast<std::uint8_t*>(s.data()),
            chars);
        s.resize(s.find('\0') == std::string::npos ? s.size() : s.find('\0'));
        e.text = std::move(s);
      }
    }
    item.entries.push_back(std::move(e));
  }
  return item;
}

std::vector<Item> ReadRecordSets(libpff_item_t* it) {
  std::vector<Item> out;
  int n = 0;
  PFF(libpff_item_get_number_of_record_sets, "record sets", it, &n);
  for (int i = 0; i < n; ++i) {
    RecordSetHandle rs;
    PFF(libpff_item_get_record_set_by_index, "record set", it, i, &rs.p);
    out.push_back(ReadRecordSet(rs.p));
  }
  return out;
}

Item ReadProps(libpff_item_t* it) {
  std::vector<Item> sets = ReadRecordSets(it);
  return sets.empty() ? Item{} : std::move(sets[0]);
}

ReadMessage ReadMessageItem(libpff_item_t* m);

ReadAttachment ReadAttachmentItem(libpff_item_t* a) {
  ReadAttachment out;
  out.props = ReadProps(a);
  ErrorHolder typeErr;
  // libpff classifies only methods 1, 2, 5 and 6; the others stay undefined.
  if (libpff_attachment_get_type(a, &out.type, &typeErr.e) != 1) return out;
  if (out.type == LIBPFF_ATTACHMENT_TYPE_DATA) {
    size64_t size = 0;
    PFF(libpff_attachment_get_data_size, "attachment size", a, &size);
    out.data.resize(size);
    if (size > 0) {
      ErrorHolder err;
      ssize_t got = libpff_attachment_data_read_buffer(a, out.data.data(), size, &err.e);
      if (got != ssize_t(size)) err.Throw("attachment data");
    }
  } else if (out.type == LIBPFF_ATTACHMENT_TYPE_ITEM) {
    ItemHandle sub;
    PFF(libpff_attachment_get_item, "attached item", a, &sub.p);
    out.message = std::make_unique<ReadMessage>(ReadMessageItem(sub.p));
  }
  return out;
}

ReadMessage ReadMessageItem(libpff_item_t* m) {
  ReadMessage out;
  PFF(libpff_item_get_identifier, "identifier", m, &out.id);
  std::size_t rtfSize = 0;
  ErrorHolder rtfErr;
  int hasRtf = libpff_message_get_rtf_body_size(m, &rtfSize, &rtfErr.e);
  if (hasRtf == -1) rtfErr.Throw("rtf body");
  if (hasRtf == 1 && rtfSize > 0) {
    out.rtf.resize(rtfSize);
    PFF(libpff_message_get_rtf_body, "rtf body", m, reinterpret_cast<std::uint8_t*>(out.rtf.data()), rtfSize);
    out.rtf.resize(out.rtf.find('\0') == std::string::npos ? rtfSize : out.rtf.find('\0'));
  }
  out.props = ReadProps(m);
  // libpff types a message by its class and serves recipients and
  // attachments only to the types it knows: a message without a class has
  // none for it.
  if (!out.props.Find(0x001A001F) && !out.props.Find(0x001A001E)) return out;
  ItemHandle recipients;
  ErrorHolder err;
  int has = libpff_message_get_recipients(m, &recipients.p, &err.e);
  if (has == -1) err.Throw("recipients");
  if (has == 1) out.recipients = ReadRecordSets(recipients.p);
  int n = 0;
  PFF(libpff_message_get_number_of_attachments, "attachments", m, &n);
  for (int i = 0; i < n; ++i) {
    ItemHandle a;
    PFF(libpff_message_get_attachment, "attachment", m, i, &a.p);
    out.attachments.push_back(ReadAttachmentItem(a.p));
  }
  return out;
}

ReadFolder ReadFolderItem(libpff_item_t* f) {
  ReadFolder out;
  PFF(libpff_item_get_identifier, "identifier", f, &out.id);
  std::size_t size = 0;
  ErrorHolder err;
  if (libpff_folder_get_utf8_name_size(f, &size, &err.e) == 1 && size > 0) {
    std::string s(size, '\0');
    PFF(libpff_folder_get_utf8_name, "folder name", f, reinterpret_cast<std::uint8_t*>(s.data()), size);
    if (s.back() == '\0') s.pop_back();
    out.name = s;
  }
  out.props = ReadProps(f);
  int n = 0;
  PFF(libpff_folder_get_number_of_sub_folders, "sub folders", f, &n);
  for (int i = 0; i < n; ++i) {
    ItemHandle sub;
    PFF(libpff_folder_get_sub_folder, "sub folder", f, i, &sub.p);
    out.folders.push_back(ReadFolderItem(sub.p));
  }
  PFF(libpff_folder_get_number_of_sub_messages, "sub messages", f, &n);
  for (int i = 0; i < n; ++i) {
    ItemHandle msg;
    PFF(libpff_folder_get_sub_message, "sub message", f, i, &msg.p);
    out.messages.push_back(ReadMessageItem(msg.p));
  }
  return out;
}

struct FileHandle {
  libpff_file_t* p = nullptr;
  ~FileHandle() {
    if (p) {
      libpff_file_close(p, nullptr);
      libpff_file_free(&p, nullptr);
    }
  }
};

}  // namespace

const Entry* Item::Find(std::uint32_t tag) const {
  for (const Entry& e : entries)
    if (e.tag == tag && !e.named) return &e;
  return nullptr;
}

const Entry* Item::FindNamed(const Bytes& guid, std::uint32_t lid) const {
  for (const Entry& e : entries)
    if (e.named && !e.isString && e.guid == guid && e.lid == lid) return &e;
  return nullptr;
}

const Entry* Item::FindNamed(const Bytes& guid, const std::string& name) const {
  for (const Entry& e : entries)
    if (e.named && e.isString && e.guid == guid && e.name == name) return &e;
  return nullptr;
}

const ReadFolder* ReadFolder::Child(const std::string& n) const {
  for (const ReadFolder& f : folders)
    if (f.name == n) return &f;
  return nullptr;
}

ReadFile ReadPst(const std::filesystem::path& path, int asciiCodePage) {
  FileHandle file;
  PFF(libpff_file_initialize, "initialize", &file.p);
  PFF(libpff_file_set_ascii_codepage, "ascii codepage", file.p, asciiCodePage);
  PFF(libpff_file_open, "open", file.p, path.c_str(), LIBPFF_OPEN_READ);
  ReadFile out;
  std::uint8_t type = 0;
  PFF(libpff_file_get_type, "file type", file.p, &type);
  out.ansi = type == LIBPFF_FILE_TYPE_32BIT;
  ItemHandle store, root;
  PFF(libpff_file_get_message_store, "message store", file.p, &store.p);
  out.store = ReadProps(store.p);
  PFF(libpff_file_get_root_folder, "root folder", file.p, &root.p);
  out.root = ReadFolderItem(root.p);
  return out;
}

namespace {

void CountIn(libpff_item_t* f, const std::string& path, std::map<std::string, int>& out) {
  int n = 0;
  PFF(libpff_folder_get_number_of_sub_messages, "sub messages", f, &n);
  out[path] += n;
  PFF(libpff_folder_get_number_of_sub_folders, "sub folders", f, &n);
  for (int i = 0; i < n; ++i) {
    ItemHandle sub;
    PFF(libpff_folder_get_sub_folder, "sub folder", f, i, &sub.p);
    std::size_t size = 0;
    PFF(libpff_folder_get_utf8_name_size, "folder name", sub.p, &size);
    std::string name(size, '\0');
    PFF(libpff_folder_get_utf8_name, "folder name", sub.p, reinterpret_cast<std::uint8_t*>(name.data()), size);
    if (!name.empty() && name.back() == '\0') name.pop_back();
    CountIn(sub.p, path.empty() ? name : path + "/" + name, out);
  }
}

}  // namespace

namespace {

void WalkMessage(libpff_item_t* m, ItemTotals& t) {
  ++t.messages;
  ItemHandle recipients;
  ErrorHolder err;
  int has = libpff_message_get_recipients(m, &recipients.p, &err.e);
  if (has == -1) err.Throw("recipients");
  if (has == 1) {
    int n = 0;
    PFF(libpff_item_get_number_of_record_sets, "recipient rows", recipients.p, &n);
    t.recipients += std::uint64_t(n);
  }
  std::size_t rtf = 0;
  ErrorHolder rtfErr;
  int hasRtf = libpff_message_get_rtf_body_size(m, &rtf, &rtfErr.e);
  if (hasRtf == -1) rtfErr.Throw("rtf body");
  t.withRtf += hasRtf == 1 ? 1 : 0;
  int n = 0;
  PFF(libpff_message_get_number_of_attachments, "attachments", m, &n);
  for (int i = 0; i < n; ++i) {
    ItemHandle a;
    PFF(libpff_message_get_attachment, "attachment", m, i, &a.p);
    ++t.attachments;
    int type = 0;
    PFF(libpff_attachment_get_type, "attachment type", a.p, &type);
    if (type == LIBPFF_ATTACHMENT_TYPE_DATA) {
      size64_t size = 0;
      PFF(libpff_attachment_get_data_size, "attachment size", a.p, &size);
      t.attachmentBytes += size;
    } else if (type == LIBPFF_ATTACHMENT_TYPE_ITEM) {
      ItemHandle sub;
      PFF(libpff_attachment_get_item, "attached item", a.p, &sub.p);
      WalkMessage(sub.p, t);
    }
  }
}

void WalkFolder(libpff_item_t* f, ItemTotals& t) {
  int n = 0;
  PFF(libpff_folder_get_number_of_sub_messages, "sub messages", f, &n);
  for (int i = 0; i < n; ++i) {
    ItemHandle m;
    PFF(libpff_folder_get_sub_message, "sub message", f, i, &m.p);
    WalkMessage(m.p, t);
  }
  PFF(libpff_folder_get_number_of_sub_folders, "sub folders", f, &n);
  for (int i = 0; i < n; ++i) {
    ItemHandle sub;
    PFF(libpff_folder_get_sub_folder, "sub folder", f, i, &sub.p);
    WalkFolder(sub.p, t);
  }
}

}  // namespace

ItemTotals WalkEveryItem(const std::filesystem::path& path) {
  FileHandle file;
  PFF(libpff_file_initialize, "initialize", &file.p);
  PFF(libpff_file_open, "open", file.p, path.c_str(), LIBPFF_OPEN_READ);
  ItemHandle root;
  PFF(libpff_file_get_root_folder, "root folder", file.p, &root.p);
  ItemTotals t;
  WalkFolder(root.p, t);
  return t;
}

std::map<std::string, int> CountMessages(const std::filesystem::path& path) {
  FileHandle file;
  PFF(libpff_file_initialize, "initialize", &file.p);
  PFF(libpff_file_open, "open", file.p, path.c_str(), LIBPFF_OPEN_READ);
  ItemHandle root;
  PFF(libpff_file_get_root_folder, "root folder", file.p, &root.p);
  std::map<std::string, int> out;
  CountIn(root.p, "", out);
  return out;
}

std::string Sha256(const Bytes& data) {
  unsigned char md[32];
  unsigned int len = 0;
  EVP_Digest(data.data(), data.size(), md, &len, EVP_sha256(), nullptr);
  static const char* hex = "0123456789abcdef";
  std::string s;
  for (unsigned i = 0; i < len; ++i) s += hex[md[i] >> 4], s += hex[md[i] & 15];
  return s;
}

}  // namespace pstgen_test
