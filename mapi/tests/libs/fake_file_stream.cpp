// A small MAPI library whose OpenStreamOnFileW opens a real file stream,
// with MAPI buffers on the C heap; for the MIME save tests.
#include <cstdlib>

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
