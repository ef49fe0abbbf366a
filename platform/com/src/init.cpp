#include <cstdlib>

#include "com/com.h"

namespace {
// CoInitialize and CoUninitialize pair up per thread.
thread_local ULONG t_initCount = 0;
}  // namespace

HRESULT CoInitializeEx(LPVOID, DWORD) {
  return t_initCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (t_initCount > 0) --t_initCount;
}

namespace com {
bool IsInitialized() { return t_initCount > 0; }
}  // namespace com

LPVOID CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) { return std::realloc(pv, cb ? cb : 1); }
void CoTaskMemFree(LPVOID pv) { std::free(pv); }
