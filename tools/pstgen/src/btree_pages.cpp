#include "btree_pages.h"

#include <functional>
#include <stdexcept>

#include "crc.h"
#include "layout.h"

namespace pstgen {
namespace {

constexpr std::size_t kEntriesArea = 488;
constexpr std::size_t kBtEntrySize = 24;   // BTENTRY: btkey, BREF
constexpr std::size_t kBbtEntrySize = 24;  // BBTENTRY: BREF, cb, cRef, dwPadding
constexpr std::size_t kNbtEntrySize = 32;  // NBTENTRY: nid, bidData, bidSub, nidParent, dwPadding

struct Child {
  std::uint64_t key;
  BlockRef ref;
};

// One BTPAGE: entries, cEnt, cEntMax, cbEnt, cLevel, dwPadding, trailer.
Child WritePage(BlockStore& store, PageType type, std::uint8_t level, std::size_t entrySize, std::size_t count,
                std::uint64_t firstKey, const std::function<void(Bytes&, std::size_t, std::size_t)>& put) {
  Bytes page(kPageSize, 0);
  for (std::size_t i = 0; i < count; ++i) put(page, i * entrySize, i);
  page[488] = std::uint8_t(count);
  page[489] = std::uint8_t(kEntriesArea / entrySize);
  page[490] = std::uint8_t(entrySize);
  page[491] = level;
  std::uint64_t bid = store.NewPageBid();
  std::uint64_t ib = store.file().AllocatePage();
  page[496] = std::uint8_t(type);
  page[497] = std::uint8_t(type);
  PutAt<std::uint16_t>(page, 498, ComputeSig(ib, bid));
  PutAt<std::uint32_t>(page, 500, ComputeCrc(page.data(), kPageDataSize));
  PutAt<std::uint64_t>(page, 504, bid);
  store.file().Write(ib, page);
  return {firstKey, {bid, ib}};
}

// Leaves from the entries, then index levels until one page remains.
BlockRef WriteTree(BlockStore& store, PageType type, std::size_t count, std::size_t leafEntrySize,
                   const std::function<std::uint64_t(std::size_t)>& keyOf,
                   const std::function<void(Bytes&, std::size_t, std::size_t)>& putLeaf) {
  if (count == 0) throw std::logic_error("empty B-tree");
  std::size_t perLeaf = kEntriesArea / leafEntrySize;
  std::vector<Child> level;
  for (std::size_t i = 0; i < count; i += perLeaf) {
    std::size_t n = std::min(perLeaf, count - i);
    level.push_back(WritePage(store, type, 0, leafEntrySize, n, keyOf(i),
                              [&](Bytes& p, std::size_t at, std::size_t j) { putLeaf(p, at, i + j); }));
  }
  const std::size_t perIndex = kEntriesArea / kBtEntrySize;
  for (std::uint8_t depth = 1; level.size() > 1; ++depth) {
    std::vector<Child> up;
    for (std::size_t i = 0; i < level.size(); i += perIndex) {
      std::size_t n = std::min(perIndex, level.size() - i);
      up.push_back(WritePage(store, type, depth, kBtEntrySize, n, level[i].key,
                             [&](Bytes& p, std::size_t at, std::size_t j) {
                               const Child& c = level[i + j];
                               PutAt<std::uint64_t>(p, at, c.key);
                               PutAt<std::uint64_t>(p, at + 8, c.ref.bid);
                               PutAt<std::uint64_t>(p, at + 16, c.ref.ib);
                             }));
    }
    level = std::move(up);
  }
  return level[0].ref;
}

}  // namespace

BlockRef WriteNbt(BlockStore& store, const std::vector<NbtEntry>& e) {
  return WriteTree(store, PageType::kNbt, e.size(), kNbtEntrySize, [&](std::size_t i) { return e[i].nid; },
                   [&](Bytes& p, std::size_t at, std::size_t i) {
                     PutAt<std::uint64_t>(p, at, e[i].nid);
                     PutAt<std::uint64_t>(p, at + 8, e[i].bidData);
                     PutAt<std::uint64_t>(p, at + 16, e[i].bidSub);
                     PutAt<std::uint32_t>(p, at + 24, e[i].nidParent);
                   });
}

BlockRef WriteBbt(BlockStore& store, const std::vector<BbtEntry>& e) {
  return WriteTree(store, PageType::kBbt, e.size(), kBbtEntrySize, [&](std::size_t i) { return e[i].bid; },
                   [&](Bytes& p, std::size_t at, std::size_t i) {
                     PutAt<std::uint64_t>(p, at, e[i].bid);
                     PutAt<std::uint64_t>(p, at + 8, e[i].ib);
                     PutAt<std::uint16_t>(p, at + 16, e[i].cb);
                     PutAt<std::uint16_t>(p, at + 18, e[i].cRef);
                   });
}

}  // namespace pstgen
