#include "pst/ltp_bth.h"

namespace pst::ltp {
namespace {

constexpr uint8_t kBthSig = 0xB5;
// More records than a heap of 65,536 pages can hold: index levels that
// point back into themselves.
constexpr size_t kMaxRecords = size_t{1} << 24;

}  // namespace

// BTHHEADER: bType, cbKey, cbEnt, bIdxLevels, hidRoot.
Bth::Bth(const Heap& heap, uint32_t hid) : heap_(&heap) {
  HeapItem h = heap.Get(hid);
  auto where = [&] { return "B-tree on the heap of node " + ndb::Hex(heap.NodeOf().nid); };
  if (h.size < 8 || h.data[0] != kBthSig) throw ndb::Damage(where() + ": no BTH signature");
  keySize_ = h.data[1];
  dataSize_ = h.data[2];
  levels_ = h.data[3];
  root_ = ndb::Get32(h.data + 4);
  if (keySize_ == 0 || keySize_ > 8 || levels_ > 8) throw ndb::Damage(where() + ": sizes out of range");
}

void Bth::ForEach(const std::function<void(const uint8_t*, const uint8_t*)>& f) const {
  visited_ = 0;
  if (root_ != 0) Walk(root_, levels_, f);
}

// Index records: key, then the HID of the level below.
void Bth::Walk(uint32_t hid, int level, const std::function<void(const uint8_t*, const uint8_t*)>& f) const {
  HeapItem item = heap_->Get(hid);
  const size_t record = keySize_ + (level > 0 ? 4 : dataSize_);
  if (item.size % record != 0)
    throw ndb::Damage("B-tree on the heap of node " + ndb::Hex(heap_->NodeOf().nid) + ": records out of line");
  for (size_t at = 0; at < item.size; at += record) {
    if (++visited_ > kMaxRecords)
      throw ndb::Damage("B-tree on the heap of node " + ndb::Hex(heap_->NodeOf().nid) + ": too many records");
    const uint8_t* r = item.data + at;
    if (level > 0)
      Walk(ndb::Get32(r + keySize_), level - 1, f);
    else
      f(r, r + keySize_);
  }
}

}  // namespace pst::ltp
