// The converter's COM class, its class factory and the server's entry point.
#include <algorithm>
#include <string_view>

#include "com/com.h"
#include "mapi/mapicode.h"
#include "mapi/mimeconv.h"
#include "mime/mapi_reader.h"
#include "mime/mime_writer.h"

namespace mime {
namespace {

class ConverterSession final : public com::ComObject<IConverterSession> {
 public:
  HRESULT STDMETHODCALLTYPE SetAdrBook(LPADRBOOK) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetEncoding(ENCODINGTYPE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PlaceHolder1() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MIMEToMAPI(LPSTREAM, LPMESSAGE, LPCSTR, ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MAPIToMIMEStm(LPMESSAGE msg, LPSTREAM stream, ULONG) override {
    if (!msg || !stream) return E_INVALIDARG;
    Message model;
    HRESULT hr = ReadMapiMessage(msg, model);
    if (FAILED(hr)) return hr;
    return WriteAll(stream, WriteMessage(model));
  }
  HRESULT STDMETHODCALLTYPE PlaceHolder2() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PlaceHolder3() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PlaceHolder4() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTextWrapping(BOOL, ULONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetSaveFormat(CCSF_SAVE_FORMAT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PlaceHolder5() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetCharset(BOOL, void*, int) override { return S_OK; }

 private:
  static HRESULT WriteAll(IStream* stream, std::string_view bytes) {
    for (size_t done = 0; done < bytes.size();) {
      ULONG chunk = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 30));
      ULONG written = 0;
      HRESULT hr = stream->Write(bytes.data() + done, chunk, &written);
      if (FAILED(hr)) return hr;
      if (written == 0) return STG_E_MEDIUMFULL;
      done += written;
    }
    return S_OK;
  }
};

class Factory final : public com::ComObject<IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return com::Make<ConverterSession>()->QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace
}  // namespace mime

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (clsid != CLSID_IConverterSession) return CLASS_E_CLASSNOTAVAILABLE;
  return com::Make<mime::Factory>()->QueryInterface(riid, ppv);
}
