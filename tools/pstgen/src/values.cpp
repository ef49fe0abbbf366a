#include "pstgen/values.h"

#include <iconv.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>

#include "bytes.h"
#include "crc.h"
#include "mapi/mapitags.h"
#include "pstgen/guid.h"
#include "property_helpers.h"
#include "win32/text.h"

namespace pstgen {
namespace {

using nlohmann::json;

[[noreturn]] void Bad(const std::string& what) { throw DescriptionError(what); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Bytes FromHex(std::string_view s) {
  Bytes out;
  int hi = -1;
  for (char c : s) {
    if (c == ' ' || c == ':' || c == '-') continue;
    int d = HexDigit(c);
    if (d < 0) Bad("bad hex digit in binary value");
    if (hi < 0) {
      hi = d;
    } else {
      out.push_back(std::uint8_t(hi * 16 + d));
      hi = -1;
    }
  }
  if (hi >= 0) Bad("odd number of hex digits in binary value");
  return out;
}

Bytes FromBase64(std::string_view s) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;
    if (c == '/' || c == '_') return 63;
    return -1;
  };
  Bytes out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (char c : s) {
    if (c == '=' || c == '\n' || c == '\r' || c == ' ') continue;
    int v = value(c);
    if (v < 0) Bad("bad base64 character in binary value");
    acc = (acc << 6) | std::uint32_t(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(std::uint8_t(acc >> bits));
    }
  }
  return out;
}

std::string IconvName(std::uint32_t cp) {
  switch (cp) {
    case 65001: return "UTF-8";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 50220: case 50221: case 50222: return "ISO-2022-JP";
    case 51932: return "EUC-JP";
    case 51949: return "EUC-KR";
    case 936: return "GBK";
    case 950: return "BIG5";
    case 54936: return "GB18030";
    default:
      if (cp >= 28591 && cp <= 28606) return "ISO-8859-" + std::to_string(cp - 28590);
      return "CP" + std::to_string(cp);
  }
}

std::int64_t Integer(const json& v, const char* what) {
  if (v.is_number_integer()) return v.get<std::int64_t>();
  if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
  if (v.is_string()) {
    const std::string& s = v.get_ref<const std::string&>();
    char* end = nullptr;
    errno = 0;
    long long n = std::strtoll(s.c_str(), &end, 0);
    if (errno == 0 && end && *end == '\0' && !s.empty()) return n;
  }
  Bad(std::string("expected an integer for ") + what);
}

double Real(const json& v) {
  if (!v.is_number()) Bad("expected a number");
  return v.get<double>();
}

const std::string& Text(const json& v) {
  if (!v.is_string()) Bad("expected a string");
  return v.get_ref<const std::string&>();
}

template <typename T>
Bytes Le(T v) {
  Bytes b;
  Append<T>(b, v);
  return b;
}

Bytes EncodeSingle(ULONG type, const json& v, std::uint32_t codePage) {
  switch (type) {
    case PT_I2: return Le<std::uint16_t>(std::uint16_t(Integer(v, "PT_I2")));
    case PT_LONG: return Le<std::uint32_t>(std::uint32_t(Integer(v, "PT_LONG")));
    case PT_ERROR: return Le<std::uint32_t>(std::uint32_t(Integer(v, "PT_ERROR")));
    case PT_BOOLEAN:
      if (!v.is_boolean() && !v.is_number_integer()) Bad("expected true or false");
      return BoolValue(v.is_boolean() ? v.get<bool>() : v.get<std::int64_t>() != 0);
    case PT_I8: return Le<std::uint64_t>(std::uint64_t(Integer(v, "PT_I8")));
    case PT_R4: {
      float f = float(Real(v));
      std::uint32_t u;
      std::memcpy(&u, &f, 4);
      return Le<std::uint32_t>(u);
    }
    case PT_DOUBLE:
    case PT_APPTIME: {
      double d = Real(v);
      std::uint64_t u;
      std::memcpy(&u, &d, 8);
      return Le<std::uint64_t>(u);
    }
    case PT_CURRENCY: {
      // Ten-thousandths in 64 bits; beyond them the rounding gives no value.
      const double units = std::round(Real(v) * 10000);
      if (!(units >= -9.2e18 && units <= 9.2e18)) Bad("PT_CURRENCY out of range");
      return Le<std::uint64_t>(std::uint64_t(std::int64_t(units)));
    }
    case PT_SYSTIME:
      if (v.is_number_integer()) return Le<std::uint64_t>(v.get<std::uint64_t>());
      return Le<std::uint64_t>(FileTimeFromIso(Text(v)));
    case PT_UNICODE: return Utf16Value(win32::Utf8ToUtf16(Text(v)));
    case PT_STRING8: return EncodeCodePage(Text(v), codePage);
    case PT_BINARY: return BinaryFromText(Text(v));
    case PT_CLSID: {
      auto g = ParseGuid(Text(v));
      if (!g) Bad("expected a GUID");
      return Bytes(g->bytes, g->bytes + 16);
    }
    default: Bad("unsupported property type 0x" + [&] {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", unsigned(type));
        return std::string(buf);
      }());
  }
}

}  // namespace

Bytes OneOffEntryId(const std::u16string& name, const std::u16string& addressType, const std::u16string& address) {
  // Flags, the one-off provider's UID, version, flags (Unicode, no rich
  // text), then the three strings NUL-terminated in UTF-16LE.
  static const std::uint8_t kOneOffUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                              0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
  Bytes id;
  Append<std::uint32_t>(id, 0);
  AppendBytes(id, kOneOffUid, 16);
  Append<std::uint16_t>(id, 0);       // version
  Append<std::uint16_t>(id, 0x9001);  // MAPI_UNICODE | MAPI_ONE_OFF_NO_RICH_INFO
  for (const std::u16string* part : {&name, &addressType, &address}) {
    AppendBytes(id, Utf16Value(*part));
    Append<std::uint16_t>(id, 0);
  }
  return id;
}

namespace {
// No entry ID starts with these bytes: flags of all ones and a text.
constexpr std::string_view kContactReferenceMark("\xFF\xFF\xFF\xFFpstgen contact:", 20);
}  // namespace

Bytes ContactReference(std::string_view id) {
  if (id.empty()) Bad("a contact entry ID is \"contact:ID\", the \"id\" of an earlier message");
  std::string text(kContactReferenceMark);
  text += id;
  return Bytes(text.begin(), text.end());
}

std::optional<std::string> ContactReferenceId(const Bytes& value) {
  const std::string_view bytes(reinterpret_cast<const char*>(value.data()), value.size());
  if (!bytes.starts_with(kContactReferenceMark)) return std::nullopt;
  return std::string(bytes.substr(kContactReferenceMark.size()));
}

Bytes ContactEntryId(const Bytes& messageEntryId) {
  // Flags, the contact provider's UID, the kind of entry (a contact's
  // e-mail address 1), then the message's own entry ID.
  static const std::uint8_t kWrappedUid[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                               0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
  Bytes id;
  Append<std::uint32_t>(id, 0);
  AppendBytes(id, kWrappedUid, 16);
  id.push_back(0xC3);
  AppendBytes(id, messageEntryId);
  return id;
}

std::uint64_t FileTimeFromIso(std::string_view text) {
  std::tm tm{};
  std::string s(text);
  int frac = 0, fracDigits = 0;
  const char* rest = strptime(s.c_str(), "%Y-%m-%dT%H:%M:%S", &tm);
  if (!rest) rest = strptime(s.c_str(), "%Y-%m-%d", &tm);
  if (!rest) Bad("bad time \"" + s + "\" (want 2024-03-15T13:05:00Z)");
  if (*rest == '.') {
    for (++rest; *rest >= '0' && *rest <= '9'; ++rest)
      if (fracDigits < 7) frac = frac * 10 + (*rest - '0'), ++fracDigits;
    while (fracDigits < 7) frac *= 10, ++fracDigits;
  }
  if (*rest == 'Z') ++rest;
  if (*rest != '\0') Bad("bad time \"" + s + "\": only UTC (Z) is accepted");
  std::int64_t unix = timegm(&tm);
  return std::uint64_t((unix + 11644473600LL) * 10000000LL + frac);
}

Bytes OneOffFromText(std::string_view text) {
  std::size_t a = text.find('|'), b = a == text.npos ? a : text.find('|', a + 1);
  if (b == text.npos) Bad("a one-off entry ID is \"oneoff:Name|SMTP|address\"");
  return OneOffEntryId(win32::Utf8ToUtf16(text.substr(0, a)), win32::Utf8ToUtf16(text.substr(a + 1, b - a - 1)),
                       win32::Utf8ToUtf16(text.substr(b + 1)));
}

Bytes CompressedRtf(std::string_view rtf) {
  // LZFu with literal tokens only: each run is a control byte (a bit per
  // token, 0 for a literal) and up to eight literals. The run that ends the
  // data holds a reference to the dictionary's write position, which starts
  // after its 207-byte initial text and advances with each literal.
  constexpr std::uint32_t kInitialDictionary = 207;
  Bytes data;
  std::size_t control = 0;
  int tokens = 8;
  for (char c : rtf) {
    if (tokens == 8) control = data.size(), data.push_back(0), tokens = 0;
    data.push_back(std::uint8_t(c));
    ++tokens;
  }
  if (tokens == 8) control = data.size(), data.push_back(0), tokens = 0;
  data[control] |= std::uint8_t(1 << tokens);
  std::uint16_t end = std::uint16_t(((kInitialDictionary + rtf.size()) % 4096) << 4);
  data.push_back(std::uint8_t(end >> 8));  // references are big-endian
  data.push_back(std::uint8_t(end));
  // Header: COMPSIZE (data + 12), RAWSIZE, COMPTYPE "LZFu", CRC of the data.
  Bytes b;
  Append<std::uint32_t>(b, std::uint32_t(data.size() + 12));
  Append<std::uint32_t>(b, std::uint32_t(rtf.size()));
  Append<std::uint32_t>(b, 0x75465A4C);
  Append<std::uint32_t>(b, ComputeCrc(data.data(), data.size()));
  AppendBytes(b, data);
  return b;
}

Bytes BinaryFromText(std::string_view text) {
  if (text.starts_with("hex:")) return FromHex(text.substr(4));
  if (text.starts_with("base64:")) return FromBase64(text.substr(7));
  if (text.starts_with("oneoff:")) return OneOffFromText(text.substr(7));
  if (text.starts_with("rtf:")) return CompressedRtf(text.substr(4));
  if (text.starts_with("contact:")) return ContactReference(text.substr(8));
  Bad("binary values start with \"hex:\", \"base64:\", \"oneoff:\", \"contact:\" or \"rtf:\"");
}

Bytes EncodeCodePage(std::string_view utf8, std::uint32_t codePage) {
  if (codePage == 65001 || utf8.empty()) return Bytes(utf8.begin(), utf8.end());
  iconv_t cd = iconv_open(IconvName(codePage).c_str(), "UTF-8");
  if (cd == iconv_t(-1)) Bad("code page " + std::to_string(codePage) + " is not supported");
  std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
  std::string in(utf8);
  Bytes out(in.size() * 4 + 16);
  char* ip = in.data();
  char* op = reinterpret_cast<char*>(out.data());
  std::size_t il = in.size(), ol = out.size();
  if (iconv(cd, &ip, &il, &op, &ol) == std::size_t(-1) || iconv(cd, nullptr, nullptr, &op, &ol) == std::size_t(-1))
    Bad("text cannot be written in code page " + std::to_string(codePage));
  out.resize(out.size() - ol);
  return out;
}

Bytes EncodeValue(ULONG type, const json& v, std::uint32_t codePage) {
  if (!(type & MV_FLAG)) return EncodeSingle(type, v, codePage);
  if (!v.is_array()) Bad("expected an array for a multi-valued property");
  ULONG single = type & ~MVI_FLAG;
  std::vector<Bytes> items;
  for (const json& item : v) items.push_back(EncodeSingle(single, item, codePage));
  return JoinMultiValued(single, items);
}

Bytes JoinMultiValued(ULONG singleType, const std::vector<Bytes>& items) {
  Bytes out;
  if (singleType == PT_UNICODE || singleType == PT_STRING8 || singleType == PT_BINARY) {
    // Count, then the offset of each item from the start of the value.
    Append<std::uint32_t>(out, std::uint32_t(items.size()));
    std::uint32_t at = std::uint32_t(4 + 4 * items.size());
    for (const Bytes& b : items) Append<std::uint32_t>(out, at), at += std::uint32_t(b.size());
  }
  for (const Bytes& b : items) AppendBytes(out, b);
  return out;
}

std::vector<Bytes> SplitMultiValued(const Bytes& value) {
  if (value.size() < 4) throw std::invalid_argument("a multi-valued value without its count");
  const std::uint32_t count = GetAt<std::uint32_t>(value, 0);
  if (count > (value.size() - 4) / 4) throw std::invalid_argument("a multi-valued value shorter than its offsets");
  std::vector<Bytes> items;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t from = GetAt<std::uint32_t>(value, 4 + 4 * i);
    const std::uint32_t to = i + 1 < count ? GetAt<std::uint32_t>(value, 4 + 4 * (i + 1)) : std::uint32_t(value.size());
    if (from > to || to > value.size()) throw std::invalid_argument("a multi-valued value with bad offsets");
    items.emplace_back(value.begin() + from, value.begin() + to);
  }
  return items;
}

}  // namespace pstgen
