// Where the raw readers of the tests find things in either form of the
// file: Unicode (wVer 23, 8-byte BIDs and offsets) or ANSI (wVer 14/15,
// 4-byte ones).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pstgen_test {

struct RawFormat {
  std::size_t id;           // bytes of a BID, offset or B-tree / subnode NID
  std::size_t nbtIbAt;      // ROOT's BREFNBT.ib in the header
  std::size_t bbtIbAt;      // ROOT's BREFBBT.ib
  std::size_t entriesArea;  // a BTPAGE's entries; cEnt, cEntMax, cbEnt, cLevel follow
  std::size_t subnodeHeader;

  static RawFormat Of(const std::vector<std::uint8_t>& header) {
    bool ansi = header.at(10) == 14 || header.at(10) == 15;
    return ansi ? RawFormat{4, 188, 196, 496, 4} : RawFormat{8, 224, 240, 488, 8};
  }
  std::uint64_t Id(const std::vector<std::uint8_t>& b, std::size_t at) const {
    std::uint64_t v = 0;
    for (std::size_t i = id; i-- > 0;) v = v << 8 | b.at(at + i);
    return v;
  }
};

}  // namespace pstgen_test
