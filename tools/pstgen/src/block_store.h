// Blocks (data and internal) with their trailers, written to the file as
// they are made, and the block B-tree entries that index them.
#pragma once

#include <cstdint>
#include <vector>

#include "bytes.h"
#include "output_file.h"

namespace pstgen {

struct BbtEntry {
  std::uint64_t bid;
  std::uint64_t ib;
  std::uint16_t cb;    // bytes of data, without padding and trailer
  std::uint16_t cRef;  // references to the block
};

class BlockStore {
 public:
  explicit BlockStore(OutputFile& file) : file_(file) {}

  // Writes data (at most maxBlockData bytes) as one block; internal blocks are the
  // data-tree and subnode-tree blocks (BID bit 1 set).
  std::uint64_t WriteBlock(const std::uint8_t* data, std::size_t cb, bool internal = false);
  std::uint64_t WriteBlock(const Bytes& data, bool internal = false) {
    return WriteBlock(data.data(), data.size(), internal);
  }
  // A BID for a B-tree page (blocks and pages draw from one counter).
  std::uint64_t NewPageBid() { return NextIndex(); }

  OutputFile& file() { return file_; }
  const FormatLayout& layout() const { return file_.layout(); }
  const std::vector<BbtEntry>& entries() const { return entries_; }
  std::uint64_t nextBid() const { return next_; }

 private:
  std::uint64_t NextIndex() {
    std::uint64_t b = next_;
    next_ += 4;  // bit 0 is reserved, bit 1 marks internal blocks
    return b;
  }
  OutputFile& file_;
  std::uint64_t next_ = 4;
  std::vector<BbtEntry> entries_;
};

}  // namespace pstgen
