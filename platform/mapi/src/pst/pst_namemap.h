// The file's name-to-id map: which property set and LID or string name each
// named property id (0x8000 and up) stands for. Decoded from the map's three
// streams, so that the two sets the file names only by index (the MAPI and
// public-strings sets) get their GUIDs too.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "win32/types.h"

namespace pst {

inline constexpr GUID kPsMapi = {0x00020328, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kPsPublicStrings = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct PropName {
  GUID guid{};
  bool isString = false;
  uint32_t lid = 0;     // numeric names
  std::u16string name;  // string names
};

class NameMap {
 public:
  // Streams of the map: GUIDs (16 bytes each, for set indexes 3 and up),
  // entries (8 bytes: LID or string offset, set index and kind, id - 0x8000)
  // and strings (a 32-bit byte count, then UTF-16LE). Entries that point
  // outside their streams are left out.
  static NameMap Decode(const std::vector<uint8_t>& guids, const std::vector<uint8_t>& entries,
                        const std::vector<uint8_t>& strings);

  const PropName* NameOf(uint16_t propId) const;
  std::optional<uint16_t> IdOf(const PropName& name) const;
  size_t Size() const { return byId_.size(); }
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& [id, name] : byId_) f(id, name);
  }

 private:
  using Key = std::tuple<std::vector<uint8_t>, bool, uint32_t, std::u16string>;
  static Key KeyOf(const PropName& n);
  std::map<uint16_t, PropName> byId_;
  std::map<Key, uint16_t> byName_;
};

}  // namespace pst
