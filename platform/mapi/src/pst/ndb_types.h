// What the node database layer shares: the two forms of the file, the
// little-endian fields of its structures, node references, and the error
// that names damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pst::ndb {

using Bytes = std::vector<uint8_t>;

// A structure of the file failed its check (signature, id, size, CRC) or
// points outside what holds it. The text names what and where.
class Damage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Form { kAnsi, kUnicode };

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) { return uint32_t{Get16(p)} | uint32_t{Get16(p + 2)} << 16; }
inline uint64_t Get64(const uint8_t* p) { return uint64_t{Get32(p)} | uint64_t{Get32(p + 4)} << 32; }
// A BID, IB or NID field: 8 bytes in the Unicode form, 4 in the ANSI one.
inline uint64_t GetId(const uint8_t* p, Form f) { return f == Form::kUnicode ? Get64(p) : Get32(p); }

std::string Hex(uint64_t v);

// The bit of a BID that marks an internal block (a data or subnode tree
// level); internal blocks are never encoded.
constexpr uint64_t kBidInternal = 0x2;
// The lowest bit of a BID is reserved; lookups ignore it.
constexpr uint64_t BidKey(uint64_t bid) { return bid & ~uint64_t{1}; }

// A node: its id, the root of its data and of its subnode tree (0: none).
struct Node {
  uint32_t nid = 0;
  uint64_t dataBid = 0;
  uint64_t subBid = 0;
  uint32_t parent = 0;  // the parent folder of a top-level node
};

// Sizes that differ between the two forms.
struct Layout {
  size_t idSize;            // BID, IB, NID in B-tree and subnode entries
  size_t pageTrailer;       // PAGETRAILER
  size_t blockTrailer;      // BLOCKTRAILER
  size_t btEntries;         // bytes of entries in a BTPAGE
  size_t btEntry;           // BTENTRY
  size_t nbtEntry;          // NBTENTRY
  size_t bbtEntry;          // BBTENTRY
  size_t subHeader;         // SLBLOCK / SIBLOCK header
  size_t maxBlockData;      // data of the largest block
};
constexpr size_t kPageSize = 512;
constexpr Layout kUnicodeLayout{8, 16, 16, 488, 24, 32, 24, 8, 8176};
constexpr Layout kAnsiLayout{4, 12, 12, 496, 12, 16, 12, 4, 8180};
inline const Layout& LayoutOf(Form f) { return f == Form::kUnicode ? kUnicodeLayout : kAnsiLayout; }

}  // namespace pst::ndb
