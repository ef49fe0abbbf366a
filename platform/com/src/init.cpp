#include <cstdlib>
#include <cstring>
#include <random>

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

HRESULT CoCreateGuid(GUID* pguid) {
  if (!pguid) return E_INVALIDARG;
  thread_local std::mt19937_64 gen{std::random_device{}()};
  BYTE raw[16];
  for (int i = 0; i < 16; i += 8) {
    std::uint64_t v = gen();
    std::memcpy(raw + i, &v, 8);
  }
  raw[7] = static_cast<BYTE>((raw[7] & 0x0F) | 0x40);  // version 4 (Data3's high nibble)
  raw[8] = static_cast<BYTE>((raw[8] & 0x3F) | 0x80);  // RFC 4122 variant
  std::memcpy(&pguid->Data1, raw, 4);
  std::memcpy(&pguid->Data2, raw + 4, 2);
  std::memcpy(&pguid->Data3, raw + 6, 2);
  std::memcpy(pguid->Data4, raw + 8, 8);
  return S_OK;
}
