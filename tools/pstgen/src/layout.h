// Sizes and fixed places of the file format, in its two forms: Unicode
// (64-bit BIDs and offsets) and ANSI (32-bit ones, and 8-bit strings).
#pragma once

#include <cstddef>
#include <cstdint>

#include "pstgen/description.h"

namespace pstgen {

constexpr std::uint64_t kPageSize = 512;            // B-tree and map pages
constexpr std::uint64_t kPageDataSize = 496;        // a Unicode page less its 16-byte trailer
constexpr std::uint64_t kMapBitsSize = 496;         // the bits of a map page, in either form
constexpr std::uint64_t kBlockAlign = 64;           // blocks start and end on 64 bytes
constexpr std::uint64_t kMaxBlockSize = 8192;       // a block with its trailer
// A Unicode block's data (8176 bytes); heap pages keep to it in either form.
constexpr std::uint64_t kMaxBlockData = kMaxBlockSize - 16;
constexpr std::uint64_t kAMapBase = 0x4400;         // first allocation map page
constexpr std::uint64_t kAMapCoverage = kMapBitsSize * 8 * 64;  // bytes one allocation map covers
constexpr std::size_t kMaxHeapItem = 3580;           // larger values go to subnodes
constexpr std::uint32_t kAnsiCodePage = 1252;        // the 8-bit strings of an ANSI store

// What differs between the two forms. BIDs, offsets and the NIDs of B-tree
// and subnode entries take idSize bytes.
struct FormatLayout {
  FileFormat format;
  std::size_t idSize;             // 8 / 4
  std::size_t headerSize;         // 564 / 512
  std::size_t pageTrailerSize;    // 16 / 12
  std::size_t blockTrailerSize;   // 16 / 12
  std::size_t btEntriesArea;      // 488 / 496 bytes of entries in a BTPAGE
  std::size_t btEntrySize;        // BTENTRY: 24 / 12
  std::size_t bbtEntrySize;       // BBTENTRY: 24 / 12
  std::size_t nbtEntrySize;       // NBTENTRY: 32 / 16
  std::size_t subnodeHeaderSize;  // SLBLOCK / SIBLOCK header: 8 / 4
  std::size_t mapPadding;         // bytes before a map page's bits: 0 / 4
  std::uint64_t maxFileSize;

  bool ansi() const { return format == FileFormat::kAnsi; }
  std::size_t maxBlockData() const { return kMaxBlockSize - blockTrailerSize; }  // 8176 / 8180
  std::size_t pageDataSize() const { return kPageSize - pageTrailerSize; }        // 496 / 500
};

constexpr FormatLayout kUnicodeLayout{FileFormat::kUnicode, 8, 564, 16, 16, 488, 24, 24, 32, 8, 0, ~0ull};
constexpr FormatLayout kAnsiLayout{FileFormat::kAnsi, 4, 512, 12, 12, 496, 12, 12, 16, 4, 4, 1ull << 31};

inline const FormatLayout& LayoutOf(FileFormat f) { return f == FileFormat::kAnsi ? kAnsiLayout : kUnicodeLayout; }

// Page types, written twice in each page trailer.
enum class PageType : std::uint8_t {
  kBbt = 0x80,
  kNbt = 0x81,
  kFMap = 0x82,
  kPMap = 0x83,
  kAMap = 0x84,
  kFPMap = 0x85,
};

// Map pages reserved at the start of allocation interval k (k-th AMap).
struct MapPagesOfInterval {
  bool pmap;   // one page map every 8 allocation maps
  bool fmap;   // a free map after the first 128 maps (the header holds those), then every 496
  bool fpmap;  // a free page map after the first 8192 maps, then every 31744
  int count() const { return 1 + pmap + fmap + fpmap; }
};

inline MapPagesOfInterval MapPagesAt(std::uint64_t k) {
  return {k % 8 == 0, k >= 128 && (k - 128) % 496 == 0, k >= 8192 && (k - 8192) % 31744 == 0};
}

inline std::uint64_t IntervalStart(std::uint64_t k) { return kAMapBase + k * kAMapCoverage; }

}  // namespace pstgen
