// A small MAPI library whose OpenStreamOnFileW opens a real file stream,
// with MAPI buffers on the C heap, and FGetComponentPath; the system library
// of the MIME save tests.
#include <cstdlib>
#include <cstring>

#include "com/stream.h"

extern "C" {

SCODE MAPIAllocateBuffer(ULONG cb, LPVOID* out) {
  *out = std::malloc(cb ? cb : 1);
  return *out ? S_OK : E_OUTOFMEMORY;
}

ULONG MAPIFreeBuffer(LPVOID p) {
  std::free(p);
  return 0;
}

HRESULT OpenStreamOnFileW(void*, void*, ULONG flags, LPCWSTR path, LPCWSTR, LPSTREAM* stream) {
  return SHCreateStreamOnFileW(path, flags, stream);
}

}  // extern "C"

// Stands in for the installer: the MAPI library is the file named by
// FAKE_MAPI_COMPONENT_PATH, whatever component or qualifier is asked.
extern "C" BOOL FGetComponentPath(LPCSTR, LPSTR, LPSTR path, DWORD cb, BOOL) {
  const char* installed = std::getenv("FAKE_MAPI_COMPONENT_PATH");
  if (!installed || !cb) return FALSE;
  std::strncpy(path, installed, cb - 1);
  path[cb - 1] = 0;
  return TRUE;
}
