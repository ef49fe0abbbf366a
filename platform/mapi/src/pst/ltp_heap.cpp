#include "pst/ltp_heap.h"

namespace pst::ltp {
namespace {

constexpr uint8_t kHeapSig = 0xEC;

}  // namespace

// HNHDR: ibHnpm, bSig, bClientSig, hidUserRoot, rgbFillLevel.
Heap::Heap(ndb::NdbFile& file, const ndb::Node& node) : file_(&file), node_(node), tree_(file, node.dataBid) {
  auto where = [&] { return "heap of node " + ndb::Hex(node.nid); };
  if (tree_.BlockCount() == 0) throw ndb::Damage(where() + ": no data");
  ndb::SharedBytes first = tree_.Block(0);
  if (first->size() < 12 || (*first)[2] != kHeapSig) throw ndb::Damage(where() + ": no heap signature");
  clientSig_ = (*first)[3];
  userRoot_ = ndb::Get32(first->data() + 4);
}

// HID: type (5 bits, 0), index (11 bits, from 1), block index (16 bits).
// Each page's HNPAGEMAP (at the page's first two bytes' offset): cAlloc,
// cFree, then cAlloc + 1 offsets.
HeapItem Heap::Get(uint32_t hid) const {
  if (hid == 0) return {};
  auto where = [&] { return "heap of node " + ndb::Hex(node_.nid) + ", item " + ndb::Hex(hid); };
  if (!IsHid(hid)) throw ndb::Damage(where() + ": not a heap id");
  const size_t index = (hid >> 5) & 0x7FF, page = hid >> 16;
  if (page >= tree_.BlockCount() || index == 0) throw ndb::Damage(where() + ": out of range");
  HeapItem item;
  item.block = tree_.Block(page);
  const Bytes& b = *item.block;
  if (b.size() < 2) throw ndb::Damage(where() + ": page too small");
  const size_t map = ndb::Get16(b.data());
  if (map + 4 > b.size()) throw ndb::Damage(where() + ": page map out of range");
  const size_t count = ndb::Get16(b.data() + map);
  if (index > count || map + 4 + 2 * (count + 1) > b.size()) throw ndb::Damage(where() + ": out of range");
  const size_t from = ndb::Get16(b.data() + map + 4 + 2 * (index - 1));
  const size_t to = ndb::Get16(b.data() + map + 4 + 2 * index);
  if (from > to || to > map) throw ndb::Damage(where() + ": bounds out of range");
  item.data = b.data() + from;
  item.size = to - from;
  return item;
}

ndb::DataTree Heap::Subnode(uint32_t nid) const {
  auto sub = ndb::FindSubnode(*file_, node_.subBid, nid);
  if (!sub) throw ndb::Damage("node " + ndb::Hex(node_.nid) + " lacks its subnode " + ndb::Hex(nid));
  return ndb::DataTree(*file_, sub->dataBid);
}

Bytes Heap::Read(uint32_t hnid) const {
  if (IsHid(hnid)) return Get(hnid).Copy();
  return Subnode(hnid).ReadAll();
}

uint64_t Heap::SizeOf(uint32_t hnid) const {
  if (IsHid(hnid)) return Get(hnid).size;
  return Subnode(hnid).Size();
}

}  // namespace pst::ltp
