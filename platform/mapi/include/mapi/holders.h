// RAII holders for MAPI buffers and row sets.
#pragma once

#include <memory>

#include "mapi/mapix.h"

namespace mapi {

struct BufferFree {
  void operator()(void* p) const noexcept { MAPIFreeBuffer(p); }
};
struct RowSetFree {
  void operator()(SRowSet* p) const noexcept { FreeProws(p); }
};

// The buffers MAPIAllocateBuffer gave that MAPIFreeBuffer has not freed yet
// (blocks of MAPIAllocateMore go with their first): what leak tests count.
long LiveBuffers();

// A MAPI buffer (with its linked blocks), freed with MAPIFreeBuffer.
template <class T>
using Buffer = std::unique_ptr<T, BufferFree>;
using RowSet = std::unique_ptr<SRowSet, RowSetFree>;

// Out-parameter adapter: Call(&*out.Slot()) style for MAPI calls.
//   mapi::Buffer<SPropValue> v; HrGetOneProp(obj, tag, mapi::Out(v));
template <class T, class D>
class OutPtr {
 public:
  explicit OutPtr(std::unique_ptr<T, D>& owner) : owner_(owner) {}
  ~OutPtr() { owner_.reset(raw_); }
  operator T**() noexcept { return &raw_; }
  operator void**() noexcept { return reinterpret_cast<void**>(&raw_); }

 private:
  std::unique_ptr<T, D>& owner_;
  T* raw_ = nullptr;
};
template <class T, class D>
OutPtr<T, D> Out(std::unique_ptr<T, D>& owner) {
  return OutPtr<T, D>(owner);
}

}  // namespace mapi
