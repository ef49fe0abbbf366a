#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "com/com.h"
#include "win32/guid.h"
#include "win32/library.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace {

std::u16string ClsidKey(REFCLSID clsid) { return u"CLSID\\" + win32::GuidToString(clsid); }

// Each server library is loaded once and kept: objects it made may outlive
// any one activation.
HRESULT ServerEntry(const std::u16string& path, DllGetClassObjectFn* entry) {
  static std::mutex mutex;
  static std::map<std::u16string, HMODULE> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  HMODULE& module = loaded[path];
  if (!module) module = LoadLibraryW(path.c_str());
  if (!module) {
    loaded.erase(path);
    return HRESULT_FROM_WIN32(GetLastError());
  }
  *entry = win32::GetProc<DllGetClassObjectFn>(module, "DllGetClassObject");
  return *entry ? S_OK : CO_E_ERRORINDLL;
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (!com::IsInitialized()) return CO_E_NOTINITIALIZED;
  if (!(dwClsContext & CLSCTX_INPROC)) return REGDB_E_CLASSNOTREG;
  const auto path = win32::RegGetString(HKEY_CLASSES_ROOT, ClsidKey(rclsid) + u"\\InprocServer32", u"");
  if (!path || path->empty()) return REGDB_E_CLASSNOTREG;
  DllGetClassObjectFn entry = nullptr;
  HRESULT hr = ServerEntry(*path, &entry);
  return FAILED(hr) ? hr : entry(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(pUnkOuter, riid, ppv);
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  *lpclsid = GUID_NULL;
  const std::u16string_view progId = win32::WideView(lpszProgID);
  if (progId.empty() || progId.find(u'\\') != std::u16string_view::npos) return CO_E_CLASSSTRING;
  const auto text = win32::RegGetString(HKEY_CLASSES_ROOT, std::u16string(progId) + u"\\CLSID", u"");
  GUID clsid;
  if (!text || !win32::ParseGuid(*text, clsid)) return CO_E_CLASSSTRING;
  *lpclsid = clsid;
  return S_OK;
}

namespace com {

HRESULT RegisterInprocServer(REFCLSID clsid, std::u16string_view progId, const std::filesystem::path& library) {
  const std::u16string key = ClsidKey(clsid);
  const std::u16string clsidText = win32::GuidToString(clsid);
  struct Value {
    std::u16string path, name, value;
  };
  std::vector<Value> values = {
      {key + u"\\InprocServer32", u"", win32::Utf8ToUtf16(library.string())},
      {key + u"\\InprocServer32", u"ThreadingModel", u"Both"},
  };
  if (!progId.empty()) {
    const std::u16string id(progId);
    values.push_back({key, u"", id});
    values.push_back({key + u"\\ProgID", u"", id});
    values.push_back({id, u"", id});
    values.push_back({id + u"\\CLSID", u"", clsidText});
  }
  for (const Value& v : values) {
    LSTATUS st = win32::RegSetString(HKEY_CLASSES_ROOT, v.path, v.name, v.value);
    if (st != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<DWORD>(st));
  }
  return S_OK;
}

}  // namespace com
