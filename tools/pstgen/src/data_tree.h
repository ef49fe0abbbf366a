// Data trees: a node's data as one data block, or as data blocks under an
// XBLOCK (cLevel 1) or XXBLOCK (cLevel 2).
#pragma once

#include <cstdint>
#include <vector>

#include "block_store.h"

namespace pstgen {

// Joins already written data blocks (in order, lcbTotal bytes together) into
// one tree and returns the BID of its root.
std::uint64_t WriteDataTree(BlockStore& store, const std::vector<std::uint64_t>& bids, std::uint64_t total);

// Cuts a stream into full blocks (8176 bytes, 8180 in ANSI files) as it arrives, so that memory
// stays bounded by one block whatever the stream's length.
class StreamWriter {
 public:
  explicit StreamWriter(BlockStore& store) : store_(store) {}
  void Append(const std::uint8_t* data, std::size_t size);
  void Append(const Bytes& data) { Append(data.data(), data.size()); }
  // The tree's root; a stream must not be empty.
  std::uint64_t Finish();

 private:
  void Flush();
  BlockStore& store_;
  Bytes pending_;
  std::vector<std::uint64_t> bids_;
  std::uint64_t total_ = 0;
};

// A whole value or table as a data tree.
std::uint64_t WriteStream(BlockStore& store, const Bytes& data);

}  // namespace pstgen
