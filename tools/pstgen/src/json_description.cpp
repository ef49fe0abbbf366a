#include "pstgen/json_description.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "bytes.h"
#include "mapi/mapitags.h"
#include "mapi/tagnames.h"
#include "pstgen/guid.h"
#include "pstgen/values.h"
#include "property_helpers.h"
#include "win32/text.h"

namespace pstgen {
namespace {

using nlohmann::json;

constexpr std::uint32_t kDefaultCodePage = 1252;

// The keys each kind of object takes: any other is a mistake (a misspelt
// "folders" would otherwise give an empty store), named with its place.
using Keys = std::span<const std::string_view>;
constexpr std::string_view kTopKeys[] = {"format", "store", "messages", "folders"};
constexpr std::string_view kStoreKeys[] = {"display_name", "props"};
constexpr std::string_view kFolderKeys[] = {"name", "class", "props", "messages", "folders"};
constexpr std::string_view kMessageKeys[] = {"class", "id", "props", "named", "recipients", "attachments"};
constexpr std::string_view kNamedKeys[] = {"set", "lid", "name", "type", "value"};
constexpr std::string_view kRecipientKeys[] = {"type", "name", "email", "address_type", "props"};
constexpr std::string_view kAttachmentKeys[] = {"method",        "filename", "long_filename", "display_name",
                                                "extension",     "mime_tag", "content_id",    "pathname",
                                                "long_pathname", "data",     "message",       "props"};

// Folders and embedded messages nest at most this deep: the reader and the
// writer walk them recursively.
constexpr int kMaxNesting = 256;

// Thrown past every level unchanged: its place would be thousands of
// characters long.
struct NestingError : DescriptionError {
  using DescriptionError::DescriptionError;
};

// The first key of the object that `known` lacks, or nothing.
std::optional<std::string> UnknownKey(const json& j, Keys known) {
  for (const auto& [key, value] : j.items())
    if (std::find(known.begin(), known.end(), key) == known.end()) return key;
  return std::nullopt;
}

void CheckKeys(const json& j, Keys known) {
  if (!j.is_object()) throw DescriptionError(": expected an object");
  if (auto key = UnknownKey(j, known)) throw DescriptionError("." + *key + ": unknown key");
}

void CheckNesting(int depth, const char* what) {
  if (depth > kMaxNesting)
    throw NestingError(std::string(what) + " nest deeper than " + std::to_string(kMaxNesting) + " levels");
}

// Runs f, prefixing any description error with where it happened.
template <typename F>
auto At(const std::string& where, F&& f) {
  try {
    return f();
  } catch (const NestingError&) {
    throw;
  } catch (const DescriptionError& e) {
    std::string msg = e.what();
    throw DescriptionError(where + (msg.starts_with("[") || msg.starts_with(".") || msg.starts_with(":") ? "" : ": ") +
                           msg);
  } catch (const json::exception& e) {
    throw DescriptionError(where + ": " + e.what());
  }
}

// The integer at key, which must fit T (a fraction or a number out of range
// would convert to some other value); the fallback when the key is absent.
template <typename T>
T Whole(const json& j, const char* key, T fallback) {
  if (!j.contains(key)) return fallback;
  const json& v = j[key];
  if (!v.is_number_integer()) throw DescriptionError(std::string(".") + key + ": expected an integer");
  using Limits = std::numeric_limits<T>;
  const bool fits =
      v.is_number_unsigned() ? std::in_range<T>(v.get<std::uint64_t>()) : std::in_range<T>(v.get<std::int64_t>());
  if (!fits)
    throw DescriptionError(std::string(".") + key + ": " + v.dump() + " is not from " + std::to_string(Limits::min()) +
                           " to " + std::to_string(Limits::max()));
  return v.is_number_unsigned() ? T(v.get<std::uint64_t>()) : T(v.get<std::int64_t>());
}

std::u16string Wide(const json& j, const char* key, const std::u16string& fallback = u"") {
  if (!j.contains(key)) return fallback;
  if (!j[key].is_string()) throw DescriptionError(std::string(".") + key + ": expected a string");
  return win32::Utf8ToUtf16(j[key].get<std::string>());
}

ULONG TagOf(const std::string& key) {
  if (key.starts_with("0x") || key.starts_with("0X")) {
    char* end = nullptr;
    unsigned long v = std::strtoul(key.c_str() + 2, &end, 16);
    // Eight digits give the tag; four give the ID alone, with an explicit type.
    if ((key.size() == 10 || key.size() == 6) && end && *end == '\0') return ULONG(key.size() == 6 ? v << 16 : v);
    throw DescriptionError("a property tag has 8 hex digits (0x0E070003), or 4 with a \"type\"");
  }
  if (auto tag = mapi::TagFromName(key)) return *tag;
  throw DescriptionError("unknown property name");
}

// A value alone, or {"type": "PT_...", "value": ...} where the tag does not tell.
std::pair<ULONG, const json*> TypedValue(ULONG type, const json& v) {
  if (v.is_object() && v.contains("value")) {
    if (v.contains("type")) {
      auto t = mapi::TypeFromName(v["type"].get<std::string>());
      if (!t) throw DescriptionError("unknown type " + v["type"].dump());
      type = *t;
    }
    return {type, &v["value"]};
  }
  return {type, &v};
}

std::uint32_t CodePageOf(const json& holder) {
  if (!holder.contains("props")) return kDefaultCodePage;
  for (const char* name : {"PR_INTERNET_CPID", "PR_MESSAGE_CODEPAGE", "0x3FDE0003", "0x3FFD0003"})
    if (holder["props"].contains(name) && holder["props"][name].is_number_integer())
      return holder["props"][name].get<std::uint32_t>();
  return kDefaultCodePage;
}

std::vector<Property> Props(const json& j, std::uint32_t codePage) {
  std::vector<Property> props;
  if (!j.contains("props")) return props;
  if (!j["props"].is_object()) throw DescriptionError(".props: expected an object");
  for (const auto& item : j["props"].items()) {
    // Named, not bound: a lambda may not capture a structured binding in every compiler.
    const std::string& key = item.key();
    const json& value = item.value();
    At(".props." + key, [&] {
      ULONG tag = TagOf(key);
      auto [type, v] = TypedValue(PROP_TYPE(tag), value);
      if (type == PT_UNSPECIFIED) throw DescriptionError("the tag has no type: give {\"type\": ..., \"value\": ...}");
      props.push_back({CHANGE_PROP_TYPE(tag, type), EncodeValue(type, *v, codePage)});
      return 0;
    });
  }
  return props;
}

NamedProperty Named(const json& j, std::uint32_t codePage) {
  CheckKeys(j, kNamedKeys);
  NamedProperty n;
  auto set = PropertySet(j.at("set").get<std::string>());
  if (!set) throw DescriptionError(".set: unknown property set " + j["set"].dump());
  n.set = *set;
  if (j.contains("name")) {
    n.isString = true;
    n.name = Wide(j, "name");
  } else if (j.contains("lid")) {
    n.lid = Whole<std::uint32_t>(j, "lid", 0);
  } else {
    throw DescriptionError("a named property has \"lid\" or \"name\"");
  }
  auto type = mapi::TypeFromName(j.at("type").get<std::string>());
  if (!type) throw DescriptionError(".type: unknown type " + j["type"].dump());
  n.type = *type;
  n.value = At(".value", [&] { return EncodeValue(n.type, j.at("value"), codePage); });
  return n;
}

Recipient ParseRecipient(const json& j, std::uint32_t codePage) {
  CheckKeys(j, kRecipientKeys);
  static const std::pair<const char*, std::int32_t> kTypes[] = {{"to", 1}, {"cc", 2}, {"bcc", 3}};
  std::int32_t type = 1;
  if (j.contains("type")) {
    if (j["type"].is_number()) {
      type = Whole<std::int32_t>(j, "type", 1);
    } else {
      type = 0;
      for (auto [name, value] : kTypes)
        if (j["type"] == name) type = value;
      if (type == 0) throw DescriptionError(".type: \"to\", \"cc\" or \"bcc\"");
    }
  }
  Recipient r;
  r.props.push_back({PR_RECIPIENT_TYPE, LongValue(type)});
  if (j.contains("name")) r.props.push_back({PR_DISPLAY_NAME_W, Utf16Value(Wide(j, "name"))});
  if (j.contains("email")) {
    r.props.push_back({PR_EMAIL_ADDRESS_W, Utf16Value(Wide(j, "email"))});
    r.props.push_back({PR_ADDRTYPE_W, Utf16Value(Wide(j, "address_type", u"SMTP"))});
  }
  for (Property& p : Props(j, codePage)) SetOrReplace(r.props, p.tag, std::move(p.value));
  return r;
}

Message ParseMessage(const json& j, int depth);

Attachment ParseAttachment(const json& j, std::uint32_t codePage, int depth) {
  CheckKeys(j, kAttachmentKeys);
  Attachment a;
  const std::int32_t method = Whole<std::int32_t>(j, "method", 1);
  a.props.push_back({PR_ATTACH_METHOD, LongValue(method)});
  // Convenience fields, each one property.
  const std::pair<const char*, ULONG> kText[] = {
      {"filename", PR_ATTACH_FILENAME_W},       {"long_filename", PR_ATTACH_LONG_FILENAME_W},
      {"display_name", PR_DISPLAY_NAME_W},      {"extension", PR_ATTACH_EXTENSION_W},
      {"mime_tag", PR_ATTACH_MIME_TAG_W},       {"content_id", PR_ATTACH_CONTENT_ID_W},
      {"pathname", PR_ATTACH_PATHNAME_W},       {"long_pathname", PR_ATTACH_LONG_PATHNAME_W}};
  for (auto [key, tag] : kText)
    if (j.contains(key)) a.props.push_back({tag, Utf16Value(Wide(j, key))});
  if (j.contains("long_filename") && !j.contains("filename"))
    a.props.push_back({PR_ATTACH_FILENAME_W, Utf16Value(Wide(j, "long_filename"))});
  if (j.contains("data")) {
    // An OLE object's compound file is an object value; any other data is binary.
    Bytes data = At(".data", [&] { return BinaryFromText(j["data"].get<std::string>()); });
    a.props.push_back({method == 6 ? PR_ATTACH_DATA_OBJ : PR_ATTACH_DATA_BIN, std::move(data)});
  }
  if (j.contains("message"))
    a.message = std::make_unique<Message>(At(".message", [&] { return ParseMessage(j["message"], depth + 1); }));
  for (Property& p : Props(j, codePage)) SetOrReplace(a.props, p.tag, std::move(p.value));
  return a;
}

template <typename T, typename F>
std::vector<T> List(const json& j, const char* key, F&& parse) {
  std::vector<T> out;
  if (!j.contains(key)) return out;
  if (!j[key].is_array()) throw DescriptionError(std::string(".") + key + ": expected an array");
  for (std::size_t i = 0; i < j[key].size(); ++i)
    out.push_back(At(std::string(".") + key + "[" + std::to_string(i) + "]", [&] { return parse(j[key][i]); }));
  return out;
}

// depth: 1 for a folder's message, one more for each embedding.
Message ParseMessage(const json& j, int depth) {
  CheckKeys(j, kMessageKeys);
  CheckNesting(depth, "embedded messages");
  std::uint32_t cp = CodePageOf(j);
  Message m;
  m.withoutClass = j.contains("class") && j["class"].is_null();
  if (!m.withoutClass) m.props.push_back({PR_MESSAGE_CLASS_W, Utf16Value(Wide(j, "class", u"IPM.Note"))});
  if (j.contains("id")) {
    if (!j["id"].is_string()) throw DescriptionError(".id: expected a string");
    m.id = j["id"].get<std::string>();
  }
  for (Property& p : Props(j, cp)) SetOrReplace(m.props, p.tag, std::move(p.value));
  m.named = List<NamedProperty>(j, "named", [&](const json& n) { return Named(n, cp); });
  m.recipients = List<Recipient>(j, "recipients", [&](const json& r) { return ParseRecipient(r, cp); });
  m.attachments =
      List<Attachment>(j, "attachments", [&](const json& a) { return ParseAttachment(a, cp, depth); });
  return m;
}

// depth: 1 for a folder at the top of the description.
Folder ParseFolder(const json& j, int depth) {
  CheckKeys(j, kFolderKeys);
  CheckNesting(depth, "folders");
  Folder f;
  f.name = Wide(j, "name");
  // A null class leaves the folder without PR_CONTAINER_CLASS_W.
  if (!(j.contains("class") && j["class"].is_null())) f.containerClass = Wide(j, "class", u"IPF.Note");
  f.props = Props(j, kDefaultCodePage);
  f.messages = List<Message>(j, "messages", [](const json& m) { return ParseMessage(m, 1); });
  f.folders = List<Folder>(j, "folders", [depth](const json& sub) { return ParseFolder(sub, depth + 1); });
  return f;
}

}  // namespace

Store ParseDescription(const json& d) {
  Store s;
  if (!d.is_object()) throw DescriptionError("the description is a JSON object");
  if (auto key = UnknownKey(d, kTopKeys)) throw DescriptionError(*key + ": unknown key");
  if (d.contains("format")) {
    if (d["format"] == "ansi")
      s.format = FileFormat::kAnsi;
    else if (d["format"] != "unicode")
      throw DescriptionError("format: \"unicode\" or \"ansi\"");
  }
  if (d.contains("store")) {
    At("store", [&] {
      CheckKeys(d["store"], kStoreKeys);
      s.displayName = Wide(d["store"], "display_name", s.displayName);
      s.props = Props(d["store"], kDefaultCodePage);
      return 0;
    });
  }
  try {
    s.messages = List<Message>(d, "messages", [](const json& m) { return ParseMessage(m, 1); });
    s.folders = List<Folder>(d, "folders", [](const json& f) { return ParseFolder(f, 1); });
  } catch (const NestingError&) {
    throw;
  } catch (const DescriptionError& e) {
    throw DescriptionError(std::string(e.what()).substr(e.what()[0] == '.' ? 1 : 0));
  }
  return s;
}

Store LoadDescription(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) throw DescriptionError("cannot open " + path.string());
  json d;
  try {
    d = json::parse(in);
  } catch (const json::exception& e) {
    throw DescriptionError(path.string() + ": " + e.what());
  }
  return ParseDescription(d);
}

}  // namespace pstgen
