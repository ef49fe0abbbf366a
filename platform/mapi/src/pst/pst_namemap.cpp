#include "pst/pst_namemap.h"

#include <cstring>

#include "pst/pst_record.h"

namespace pst {
namespace {

GUID GuidAt(const std::vector<uint8_t>& b, size_t at) {
  GUID g{};
  g.Data1 = Le32(b, at);
  g.Data2 = Le16(b, at + 4);
  g.Data3 = Le16(b, at + 6);
  std::memcpy(g.Data4, b.data() + at + 8, 8);
  return g;
}

// Set index 1 and 2 name the two well-known sets; 3 and up index the GUID
// stream; 0 is no set.
std::optional<GUID> SetGuid(const std::vector<uint8_t>& guids, uint16_t index) {
  if (index == 0) return GUID_NULL;
  if (index == 1) return kPsMapi;
  if (index == 2) return kPsPublicStrings;
  size_t at = size_t{index - 3u} * 16;
  if (at + 16 > guids.size()) return std::nullopt;
  return GuidAt(guids, at);
}

std::optional<std::u16string> StringAt(const std::vector<uint8_t>& b, uint32_t at) {
  if (size_t{at} + 4 > b.size()) return std::nullopt;
  uint32_t bytes = Le32(b, at);
  if (bytes % 2 != 0 || bytes > b.size() - at - 4) return std::nullopt;
  std::u16string s(bytes / 2, u'\0');
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(Le16(b, at + 4 + 2 * i));
  return s;
}

}  // namespace

NameMap NameMap::Decode(const std::vector<uint8_t>& guids, const std::vector<uint8_t>& entries,
                        const std::vector<uint8_t>& strings) {
  NameMap map;
  for (size_t at = 0; at + 8 <= entries.size(); at += 8) {
    uint32_t value = Le32(entries, at);
    uint16_t kindAndSet = Le16(entries, at + 4);
    uint16_t id = static_cast<uint16_t>(0x8000 + Le16(entries, at + 6));
    if (id < 0x8000) continue;  // index beyond the named range
    auto guid = SetGuid(guids, kindAndSet >> 1);
    if (!guid) continue;
    PropName n;
    n.guid = *guid;
    n.isString = (kindAndSet & 1) != 0;
    if (n.isString) {
      auto s = StringAt(strings, value);
      if (!s) continue;
      n.name = std::move(*s);
    } else {
      n.lid = value;
    }
    map.byName_.emplace(KeyOf(n), id);
    map.byId_.emplace(id, std::move(n));
  }
  return map;
}

const PropName* NameMap::NameOf(uint16_t propId) const {
  auto it = byId_.find(propId);
  return it == byId_.end() ? nullptr : &it->second;
}

std::optional<uint16_t> NameMap::IdOf(const PropName& name) const {
  auto it = byName_.find(KeyOf(name));
  if (it == byName_.end()) return std::nullopt;
  return it->second;
}

NameMap::Key NameMap::KeyOf(const PropName& n) {
  std::vector<uint8_t> g(sizeof(GUID));
  std::memcpy(g.data(), &n.guid, sizeof(GUID));
  return {std::move(g), n.isString, n.isString ? 0 : n.lid, n.isString ? n.name : std::u16string()};
}

}  // namespace pst
