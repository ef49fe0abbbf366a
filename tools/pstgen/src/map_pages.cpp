#include "map_pages.h"

#include <algorithm>

#include "trailers.h"

namespace pstgen {

Bytes MakeMapPage(const FormatLayout& f, PageType type, const std::uint8_t* map496, std::uint64_t ib) {
  Bytes page(kPageSize, 0);
  std::copy(map496, map496 + kMapBitsSize, page.begin() + std::ptrdiff_t(f.mapPadding));
  PutPageTrailer(page, f, type, 0, ib);
  return page;
}

std::uint8_t LongestFreeRun(const std::uint8_t* map496) {
  int best = 0, run = 0;
  for (std::size_t i = 0; i < kMapBitsSize * 8 && best < 255; ++i) {
    bool used = map496[i / 8] & (0x80 >> (i % 8));
    run = used ? 0 : run + 1;
    best = std::max(best, run);
  }
  return std::uint8_t(std::min(best, 255));
}

}  // namespace pstgen
