// Pieces shared by property and table contexts: where a value goes (inline,
// heap or subnode) and the subnodes a node collects on the way.
#pragma once

#include <cstdint>
#include <vector>

#include "block_store.h"
#include "heap.h"
#include "subnode_tree.h"

namespace pstgen {

constexpr std::uint32_t kNidTypeLtp = 0x1F;

inline std::uint64_t MakeNid(std::uint32_t index, std::uint32_t type) { return (std::uint64_t(index) << 5) | type; }

// The subnodes of one node; Write gives its bidSub.
class Subnodes {
 public:
  void Add(const SubnodeEntry& e) { entries_.push_back(e); }
  // Writes a large value as its own subnode; returns the NID that names it.
  std::uint32_t AddValue(BlockStore& store, const Bytes& data);
  std::uint64_t Write(BlockStore& store) const { return WriteSubnodeTree(store, entries_); }
  bool empty() const { return entries_.empty(); }

 private:
  std::vector<SubnodeEntry> entries_;
  std::uint32_t nextLtp_ = 1;
};

// Bytes a fixed-size type takes in a table row (0: variable, held by HNID).
std::size_t FixedSize(std::uint32_t type);

// Small values in the heap, large ones in a subnode; returns the HNID.
std::uint32_t StoreValue(Heap& heap, BlockStore& store, Subnodes& subs, const Bytes& value);

}  // namespace pstgen
