// ADO's Stream: opened empty, loaded from a file into memory, read through
// IStream by CDO.
#include "cdo/ado.h"
#include "cdo_objects.h"
#include "win32/text.h"

namespace cdo {
namespace {

class Stream final : public com::DispatchObject<Stream, ADODB::_Stream, IStream> {
 public:
  static std::span<const com::DispatchMember<Stream>> Members() { return {}; }

  HRESULT STDMETHODCALLTYPE Open(VARIANT Source, ADODB::ConnectModeEnum, ADODB::StreamOpenOptionsEnum, BSTR,
                                 BSTR) override {
    if (content_) return ADODB::adErrObjectOpen;
    const bool leftOut = Source.vt == VT_EMPTY || (Source.vt == VT_ERROR && Source.scode == DISP_E_PARAMNOTFOUND);
    if (!leftOut) return ADODB::adErrInvalidArgument;
    return CreateStreamOnHGlobal(nullptr, TRUE, content_.ReleaseAndGetAddressOf());
  }

  HRESULT STDMETHODCALLTYPE LoadFromFile(BSTR FileName) override {
    if (!content_) return ADODB::adErrObjectClosed;
    if (!FileName || !*FileName) return ADODB::adErrInvalidArgument;
    ComPtr<IStream> file, loaded;
    if (FAILED(SHCreateStreamOnFileW(FileName, STGM_READ, file.ReleaseAndGetAddressOf())))
      return ADODB::adErrOpeningFile;
    if (HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, loaded.ReleaseAndGetAddressOf()); FAILED(hr)) return hr;
    ULONGLONG read = 0, written = 0;
    if (FAILED(com::CopyStream(file.Get(), loaded.Get(), ~0ULL, &read, &written))) return ADODB::adErrOpeningFile;
    LARGE_INTEGER start{};
    loaded->Seek(start, STREAM_SEEK_SET, nullptr);
    content_ = std::move(loaded);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Close() override {
    if (!content_) return ADODB::adErrObjectClosed;
    content_.Reset();
    return S_OK;
  }

  // IStream over the content; a closed stream has none.
  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* read) override {
    return content_ ? content_->Read(pv, cb, read) : ADODB::adErrObjectClosed;
  }
  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* written) override {
    return content_ ? content_->Write(pv, cb, written) : ADODB::adErrObjectClosed;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
    return content_ ? content_->Seek(move, origin, position) : ADODB::adErrObjectClosed;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
    return content_ ? content_->SetSize(size) : ADODB::adErrObjectClosed;
  }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override {
    return content_ ? content_->CopyTo(target, cb, read, written) : ADODB::adErrObjectClosed;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* st, DWORD flag) override {
    return content_ ? content_->Stat(st, flag) : ADODB::adErrObjectClosed;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  ComPtr<IStream> content_;  // null while the stream is closed
};

}  // namespace

ComPtr<IUnknown> NewStream() { return ComPtr<IUnknown>(static_cast<ADODB::_Stream*>(com::Make<Stream>().Get())); }

}  // namespace cdo
