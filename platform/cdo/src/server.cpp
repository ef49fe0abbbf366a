// The server's entry point: one class factory per class.
#include "cdo/ado.h"
#include "cdo/cdo.h"
#include "cdo_objects.h"

namespace cdo {
namespace {

class Factory final : public com::ComObject<IClassFactory> {
 public:
  explicit Factory(ComPtr<IUnknown> (*make)()) : make_(make) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return make_()->QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  ComPtr<IUnknown> (*make_)();
};

}  // namespace
}  // namespace cdo

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IUnknown> (*make)() = nullptr;
  if (clsid == ADODB::CLSID_Stream)
    make = cdo::NewStream;
  else if (clsid == CDO::CLSID_Message)
    make = cdo::NewMessage;
  else
    return CLASS_E_CLASSNOTAVAILABLE;
  return com::Make<cdo::Factory>(make)->QueryInterface(riid, ppv);
}
