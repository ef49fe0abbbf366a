// The server's entry: the class object of Redemption.RDOSession.
#include "com/com.h"
#include "redemption/redemption.h"
#include "session.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (clsid != redemption::CLSID_RDOSession) return CLASS_E_CLASSNOTAVAILABLE;
  return com::GetClassObject<redemption::RDOSession>(riid, ppv);
}
