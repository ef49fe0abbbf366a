#include "subnode_tree.h"

#include <algorithm>
#include <stdexcept>

#include "layout.h"

namespace pstgen {
namespace {

// SLBLOCK / SIBLOCK header: btype 0x02, cLevel, cEnt, (Unicode: dwPadding).
Bytes SubnodeHeader(const FormatLayout& f, std::uint8_t level, std::size_t n) {
  Bytes b(f.subnodeHeaderSize, 0);
  PutAt<std::uint8_t>(b, 0, 0x02);
  PutAt<std::uint8_t>(b, 1, level);
  PutAt<std::uint16_t>(b, 2, std::uint16_t(n));
  return b;
}

}  // namespace

std::uint64_t WriteSubnodeTree(BlockStore& store, std::vector<SubnodeEntry> entries) {
  if (entries.empty()) return 0;
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.nid < b.nid; });
  const FormatLayout& f = store.layout();
  const std::size_t id = f.idSize;
  // SLENTRYs per SLBLOCK: 340 (Unicode) or 681 (ANSI); SIENTRYs per SIBLOCK: 510 or 1022.
  const std::size_t slEntries = (f.maxBlockData() - f.subnodeHeaderSize) / (3 * id);
  const std::size_t siEntries = (f.maxBlockData() - f.subnodeHeaderSize) / (2 * id);
  struct Leaf {
    std::uint64_t firstNid, bid;
  };
  std::vector<Leaf> leaves;
  for (std::size_t i = 0; i < entries.size(); i += slEntries) {
    std::size_t n = std::min(slEntries, entries.size() - i);
    Bytes b = SubnodeHeader(f, 0, n);
    for (std::size_t j = i; j < i + n; ++j) {  // SLENTRY: nid, bidData, bidSub
      AppendId(b, entries[j].nid, id);
      AppendId(b, entries[j].bidData, id);
      AppendId(b, entries[j].bidSub, id);
    }
    leaves.push_back({entries[i].nid, store.WriteBlock(b, true)});
  }
  if (leaves.size() == 1) return leaves[0].bid;
  if (leaves.size() > siEntries) throw std::runtime_error("too many subnodes");
  Bytes b = SubnodeHeader(f, 1, leaves.size());
  for (const Leaf& l : leaves) {  // SIENTRY: nid, bid
    AppendId(b, l.firstNid, id);
    AppendId(b, l.bid, id);
  }
  return store.WriteBlock(b, true);
}

}  // namespace pstgen
