// Allocation map, page map, free map and free page map pages.
#pragma once

#include <cstdint>

#include "bytes.h"
#include "layout.h"

namespace pstgen {

// A 512-byte map page: 496 bytes of map (after 4 bytes of padding in ANSI
// files) and a trailer whose BID is the page's own offset and whose
// signature is zero.
Bytes MakeMapPage(const FormatLayout& f, PageType type, const std::uint8_t* map496, std::uint64_t ib);

// Longest run of free (zero) bits in one allocation map, capped at 255: the
// free map's byte for it.
std::uint8_t LongestFreeRun(const std::uint8_t* map496);

}  // namespace pstgen
