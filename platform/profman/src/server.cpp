// The server's entry: the class objects of ProfMan.Profiles and
// ProfMan.PropertyBag.
#include "com/com.h"
#include "profile_objects.h"
#include "profman/profman.h"
#include "property_bag.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (clsid == profman::CLSID_Profiles) return com::GetClassObject<profman::Profiles>(riid, ppv);
  if (clsid == profman::CLSID_PropertyBag) return com::GetClassObject<profman::PropertyBag>(riid, ppv);
  return CLASS_E_CLASSNOTAVAILABLE;
}
