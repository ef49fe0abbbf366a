// The B-tree on a heap (BTH): records of a fixed key and data size, in
// index levels of heap items above the leaf records.
#pragma once

#include <functional>

#include "pst/ltp_heap.h"

namespace pst::ltp {

class Bth {
 public:
  // BTHHEADER at `hid`.
  Bth(const Heap& heap, uint32_t hid);
  size_t KeySize() const { return keySize_; }
  size_t DataSize() const { return dataSize_; }
  // Every leaf record in key order.
  void ForEach(const std::function<void(const uint8_t* key, const uint8_t* data)>& f) const;

 private:
  void Walk(uint32_t hid, int level, const std::function<void(const uint8_t*, const uint8_t*)>& f) const;
  const Heap* heap_;
  size_t keySize_ = 0, dataSize_ = 0;
  int levels_ = 0;
  uint32_t root_ = 0;
  mutable size_t visited_ = 0;
};

}  // namespace pst::ltp
