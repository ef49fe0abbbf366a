// The file header (Unicode: 564 bytes, ANSI: 512 bytes at offset 0) and its ROOT.
#pragma once

#include <array>
#include <cstdint>

#include "bytes.h"
#include "layout.h"

namespace pstgen {

struct BlockRef {  // BREF: a block or page and where it lies
  std::uint64_t bid = 0;
  std::uint64_t ib = 0;
};

struct HeaderInfo {
  std::uint64_t bidNextP = 0;               // next page BID
  std::uint64_t bidNextB = 0;               // next block BID
  std::uint32_t unique = 0;                 // dwUnique, bumped on every change
  std::array<std::uint32_t, 32> nextNid{};  // rgnid: next NID index of each NID type
  // ROOT
  std::uint64_t fileEof = 0;
  std::uint64_t lastAMap = 0;
  std::uint64_t amapFree = 0;
  std::uint64_t pmapFree = 0;
  BlockRef nbt;
  BlockRef bbt;
  std::array<std::uint8_t, 128> initialFMap{};
};

Bytes MakeHeader(const HeaderInfo& h, const FormatLayout& f = kUnicodeLayout);

}  // namespace pstgen
