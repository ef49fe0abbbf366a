// Subnode trees: the nodes private to one node (a message's recipient and
// attachment tables, its attachments, its large property values).
#pragma once

#include <cstdint>
#include <vector>

#include "block_store.h"

namespace pstgen {

struct SubnodeEntry {  // SLENTRY
  std::uint64_t nid;
  std::uint64_t bidData;
  std::uint64_t bidSub;  // the subnode's own subnode tree, or 0
};

// Writes SLBLOCKs (and an SIBLOCK above them when needed) for the entries,
// in any order; returns the root's BID, or 0 for no entries.
std::uint64_t WriteSubnodeTree(BlockStore& store, std::vector<SubnodeEntry> entries);

}  // namespace pstgen
