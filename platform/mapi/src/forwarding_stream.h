// A stream that hands every call to another stream; the streams that add
// something to one call (a value set on Commit, an injected failure) derive
// from it and override that call.
#pragma once

#include "com/stream.h"
#include "com/unknown.h"

namespace mapi {

class ForwardingStream : public com::ComObject<IStream> {
 public:
  explicit ForwardingStream(ComPtr<IStream> inner) : inner_(std::move(inner)) {}

  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* read) override { return inner_->Read(pv, cb, read); }
  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* written) override {
    return inner_->Write(pv, cb, written);
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* pos) override {
    return inner_->Seek(move, origin, pos);
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return inner_->SetSize(size); }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override {
    return inner_->CopyTo(target, cb, read, written);
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return inner_->Commit(flags); }
  HRESULT STDMETHODCALLTYPE Revert() override { return inner_->Revert(); }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD type) override {
    return inner_->LockRegion(offset, cb, type);
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD type) override {
    return inner_->UnlockRegion(offset, cb, type);
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* st, DWORD flag) override { return inner_->Stat(st, flag); }
  HRESULT STDMETHODCALLTYPE Clone(IStream** out) override { return inner_->Clone(out); }

 protected:
  IStream* inner() const { return inner_.Get(); }

 private:
  ComPtr<IStream> inner_;
};

}  // namespace mapi
