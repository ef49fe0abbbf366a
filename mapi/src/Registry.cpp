// Registry readers of the MAPI library search.
#include "mapisupport/Registry.h"

#include <cstring>
#include <new>

#include "mapisupport/ErrorLog.h"
#include "win32/errors.h"

namespace {

// Room after the value so that text always finds a terminator.
constexpr DWORD kPadding = 2;

bool Readable(DWORD type) { return type == REG_SZ || type == REG_DWORD || type == REG_MULTI_SZ; }

HRESULT FromWin32(LSTATUS status) {
  SetLastError(static_cast<DWORD>(status));
  return CheckLastError(__FILE__, __LINE__, "RegQueryValueEx");
}

// query(type, data, size) is RegQueryValueExW or RegQueryValueExA.
template <class Query>
HRESULT GetValue(Query query, DWORD* lpType, LPVOID* lppData) {
  if (!lppData) return E_INVALIDARG;
  *lppData = nullptr;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (query(&type, nullptr, &size) != ERROR_SUCCESS || size == 0) return E_INVALIDARG;
  if (lpType) *lpType = type;
  if (!Readable(type)) return E_INVALIDARG;
  BYTE* data = new (std::nothrow) BYTE[size + kPadding];
  if (!data) return E_OUTOFMEMORY;
  std::memset(data, 0, size + kPadding);
  const LSTATUS status = query(&type, data, &size);
  if (status != ERROR_SUCCESS) {
    delete[] data;
    return FromWin32(status);
  }
  if (lpType) *lpType = type;
  *lppData = data;
  return S_OK;
}

}  // namespace

HRESULT HrGetRegistryValue(HKEY hKey, LPCWSTR lpszValue, DWORD* lpType, LPVOID* lppData) {
  return GetValue([&](DWORD* type, BYTE* data,
                      DWORD* size) { return RegQueryValueExW(hKey, lpszValue, nullptr, type, data, size); },
                  lpType, lppData);
}

HRESULT HrGetRegistryValueA(HKEY hKey, LPCSTR lpszValue, DWORD* lpType, LPVOID* lppData) {
  return GetValue([&](DWORD* type, BYTE* data,
                      DWORD* size) { return RegQueryValueExA(hKey, lpszValue, nullptr, type, data, size); },
                  lpType, lppData);
}
