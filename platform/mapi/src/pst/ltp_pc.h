// The property context (PC) of a node: a BTH from property id to type and
// value, the value held in place (up to 4 bytes), in a heap item or in a
// subnode. Values are read when asked for, large ones piecewise.
#pragma once

#include <optional>
#include <vector>

#include "pst/ltp_bth.h"

namespace pst::ltp {

// A value's bytes, read piecewise: a heap item's or a subnode's data.
class ValueStream {
 public:
  ValueStream() = default;
  explicit ValueStream(HeapItem item) : item_(std::move(item)) {}
  explicit ValueStream(ndb::DataTree tree) : tree_(std::move(tree)) {}
  uint64_t Size() const { return tree_ ? tree_->Size() : item_.size; }
  size_t Read(uint64_t offset, uint8_t* buffer, size_t size);

 private:
  HeapItem item_;
  std::optional<ndb::DataTree> tree_;
};

// The stored type of a property; values of these types sit in the record.
bool HeldInPlace(uint16_t type);
// The bytes of a type held in place.
size_t InPlaceSize(uint16_t type);

struct PcProp {
  uint32_t tag = 0;    // id and stored type
  uint32_t value = 0;  // the value in place, or its HNID
};

class PropertyContext {
 public:
  // Reads the heap and the BTH records (not the values).
  PropertyContext(ndb::NdbFile& file, const ndb::Node& node);

  const std::vector<PcProp>& Props() const { return props_; }
  const PcProp* Find(uint16_t id) const;
  Bytes Value(const PcProp& p) const;
  uint64_t SizeOf(const PcProp& p) const;
  ValueStream Open(const PcProp& p) const;
  const Heap& HeapOf() const { return heap_; }

 private:
  Heap heap_;
  std::vector<PcProp> props_;
};

// A value in a heap or subnode (an HNID) opened as a stream.
ValueStream OpenHnid(const Heap& heap, uint32_t hnid);

}  // namespace pst::ltp
