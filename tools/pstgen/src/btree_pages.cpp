#include "btree_pages.h"

#include <functional>
#include <stdexcept>

#include "crc.h"
#include "trailers.h"

namespace pstgen {
namespace {

struct Child {
  std::uint64_t key;
  BlockRef ref;
};

// One BTPAGE: entries, cEnt, cEntMax, cbEnt, cLevel, (Unicode: dwPadding), trailer.
Child WritePage(BlockStore& store, PageType type, std::uint8_t level, std::size_t entrySize, std::size_t count,
                std::uint64_t firstKey, const std::function<void(Bytes&, std::size_t, std::size_t)>& put) {
  const FormatLayout& f = store.layout();
  Bytes page(kPageSize, 0);
  for (std::size_t i = 0; i < count; ++i) put(page, i * entrySize, i);
  std::size_t at = f.btEntriesArea;
  page[at] = std::uint8_t(count);
  page[at + 1] = std::uint8_t(f.btEntriesArea / entrySize);
  page[at + 2] = std::uint8_t(entrySize);
  page[at + 3] = level;
  std::uint64_t bid = store.NewPageBid();
  std::uint64_t ib = store.file().AllocatePage();
  PutPageTrailer(page, f, type, ComputeSig(ib, bid), bid);
  store.file().Write(ib, page);
  return {firstKey, {bid, ib}};
}

// Leaves from the entries, then index levels until one page remains.
BlockRef WriteTree(BlockStore& store, PageType type, std::size_t count, std::size_t leafEntrySize,
                   const std::function<std::uint64_t(std::size_t)>& keyOf,
                   const std::function<void(Bytes&, std::size_t, std::size_t)>& putLeaf) {
  if (count == 0) throw std::logic_error("empty B-tree");
  const FormatLayout& f = store.layout();
  const std::size_t id = f.idSize;
  std::size_t perLeaf = f.btEntriesArea / leafEntrySize;
  std::vector<Child> level;
  for (std::size_t i = 0; i < count; i += perLeaf) {
    std::size_t n = std::min(perLeaf, count - i);
    level.push_back(WritePage(store, type, 0, leafEntrySize, n, keyOf(i),
                              [&](Bytes& p, std::size_t at, std::size_t j) { putLeaf(p, at, i + j); }));
  }
  const std::size_t perIndex = f.btEntriesArea / f.btEntrySize;
  for (std::uint8_t depth = 1; level.size() > 1; ++depth) {
    std::vector<Child> up;
    for (std::size_t i = 0; i < level.size(); i += perIndex) {
      std::size_t n = std::min(perIndex, level.size() - i);
      up.push_back(WritePage(store, type, depth, f.btEntrySize, n, level[i].key,
                             [&](Bytes& p, std::size_t at, std::size_t j) {  // BTENTRY: btkey, BREF
                               const Child& c = level[i + j];
                               PutIdAt(p, at, c.key, id);
                               PutIdAt(p, at + id, c.ref.bid, id);
                               PutIdAt(p, at + 2 * id, c.ref.ib, id);
                             }));
    }
    level = std::move(up);
  }
  return level[0].ref;
}

}  // namespace

BlockRef WriteNbt(BlockStore& store, const std::vector<NbtEntry>& e) {
  const std::size_t id = store.layout().idSize;
  // NBTENTRY: nid, bidData, bidSub, nidParent (Unicode: dwPadding).
  return WriteTree(store, PageType::kNbt, e.size(), store.layout().nbtEntrySize,
                   [&](std::size_t i) { return e[i].nid; },
                   [&](Bytes& p, std::size_t at, std::size_t i) {
                     PutIdAt(p, at, e[i].nid, id);
                     PutIdAt(p, at + id, e[i].bidData, id);
                     PutIdAt(p, at + 2 * id, e[i].bidSub, id);
                     PutAt<std::uint32_t>(p, at + 3 * id, e[i].nidParent);
                   });
}

BlockRef WriteBbt(BlockStore& store, const std::vector<BbtEntry>& e) {
  const std::size_t id = store.layout().idSize;
  // BBTENTRY: BREF, cb, cRef (Unicode: dwPadding).
  return WriteTree(store, PageType::kBbt, e.size(), store.layout().bbtEntrySize,
                   [&](std::size_t i) { return e[i].bid; },
                   [&](Bytes& p, std::size_t at, std::size_t i) {
                     PutIdAt(p, at, e[i].bid, id);
                     PutIdAt(p, at + id, e[i].ib, id);
                     PutAt<std::uint16_t>(p, at + 2 * id, e[i].cb);
                     PutAt<std::uint16_t>(p, at + 2 * id + 2, e[i].cRef);
                   });
}

}  // namespace pstgen
