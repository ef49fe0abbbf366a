#include "subnode_tree.h"

#include <algorithm>
#include <stdexcept>

#include "layout.h"

namespace pstgen {
namespace {

constexpr std::size_t kSlEntries = (kMaxBlockData - 8) / 24;  // 340 SLENTRYs per SLBLOCK
constexpr std::size_t kSiEntries = (kMaxBlockData - 8) / 16;  // 510 SIENTRYs per SIBLOCK

// SLBLOCK / SIBLOCK header: btype 0x02, cLevel, cEnt, dwPadding.
Bytes SubnodeHeader(std::uint8_t level, std::size_t n) {
  Bytes b;
  Append<std::uint8_t>(b, 0x02);
  Append<std::uint8_t>(b, level);
  Append<std::uint16_t>(b, std::uint16_t(n));
  Append<std::uint32_t>(b, 0);
  return b;
}

}  // namespace

std::uint64_t WriteSubnodeTree(BlockStore& store, std::vector<SubnodeEntry> entries) {
  if (entries.empty()) return 0;
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.nid < b.nid; });
  struct Leaf {
    std::uint64_t firstNid, bid;
  };
  std::vector<Leaf> leaves;
  for (std::size_t i = 0; i < entries.size(); i += kSlEntries) {
    std::size_t n = std::min(kSlEntries, entries.size() - i);
    Bytes b = SubnodeHeader(0, n);
    for (std::size_t j = i; j < i + n; ++j) {  // SLENTRY: nid, bidData, bidSub
      Append<std::uint64_t>(b, entries[j].nid);
      Append<std::uint64_t>(b, entries[j].bidData);
      Append<std::uint64_t>(b, entries[j].bidSub);
    }
    leaves.push_back({entries[i].nid, store.WriteBlock(b, true)});
  }
  if (leaves.size() == 1) return leaves[0].bid;
  if (leaves.size() > kSiEntries) throw std::runtime_error("too many subnodes");
  Bytes b = SubnodeHeader(1, leaves.size());
  for (const Leaf& l : leaves) {  // SIENTRY: nid, bid
    Append<std::uint64_t>(b, l.firstNid);
    Append<std::uint64_t>(b, l.bid);
  }
  return store.WriteBlock(b, true);
}

}  // namespace pstgen
