#include "pstgen/guid.h"

#include <cctype>

namespace pstgen {
namespace {

struct KnownSet {
  std::string_view name;
  std::string_view guid;
};

constexpr KnownSet kKnownSets[] = {
    {"PS_MAPI", "{00020328-0000-0000-C000-000000000046}"},
    {"PS_PUBLIC_STRINGS", "{00020329-0000-0000-C000-000000000046}"},
    {"PS_INTERNET_HEADERS", "{00020386-0000-0000-C000-000000000046}"},
    {"PSETID_Appointment", "{00062002-0000-0000-C000-000000000046}"},
    {"PSETID_Task", "{00062003-0000-0000-C000-000000000046}"},
    {"PSETID_Address", "{00062004-0000-0000-C000-000000000046}"},
    {"PSETID_Common", "{00062008-0000-0000-C000-000000000046}"},
    {"PSETID_Log", "{0006200A-0000-0000-C000-000000000046}"},
    {"PSETID_Note", "{0006200E-0000-0000-C000-000000000046}"},
    {"PSETID_Sharing", "{00062040-0000-0000-C000-000000000046}"},
    {"PSETID_PostRss", "{00062041-0000-0000-C000-000000000046}"},
    {"PSETID_Meeting", "{6ED8DA90-450B-101B-98DA-00AA003F1305}"},
};

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = char(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<Guid> ParseGuid(std::string_view s) {
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return std::nullopt;
  std::uint8_t raw[16];
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '-') continue;
    int hi = Hex(s[i]), lo = i + 1 < s.size() ? Hex(s[i + 1]) : -1;
    if (hi < 0 || lo < 0) return std::nullopt;
    raw[n++] = std::uint8_t(hi * 16 + lo);
    ++i;
  }
  // Data1, Data2 and Data3 are stored little-endian, Data4 as written.
  Guid g;
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g.bytes[i] = raw[order[i]];
  return g;
}

std::optional<Guid> PropertySet(std::string_view text) {
  for (const KnownSet& k : kKnownSets)
    if (k.name == text) return ParseGuid(k.guid);
  return ParseGuid(text);
}

const Guid kPsMapi = *ParseGuid("{00020328-0000-0000-C000-000000000046}");
const Guid kPsPublicStrings = *ParseGuid("{00020329-0000-0000-C000-000000000046}");
const Guid kPsetidCommon = *ParseGuid("{00062008-0000-0000-C000-000000000046}");

}  // namespace pstgen
