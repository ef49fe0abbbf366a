#include "map_pages.h"

#include <algorithm>

#include "crc.h"

namespace pstgen {

Bytes MakeMapPage(PageType type, const std::uint8_t* map496, std::uint64_t ib) {
  Bytes page(kPageSize, 0);
  std::copy(map496, map496 + kPageDataSize, page.begin());
  // PAGETRAILER: ptype, ptypeRepeat, wSig (0 for map pages), dwCRC, bid.
  page[496] = std::uint8_t(type);
  page[497] = std::uint8_t(type);
  PutAt<std::uint16_t>(page, 498, 0);
  PutAt<std::uint32_t>(page, 500, ComputeCrc(page.data(), kPageDataSize));
  PutAt<std::uint64_t>(page, 504, ib);
  return page;
}

std::uint8_t LongestFreeRun(const std::uint8_t* map496) {
  int best = 0, run = 0;
  for (std::size_t i = 0; i < kPageDataSize * 8 && best < 255; ++i) {
    bool used = map496[i / 8] & (0x80 >> (i % 8));
    run = used ? 0 : run + 1;
    best = std::max(best, run);
  }
  return std::uint8_t(std::min(best, 255));
}

}  // namespace pstgen
