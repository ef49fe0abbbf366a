// Sizes and fixed places of the Unicode file format.
#pragma once

#include <cstdint>

namespace pstgen {

constexpr std::uint64_t kPageSize = 512;            // B-tree and map pages
constexpr std::uint64_t kPageDataSize = 496;        // a page less its 16-byte trailer
constexpr std::uint64_t kBlockAlign = 64;           // blocks start and end on 64 bytes
constexpr std::uint64_t kMaxBlockSize = 8192;       // a block with its trailer
constexpr std::uint64_t kBlockTrailerSize = 16;
constexpr std::uint64_t kMaxBlockData = kMaxBlockSize - kBlockTrailerSize;  // 8176
constexpr std::uint64_t kAMapBase = 0x4400;         // first allocation map page
constexpr std::uint64_t kAMapCoverage = 496 * 8 * 64;  // bytes one allocation map covers
constexpr std::uint64_t kHeaderSize = 564;
constexpr std::size_t kMaxHeapItem = 3580;           // larger values go to subnodes

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
