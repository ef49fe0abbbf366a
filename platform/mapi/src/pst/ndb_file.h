// The node database of one file: its header, the node and block B-trees
// (read page by page on demand, by binary search, never whole) and blocks
// found by their BID, each page and block checked when it is read
// (signature, id, size, CRC) and kept, checked, in a bounded cache.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "pst/ndb_cache.h"
#include "pst/ndb_header.h"
#include "pst/ndb_types.h"

namespace pst::ndb {

class NdbFile {
 public:
  // Reads the header alone. Damage (or an unreadable file) throws Damage
  // with the reason.
  static std::unique_ptr<NdbFile> Open(const std::string& path);
  ~NdbFile();
  NdbFile(const NdbFile&) = delete;
  NdbFile& operator=(const NdbFile&) = delete;

  const Header& header() const { return header_; }
  Form form() const { return header_.form; }
  const Layout& layout() const { return LayoutOf(header_.form); }

  // Reads and checks the root pages of both B-trees.
  void CheckRoots();
  // The node with this id in the node B-tree; none when the file has none.
  std::optional<Node> FindNode(uint32_t nid);
  // The size of a block's data (from the block B-tree); none when absent.
  std::optional<size_t> BlockSize(uint64_t bid);
  // A block's data, checked and decoded (external blocks) or as stored
  // (internal ones). Throws Damage when it is absent or fails its check.
  SharedBytes ReadBlock(uint64_t bid);

  size_t CachedBytes() const { return pages_.HeldBytes() + blocks_.HeldBytes(); }

  // Where a block lies and its data's size, from the block B-tree.
  struct BlockRef {
    uint64_t ib;
    uint16_t cb;
  };
  std::optional<BlockRef> FindBlock(uint64_t bid);

 private:
  NdbFile() = default;
  SharedBytes ReadPage(const BRef& ref, uint8_t pageType);
  // The leaf entry with `key` in the B-tree rooted at `root`, or null.
  SharedBytes FindLeaf(const BRef& root, uint8_t pageType, uint64_t key, size_t leafEntry, size_t* at);
  void ReadAt(uint64_t offset, uint8_t* buffer, size_t size, const char* what);

  int fd_ = -1;
  uint64_t size_ = 0;
  Header header_;
  BlockCache pages_{4u << 20};
  BlockCache blocks_{24u << 20};
};

// A page's or block's wSig: its offset folded with its BID.
constexpr uint16_t ComputeSig(uint64_t ib, uint64_t bid) {
  ib ^= bid;
  return static_cast<uint16_t>((ib >> 16) ^ ib);
}

}  // namespace pst::ndb
