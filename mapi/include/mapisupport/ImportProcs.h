// Run-time MAPI binding. MAPI is not linked: the library is found through
// the registry and the installer, loaded with LoadLibraryW, and each entry
// point bound with GetProcAddress into a slot of g_MAPIFuncs. The first use
// of an empty slot runs AutoLoadMAPI; there is no memory of a failed load.
#pragma once
#include <cstddef>

#include "com/com.h"
#include "com/stream.h"
#include "mapi/interfaces.h"
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

// Types of the entry points that Cressing calls. This layer is the only way
// to MAPI: the stand-in's own mapix.h declares the linked entry points and is
// not included here (the stubs below bear the same names).
using LPMAPISESSION = IMAPISession*;
using LPMAPIALLOCATEBUFFER = SCODE (*)(ULONG cbSize, LPVOID* lppBuffer);
using LPMAPIFREEBUFFER = ULONG (*)(LPVOID lpBuffer);
using LPMAPIINITIALIZE = HRESULT (*)(LPVOID lpMapiInit);
using LPMAPIUNINITIALIZE = void (*)();
using LPMAPILOGONEX = HRESULT (*)(ULONG_PTR ulUIParam, LPSTR lpszProfileName, LPSTR lpszPassword, ULONG ulFlags,
                                  LPMAPISESSION* lppSession);
using LPHRGETONEPROP = HRESULT (*)(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp);
using LPFREEPROWS = void (*)(LPSRowSet lpRows);
using LPPPROPFINDPROP = LPSPropValue (*)(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag);
using LPHRQUERYALLROWS = HRESULT (*)(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                                     LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows);
using LPOPENSTREAMONFILE = HRESULT (*)(LPMAPIALLOCATEBUFFER lpAllocateBuffer, LPMAPIFREEBUFFER lpFreeBuffer,
                                       ULONG ulFlags, LPCSTR lpszFileName, LPCSTR lpszPrefix, LPSTREAM* lppStream);
using LPOPENSTREAMONFILEW = HRESULT (*)(LPMAPIALLOCATEBUFFER lpAllocateBuffer, LPMAPIFREEBUFFER lpFreeBuffer,
                                        ULONG ulFlags, LPCWSTR lpszFileName, LPCWSTR lpszPrefix, LPSTREAM* lppStream);
using LPMAPIALLOCATEMORE = SCODE (*)(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
using LPMAPIGETDEFAULTMALLOC = LPMALLOC (*)();
// Messages kept in a compound file (Outlook message files).
struct IMsgSession;
using LPMSGSESS = IMsgSession*;
using MSGCALLRELEASE = void(ULONG ulCallerData, LPMESSAGE lpMessage);
using LPOPENIMSGONISTG = SCODE (*)(LPMSGSESS lpMsgSess, LPMAPIALLOCATEBUFFER lpAllocateBuffer,
                                   LPMAPIALLOCATEMORE lpAllocateMore, LPMAPIFREEBUFFER lpFreeBuffer, LPMALLOC lpMalloc,
                                   LPVOID lpMapiSup, LPSTORAGE lpStg, MSGCALLRELEASE* lpfMsgCallRelease,
                                   ULONG ulCallerData, ULONG ulFlags, LPMESSAGE* lppMsg);

// The stubs: the MAPI functions of the same name through their slots, with
// the fallback when the slot cannot be bound.
SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);                             // E_FAIL
ULONG MAPIFreeBuffer(LPVOID lpBuffer);                                                 // null: 0 at once, nothing bound
HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp);   // E_FAIL
void FreeProws(LPSRowSet lpRows);                                                      // nothing freed
LPSPropValue PpropFindProp(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag);  // null
// Password null and flags 0x3B whatever is passed; E_FAIL without MAPI.
HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPSTR lpszProfileName, LPSTR lpszPassword, ULONG ulFlags,
                    LPMAPISESSION* lppSession);

// A stream that creates or truncates the file, through OpenStreamOnFileW,
// else OpenStreamOnFile; the allocator, freer, flags and prefix passed are
// replaced by the stubs above, STGM_CREATE | STGM_READWRITE and null.
HRESULT MyOpenStreamOnFile(LPMAPIALLOCATEBUFFER lpAllocateBuffer, LPMAPIFREEBUFFER lpFreeBuffer, ULONG ulFlags,
                           LPCWSTR lpszFileName, LPCWSTR lpszPrefix, LPSTREAM* lppStream);

// 8-bit text in the ANSI code page, allocated with new[] for the caller.
// No input: S_OK and no output.
HRESULT UnicodeToAnsi(LPCWSTR pszW, LPSTR* ppszA);
