// Run-time MAPI binding: the library search, the slots and their loading.
#include "mapisupport/ImportProcs.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "ImportProcsState.h"
#include "mapisupport/ErrorLog.h"
#include "mapisupport/Registry.h"
#include "win32/codepage.h"
#include "win32/errors.h"
#include "win32/files.h"
#include "win32/text.h"

#define MAPI_EXPORT(name) FARPROC pfn##name = nullptr;
#define MAPI_EXPORT_DECORATED(name, bytes) MAPI_EXPORT(name)
#include "mapisupport/MAPIExports.def"
#undef MAPI_EXPORT
#undef MAPI_EXPORT_DECORATED

const MAPI_EXPORT_SLOT g_MAPIFuncs[kMAPIExportRows] = {
#define MAPI_EXPORT(name) {&pfn##name, #name},
#define MAPI_EXPORT_DECORATED(name, bytes) {&pfn##name, #name "@" #bytes}, {&pfn##name, #name},
#include "mapisupport/MAPIExports.def"
#undef MAPI_EXPORT
#undef MAPI_EXPORT_DECORATED
};

namespace {

using LPFGETCOMPONENTPATH = BOOL (*)(LPCSTR szComponent, LPSTR szQualifier, LPSTR szDllPath, DWORD cchBufferSize,
                                     BOOL fInstall);

// Loaded once and never freed.
HMODULE g_hModMSMAPI = nullptr;    // the installer-located MAPI library
HMODULE g_hModMAPI = nullptr;      // system "mapi32.dll"
HMODULE g_hModMAPIStub = nullptr;  // system "mapistub.dll"
LPFGETCOMPONENTPATH pfnFGetComponentPath = nullptr;

WCHAR g_szSystemDir[MAX_PATH] = {};
bool g_bSystemDirRead = false;

struct DeleteArray {
  void operator()(void* p) const noexcept { delete[] static_cast<BYTE*>(p); }
};
using RegBuffer = std::unique_ptr<void, DeleteArray>;

// Copies a new[] buffer of `text` with its terminator.
LPSTR NewString(const std::string& text) {
  LPSTR copy = new (std::nothrow) char[text.size() + 1];
  if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// One MSI value of the mail client key as 8-bit text, or null.
LPSTR ReadMsiValue(HKEY hKey, LPCSTR szName) {
  DWORD type = REG_NONE;
  LPVOID raw = nullptr;
  if (FAILED(HrGetRegistryValueA(hKey, szName, &type, &raw))) return nullptr;
  RegBuffer value(raw);
  if (type == REG_DWORD) {
    DWORD number = 0;
    std::memcpy(&number, raw, sizeof number);
    return NewString(std::to_string(number));
  }
  // Strings end within the buffer (it carries a zero pad past the value).
  return NewString(static_cast<const char*>(raw));
}

// Binds the "FGetComponentPath" export of a system-directory library.
void BindFGetComponentPath(HMODULE& hMod, LPCWSTR szName) {
  if (!hMod) hMod = LoadFromSystemDir(szName);
  if (hMod) pfnFGetComponentPath = win32::GetProc<LPFGETCOMPONENTPATH>(hMod, "FGetComponentPath");
}

}  // namespace

namespace import_procs_state {
HMODULE InstallerModule() { return g_hModMSMAPI; }
HMODULE SystemMapi32Module() { return g_hModMAPI; }
HMODULE SystemMapiStubModule() { return g_hModMAPIStub; }
}  // namespace import_procs_state

HMODULE MyLoadLibrary(LPCWSTR lpszLibFileName) {
  HMODULE hMod = LoadLibraryW(lpszLibFileName);
  if (!hMod) (void)CheckLastError(__FILE__, __LINE__, "LoadLibraryW");
  return hMod;
}

HMODULE LoadFromSystemDir(LPCWSTR szDLLName) {
  if (!szDLLName) return nullptr;
  if (!g_bSystemDirRead) {
    // A directory too long for the buffer is not read either.
    const UINT cch = GetSystemDirectoryW(g_szSystemDir, MAX_PATH);
    if (!cch || cch >= MAX_PATH) {
      (void)CheckLastError(__FILE__, __LINE__, "GetSystemDirectoryW");
      return nullptr;
    }
    g_bSystemDirRead = true;
  }
  const std::u16string path = std::u16string(g_szSystemDir) + u"\\" + szDLLName;
  // A path cut short would name another file.
  if (path.size() >= MAX_PATH) return nullptr;
  TraceMessage(DBGLoadLibrary, u"LoadFromSystemDir - loading \"%ws\"\n", path.c_str());
  return MyLoadLibrary(path.c_str());
}

void LoadFGetComponentPath() {
  if (pfnFGetComponentPath) return;
  BindFGetComponentPath(g_hModMAPI, u"mapi32.dll");
  if (!pfnFGetComponentPath) BindFGetComponentPath(g_hModMAPIStub, u"mapistub.dll");
}

BOOL GetComponentPath(LPCSTR szComponent, LPSTR szQualifier, LPWSTR lpszPath) {
  LoadFGetComponentPath();
  if (!pfnFGetComponentPath) return FALSE;
  CHAR szPath[MAX_PATH] = {};
  SetLastError(0);
  if (!pfnFGetComponentPath(szComponent, szQualifier, szPath, MAX_PATH, TRUE) && GetLastError() != 0) {
    (void)CheckLastError(__FILE__, __LINE__, "FGetComponentPath");
    return FALSE;
  }
  if (!MultiByteToWideChar(CP_ACP, 0, szPath, MAX_PATH, lpszPath, MAX_PATH)) {
    (void)CheckLastError(__FILE__, __LINE__, "MultiByteToWideChar");
    return FALSE;
  }
  // A path that fills the whole buffer still ends within it.
  lpszPath[MAX_PATH - 1] = 0;
  return TRUE;
}

HKEY GetMailKey() {
  win32::ScopedKey mail;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail", 0, KEY_READ, mail.put()) != ERROR_SUCCESS)
    return nullptr;
  DWORD type = REG_NONE;
  LPVOID raw = nullptr;
  const HRESULT hRes = HrGetRegistryValue(mail.get(), u"", &type, &raw);
  mail.reset();
  if (FAILED(hRes) || !raw) return nullptr;
  RegBuffer name(raw);
  std::u16string subKey = u"Software\\Clients\\Mail\\" + std::u16string(static_cast<const WCHAR*>(raw));
  if (subKey.size() > 255) subKey.resize(255);  // the 256-unit key name buffer
  HKEY hKey = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return nullptr;
  return hKey;
}

void GetMapiMsiIds(LPSTR* lpszComponent, LPSTR* lpszAppLCID, LPSTR* lpszOfficeLCID) {
  win32::ScopedKey key(GetMailKey());
  if (!key) return;
  if (lpszComponent) *lpszComponent = ReadMsiValue(key.get(), "MSIComponentID");
  if (lpszAppLCID) *lpszAppLCID = ReadMsiValue(key.get(), "MSIApplicationLCID");
  if (lpszOfficeLCID) *lpszOfficeLCID = ReadMsiValue(key.get(), "MSIOfficeLCID");
}

void FindMAPIPath(LPWSTR lpszPath) {
  lpszPath[0] = 0;
  LPSTR component = nullptr, appLCID = nullptr, officeLCID = nullptr;
  GetMapiMsiIds(&component, &appLCID, &officeLCID);
  const std::unique_ptr<char[]> c(component), a(appLCID), o(officeLCID);
  if (!component) return;
  BOOL found = FALSE;
  if (appLCID) found = GetComponentPath(component, appLCID, lpszPath);
  if ((!found || !lpszPath[0]) && officeLCID) found = GetComponentPath(component, officeLCID, lpszPath);
  if (!found || !lpszPath[0]) GetComponentPath(component, nullptr, lpszPath);
}

void LoadMAPIFuncs(HMODULE hMod) {
  if (!hMod) return;
  for (const MAPI_EXPORT_SLOT& row : g_MAPIFuncs) {
    if (*row.lpSlot) continue;
    *row.lpSlot = GetProcAddress(hMod, row.szName);
  }
}

void AutoLoadMAPI() {
  if (g_hModMSMAPI) {
    LoadMAPIFuncs(g_hModMSMAPI);
  } else {
    WCHAR szPath[MAX_PATH] = {};
    FindMAPIPath(szPath);
    if (szPath[0]) {
      g_hModMSMAPI = MyLoadLibrary(szPath);
      LoadMAPIFuncs(g_hModMSMAPI);
    }
  }
  if (!g_hModMAPI) g_hModMAPI = LoadFromSystemDir(u"mapi32.dll");
  if (!g_hModMAPI) return;
  if (g_hModMAPI != g_hModMSMAPI) LoadMAPIFuncs(g_hModMAPI);
}

HRESULT UnicodeToAnsi(LPCWSTR pszW, LPSTR* ppszA) {
  if (!ppszA) return E_INVALIDARG;
  *ppszA = nullptr;
  if (!pszW) return S_OK;
  const int cb = WideCharToMultiByte(CP_ACP, 0, pszW, -1, nullptr, 0, nullptr, nullptr);
  if (!cb) return HRESULT_FROM_WIN32(GetLastError());
  std::unique_ptr<char[]> text(new (std::nothrow) char[cb]);
  if (!text) return E_OUTOFMEMORY;
  if (!WideCharToMultiByte(CP_ACP, 0, pszW, -1, text.get(), cb, nullptr, nullptr))
    return HRESULT_FROM_WIN32(GetLastError());
  *ppszA = text.release();
  return S_OK;
}
