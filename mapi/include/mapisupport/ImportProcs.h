// Run-time MAPI binding. MAPI is not linked: the library is found through
// the registry and the installer, loaded with LoadLibraryW, and each entry
// point bound with GetProcAddress into a slot of g_MAPIFuncs. The first use
// of an empty slot runs AutoLoadMAPI; there is no memory of a failed load.
#pragma once
#include <cstddef>

#include "win32/library.h"
#include "win32/registry.h"
#include "win32/types.h"

// One row of g_MAPIFuncs: the slot it fills and the export name it binds.
struct MAPI_EXPORT_SLOT {
  FARPROC* lpSlot;
  const char* szName;
};

// The slots, empty at start; a filled slot is never emptied.
#define MAPI_EXPORT(name) extern FARPROC pfn##name;
#define MAPI_EXPORT_DECORATED(name, bytes) MAPI_EXPORT(name)
#include "mapisupport/MAPIExports.def"
#undef MAPI_EXPORT
#undef MAPI_EXPORT_DECORATED

constexpr std::size_t kMAPIExportRows = 59;
extern const MAPI_EXPORT_SLOT g_MAPIFuncs[kMAPIExportRows];

void AutoLoadMAPI();
void LoadMAPIFuncs(HMODULE hMod);
HMODULE MyLoadLibrary(LPCWSTR lpszLibFileName);
HMODULE LoadFromSystemDir(LPCWSTR szDLLName);
void LoadFGetComponentPath();
// lpszPath holds MAX_PATH units.
BOOL GetComponentPath(LPCSTR szComponent, LPSTR szQualifier, LPWSTR lpszPath);
HKEY GetMailKey();
// Each requested string is allocated with new[] for the caller, or stays
// null. A value stored as REG_DWORD comes back as its decimal text.
void GetMapiMsiIds(LPSTR* lpszComponent, LPSTR* lpszAppLCID, LPSTR* lpszOfficeLCID);
// lpszPath holds MAX_PATH units; empty when no library was found.
void FindMAPIPath(LPWSTR lpszPath);

// The slot rule for a slot test: the bound entry point as type Fn, after
// one AutoLoadMAPI when the slot is empty; null when it cannot be bound.
template <class Fn>
Fn MAPISlot(FARPROC& slot) {
  if (!slot) AutoLoadMAPI();
  return reinterpret_cast<Fn>(slot);
}

// 8-bit text in the ANSI code page, allocated with new[] for the caller.
// No input: S_OK and no output.
HRESULT UnicodeToAnsi(LPCWSTR pszW, LPSTR* ppszA);
