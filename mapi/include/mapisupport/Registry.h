// Registry readers of the MAPI library search.
#pragma once
#include "win32/registry.h"
#include "win32/types.h"

// Reads one REG_SZ, REG_DWORD or REG_MULTI_SZ value into a buffer that the
// caller frees with delete[] (as BYTE*). The buffer always ends in two zero
// bytes beyond the value's size, so a string stored without its terminator,
// or a REG_DWORD read as text, never runs past its end.
HRESULT HrGetRegistryValue(HKEY hKey, LPCWSTR lpszValue, DWORD* lpType, LPVOID* lppData);
// The same through RegQueryValueExA: strings come as 8-bit text.
HRESULT HrGetRegistryValueA(HKEY hKey, LPCSTR lpszValue, DWORD* lpType, LPVOID* lppData);
