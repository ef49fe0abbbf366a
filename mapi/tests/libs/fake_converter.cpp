// A MIME converter for the save tests, served in-process like the real one.
// FAKE_CONVERTER_MODE picks what MAPIToMIMEStm does: "ok" writes a small
// message, "warn" writes it and answers a warning, "fail" answers an error,
// "throw" raises an exception. FakeConverter_Alive counts live objects.
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "com/com.h"
#include "com/unknown.h"
#include "mapi/mimeconv.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

namespace {

int g_alive = 0;

std::string Mode() {
  const char* mode = std::getenv("FAKE_CONVERTER_MODE");
  return mode ? mode : "ok";
}

class Converter final : public com::ComObject<IConverterSession> {
 public:
  Converter() { ++g_alive; }
  ~Converter() override { --g_alive; }
  HRESULT STDMETHODCALLTYPE SetAdrBook(LPADRBOOK pab) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetEncoding(ENCODINGTYPE et) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PlaceHolder1() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MIMEToMAPI(LPSTREAM pstm, LPMESSAGE pmsg, LPCSTR pszSrcSrv, ULONG ulFlags) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE MAPIToMIMEStm(LPMESSAGE pmsg, LPSTREAM pstm, ULONG ulFlags) override {
    const std::string mode = Mode();
    if (mode == "throw") throw std::runtime_error("converter failure");
    if (mode == "fail") return static_cast<HRESULT>(0x80040605u);
    const std::string text = "Subject: fake " + std::to_string(ulFlags) + "\r\n\r\nbody\r\n";
    ULONG written = 0;
    const HRESULT hr = pstm->Write(text.data(), static_cast<ULONG>(text.size()), &written);
    if (FAILED(hr)) return hr;
    return mode == "warn" ? 0x00040680 : S_OK;
  }
  HRESULT STDMETHODCALLTYPE PlaceHolder2() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PlaceHolder3() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PlaceHolder4() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTextWrapping(BOOL fWrapText, ULONG ulWrapWidth) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSaveFormat(CCSF_SAVE_FORMAT mstSaveFormat) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PlaceHolder5() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetCharset(BOOL fApply, void* hcharset, int csetapplytype) override { return E_NOTIMPL; }
};

class Factory final : public com::ComObject<IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    const auto converter = com::Make<Converter>();
    return converter->QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (clsid != CLSID_IConverterSession) return CLASS_E_CLASSNOTAVAILABLE;
  const auto factory = com::Make<Factory>();
  return factory->QueryInterface(riid, ppv);
}

extern "C" int FakeConverter_Alive() { return g_alive; }
