// The task allocator behind CoGetMalloc: the CoTaskMem* functions.
#include <malloc.h>

#include "com/com.h"

namespace {

// Lives as long as the process: reference counting has nothing to free.
class TaskMalloc final : public IMalloc {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = riid == IID_IUnknown || riid == IID_IMalloc ? static_cast<IMalloc*>(this) : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  void* STDMETHODCALLTYPE Alloc(SIZE_T cb) override { return CoTaskMemAlloc(cb); }
  void* STDMETHODCALLTYPE Realloc(void* pv, SIZE_T cb) override {
    if (pv && cb == 0) {
      CoTaskMemFree(pv);
      return nullptr;
    }
    return CoTaskMemRealloc(pv, cb);
  }
  void STDMETHODCALLTYPE Free(void* pv) override { CoTaskMemFree(pv); }
  SIZE_T STDMETHODCALLTYPE GetSize(void* pv) override {
    return pv ? ::malloc_usable_size(pv) : static_cast<SIZE_T>(-1);
  }
  int STDMETHODCALLTYPE DidAlloc(void* pv) override { return pv ? -1 : 0; }
  void STDMETHODCALLTYPE HeapMinimize() override {}
};

TaskMalloc g_taskMalloc;

}  // namespace

HRESULT CoGetMalloc(DWORD dwMemContext, LPMALLOC* ppMalloc) {
  if (!ppMalloc) return E_INVALIDARG;
  *ppMalloc = nullptr;
  if (dwMemContext != MEMCTX_TASK) return E_INVALIDARG;
  *ppMalloc = &g_taskMalloc;
  return S_OK;
}
