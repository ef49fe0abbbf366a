#include "memory_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace com {
namespace {

// Far beyond any attachment; keeps a stray seek from asking for all memory.
constexpr ULONGLONG kMaxSize = ULONGLONG{1} << 36;

class MemoryStream final : public ComObject<IStream> {
 public:
  MemoryStream(std::shared_ptr<Bytes> data, bool writable, std::u16string name)
      : data_(std::move(data)), writable_(writable), name_(std::move(name)) {}

  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    const Bytes& b = *data_;
    ULONG n = pos_ >= b.size() ? 0 : static_cast<ULONG>(std::min<ULONGLONG>(cb, b.size() - pos_));
    if (n) std::memcpy(pv, b.data() + pos_, n);
    pos_ += n;
    if (pcbRead) *pcbRead = n;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!writable_) return STG_E_ACCESSDENIED;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    Bytes& b = *data_;
    if (pos_ + cb > kMaxSize) return STG_E_MEDIUMFULL;
    const auto* bytes = static_cast<const BYTE*>(pv);
    try {
      if (pos_ == b.size()) {
        b.insert(b.end(), bytes, bytes + cb);  // appending: no zero fill first
      } else {
        if (pos_ + cb > b.size()) b.resize(pos_ + cb);
        if (cb) std::memcpy(b.data() + pos_, bytes, cb);
      }
    } catch (const std::bad_alloc&) {
      return STG_E_INSUFFICIENTMEMORY;
    }
    pos_ += cb;
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    LONGLONG base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(pos_); break;
      case STREAM_SEEK_END: base = static_cast<LONGLONG>(data_->size()); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    LONGLONG target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    pos_ = static_cast<ULONGLONG>(target);
    if (newPosition) newPosition->QuadPart = pos_;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override {
    if (!writable_) return STG_E_ACCESSDENIED;
    if (newSize.QuadPart > kMaxSize) return STG_E_MEDIUMFULL;
    try {
      data_->resize(newSize.QuadPart);
    } catch (const std::bad_alloc&) {
      return STG_E_INSUFFICIENTMEMORY;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                   ULARGE_INTEGER* pcbWritten) override {
    ULONGLONG r = 0, w = 0;
    HRESULT hr = CopyStream(this, target, cb.QuadPart, &r, &w);
    if (pcbRead) pcbRead->QuadPart = r;
    if (pcbWritten) pcbWritten->QuadPart = w;
    return hr;
  }

  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }

  HRESULT STDMETHODCALLTYPE Stat(STATSTG* st, DWORD flag) override {
    if (!st) return STG_E_INVALIDPOINTER;
    *st = STATSTG{};
    st->type = STGTY_STREAM;
    st->cbSize.QuadPart = data_->size();
    st->grfMode = writable_ ? STGM_READWRITE : STGM_READ;
    if (!(flag & STATFLAG_NONAME) && !name_.empty()) {
      st->pwcsName = TaskMemString(name_);
      if (!st->pwcsName) return STG_E_INSUFFICIENTMEMORY;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override {
    if (!ppstm) return STG_E_INVALIDPOINTER;
    auto copy = Make<MemoryStream>(data_, writable_, name_);
    copy->pos_ = pos_;
    *ppstm = copy.Detach();
    return S_OK;
  }

 private:
  std::shared_ptr<Bytes> data_;
  bool writable_;
  std::u16string name_;
  ULONGLONG pos_ = 0;
};

}  // namespace

ComPtr<IStream> MakeMemoryStream(std::shared_ptr<Bytes> data, bool writable, std::u16string name) {
  return Make<MemoryStream>(std::move(data), writable, std::move(name));
}

}  // namespace com

HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL, LPSTREAM* ppstm) {
  if (!ppstm) return E_INVALIDARG;
  *ppstm = nullptr;
  if (hGlobal) return E_NOTIMPL;
  *ppstm = com::MakeMemoryStream(std::make_shared<com::Bytes>(), true, {}).Detach();
  return S_OK;
}
