// COM library: per-thread initialisation, task memory, GUID creation and
// in-process activation through the registry.
#pragma once

#include <filesystem>
#include <string_view>

#include "com/unknown.h"
#include "win32/guid.h"

constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// S_FALSE from CoInitialize*: already initialised on this thread (still counted).
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();

LPVOID CoTaskMemAlloc(SIZE_T cb);
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
void CoTaskMemFree(LPVOID pv);

// The task allocator: blocks of CoTaskMemAlloc.
struct IMalloc : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0x00000002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual void* STDMETHODCALLTYPE Alloc(SIZE_T cb) = 0;
  virtual void* STDMETHODCALLTYPE Realloc(void* pv, SIZE_T cb) = 0;
  virtual void STDMETHODCALLTYPE Free(void* pv) = 0;
  // The usable size of the block (at least what was asked for); (SIZE_T)-1 for null.
  virtual SIZE_T STDMETHODCALLTYPE GetSize(void* pv) = 0;
  // 1 when the block is this allocator's, 0 when not, -1 when it cannot tell.
  virtual int STDMETHODCALLTYPE DidAlloc(void* pv) = 0;
  virtual void STDMETHODCALLTYPE HeapMinimize() = 0;

 protected:
  ~IMalloc() = default;
};
using LPMALLOC = IMalloc*;
inline constexpr const IID& IID_IMalloc = IMalloc::kIid;

constexpr DWORD MEMCTX_TASK = 1;
// The process's one task allocator (dwMemContext must be MEMCTX_TASK); the
// reference handed out needs no Release, as it never goes away.
HRESULT CoGetMalloc(DWORD dwMemContext, LPMALLOC* ppMalloc);

struct IClassFactory : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};
inline constexpr const IID& IID_IClassFactory = IClassFactory::kIid;

// What an in-process server exports with C linkage under this name.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID riid, void** ppv);

// In-process activation from the registry: the InprocServer32 key of
// HKEY_CLASSES_ROOT\CLSID\{clsid} names a shared object exporting
// DllGetClassObject.
// REGDB_E_CLASSNOTREG when the class is not registered (or only other
// contexts than in-process are asked for), CLASS_E_CLASSNOTAVAILABLE when
// the server does not serve it, CO_E_NOTINITIALIZED before CoInitialize.
// Server libraries stay loaded for the life of the process.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
// HKEY_CLASSES_ROOT\<ProgID>\CLSID; CO_E_CLASSSTRING when it is not there.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);

namespace com {
// Cleared by the last CoUninitialize of the thread.
bool IsInitialized();

// COM initialised on this thread for the holder's lifetime (CoInitialize,
// and CoUninitialize when that succeeded).
class InitializeScope {
 public:
  InitializeScope() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~InitializeScope() {
    if (initialized_) CoUninitialize();
  }
  InitializeScope(const InitializeScope&) = delete;
  InitializeScope& operator=(const InitializeScope&) = delete;

 private:
  bool initialized_;
};

// Registers an in-process server in the machine's registry: the class's
// InprocServer32 (the library's path) and, when progId is given, the ProgID
// in both directions.
HRESULT RegisterInprocServer(REFCLSID clsid, std::u16string_view progId, const std::filesystem::path& library);

// The class factory an in-process server hands out for class T: each
// CreateInstance makes a new T (no aggregation).
template <class T>
class ClassFactory final : public ComObject<IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return Make<T>()->QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// DllGetClassObject's answer for class T.
template <class T>
HRESULT GetClassObject(REFIID riid, void** ppv) {
  return Make<ClassFactory<T>>()->QueryInterface(riid, ppv);
}
}  // namespace com
