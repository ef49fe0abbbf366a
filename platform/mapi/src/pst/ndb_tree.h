// A node's data tree (a data block, or XBLOCK / XXBLOCK levels above data
// blocks) read as one stream, and its subnode tree (SLBLOCK / SIBLOCK).
#pragma once

#include <optional>
#include <vector>

#include "pst/ndb_file.h"

namespace pst::ndb {

class DataTree {
 public:
  // Reads the tree's internal blocks, not its data blocks. A bid of 0 is
  // an empty stream.
  DataTree(NdbFile& file, uint64_t rootBid);

  uint64_t Size() const { return size_; }
  size_t BlockCount() const { return leaves_.size(); }
  SharedBytes Block(size_t index) const;
  // Reads up to `size` bytes at `offset`; the count read (0 at the end).
  size_t Read(uint64_t offset, uint8_t* buffer, size_t size);
  Bytes ReadAll();

 private:
  void AddLevel(uint64_t bid, int level);
  void PlaceBlocks();

  NdbFile* file_;
  std::vector<uint64_t> leaves_;
  std::vector<uint64_t> starts_;  // offset of each data block, once placed
  uint64_t size_ = 0;
};

// The subnode `nid` in the subnode tree rooted at `subBid`; none when the
// tree lacks it.
std::optional<Node> FindSubnode(NdbFile& file, uint64_t subBid, uint32_t nid);

}  // namespace pst::ndb
