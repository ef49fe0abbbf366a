#include "ltp.h"

#include "data_tree.h"
#include "layout.h"
#include "mapi/mapitags.h"

namespace pstgen {

std::uint32_t Subnodes::AddValue(BlockStore& store, const Bytes& data) {
  std::uint32_t nid = std::uint32_t(MakeNid(nextLtp_++, kNidTypeLtp));
  entries_.push_back({nid, WriteStream(store, data), 0});
  return nid;
}

std::size_t FixedSize(std::uint32_t type) {
  switch (type) {
    case PT_BOOLEAN: return 1;
    case PT_I2: return 2;
    case PT_LONG: case PT_R4: case PT_ERROR: return 4;
    case PT_DOUBLE: case PT_CURRENCY: case PT_APPTIME: case PT_I8: case PT_SYSTIME: return 8;
    default: return 0;
  }
}

std::uint32_t StoreValue(Heap& heap, BlockStore& store, Subnodes& subs, const Bytes& value) {
  if (value.size() <= kMaxHeapItem) return heap.Allocate(value);
  return subs.AddValue(store, value);
}

}  // namespace pstgen
