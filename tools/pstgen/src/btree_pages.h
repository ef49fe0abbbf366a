// The node and block B-trees: 512-byte BTPAGEs, leaves first, then each
// level of BTENTRYs pointing at the one below, up to a single root.
#pragma once

#include <cstdint>
#include <vector>

#include "block_store.h"
#include "header.h"

namespace pstgen {

struct NbtEntry {
  std::uint64_t nid;
  std::uint64_t bidData;
  std::uint64_t bidSub;
  std::uint32_t nidParent;
};

// Entries must be sorted by key (NID, BID).
BlockRef WriteNbt(BlockStore& store, const std::vector<NbtEntry>& entries);
BlockRef WriteBbt(BlockStore& store, const std::vector<BbtEntry>& entries);

}  // namespace pstgen
