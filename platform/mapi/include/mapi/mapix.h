// The MAPI entry points, with C linkage under their plain names. Both the
// installed MAPI library and the system "mapi32.dll" export them; the
// engines bind them at run time, other modules may link them.
#pragma once

#include "com/com.h"
#include "mapi/interfaces.h"

using LPMAPISESSION = IMAPISession*;

using LPMAPIALLOCATEBUFFER = SCODE (*)(ULONG cbSize, LPVOID* lppBuffer);
using LPMAPIALLOCATEMORE = SCODE (*)(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
using LPMAPIFREEBUFFER = ULONG (*)(LPVOID lpBuffer);

// Messages on storages: no message session object is needed here (only
// null is passed); the release callback runs when the message goes away.
struct IMsgSession;
using LPMSGSESS = IMsgSession*;
using MSGCALLRELEASE = void(ULONG ulCallerData, LPMESSAGE lpMessage);

// OpenStreamOnFile(W) flag: a new file of a unique name (not supported).
constexpr ULONG SOF_UNIQUEFILENAME = 0x80000000;

// The class of a compound file that holds an Outlook message.
inline constexpr CLSID CLSID_MailMessage = {0x00020D0B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

extern "C" {
// MAPI memory: a buffer from MAPIAllocateBuffer owns every block that
// MAPIAllocateMore links to it; MAPIFreeBuffer of the first frees them all.
SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG MAPIFreeBuffer(LPVOID lpBuffer);

// lpMapiInit points to a MAPIINIT_0 or is null. Calls nest: each
// MAPIInitialize is matched by one MAPIUninitialize.
HRESULT MAPIInitialize(LPVOID lpMapiInit);
void MAPIUninitialize();
// The profile name is 8-bit text (UTF-16 with MAPI_UNICODE). A null name
// with MAPI_LOGON_UI takes the machine's default profile, as the logon
// dialog on the unattended desktop does.
HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPSTR lpszProfileName, LPSTR lpszPassword, ULONG ulFlags,
                    LPMAPISESSION* lppSession);

HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp);
HRESULT HrSetOneProp(LPMAPIPROP lpMapiProp, LPSPropValue lpProp);
void FreeProws(LPSRowSet lpRows);
void FreePadrlist(LPADRLIST lpAdrList);
LPSPropValue PpropFindProp(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag);
// Every row from the start of the table; only a null restriction and sort
// order are supported. crowsMax 0 means no limit; a table with more rows
// than a non-zero limit answers MAPI_E_TABLE_TOO_BIG.
HRESULT HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                       LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows);

// The COM task allocator.
LPMALLOC MAPIGetDefaultMalloc();
// A message kept in lpStg in the Outlook message file format: an existing
// message is read from the storage, an empty storage gives an empty one.
// SaveChanges writes the message into the storage; committing the storage
// is the caller's. With MAPI_UNICODE every string is written in UTF-16.
SCODE OpenIMsgOnIStg(LPMSGSESS lpMsgSess, LPMAPIALLOCATEBUFFER lpAllocateBuffer, LPMAPIALLOCATEMORE lpAllocateMore,
                     LPMAPIFREEBUFFER lpFreeBuffer, LPMALLOC lpMalloc, LPVOID lpMapiSup, LPSTORAGE lpStg,
                     MSGCALLRELEASE* lpfMsgCallRelease, ULONG ulCallerData, ULONG ulFlags, LPMESSAGE* lppMsg);
// A stream on a file: STGM_CREATE | STGM_READWRITE creates or truncates it,
// STGM_READ reads an existing one. The 8-bit name is in the ANSI code page.
HRESULT OpenStreamOnFile(LPMAPIALLOCATEBUFFER lpAllocateBuffer, LPMAPIFREEBUFFER lpFreeBuffer, ULONG ulFlags,
                         LPCSTR lpszFileName, LPCSTR lpszPrefix, LPSTREAM* lppStream);
HRESULT OpenStreamOnFileW(LPMAPIALLOCATEBUFFER lpAllocateBuffer, LPMAPIFREEBUFFER lpFreeBuffer, ULONG ulFlags,
                          LPCWSTR lpszFileName, LPCWSTR lpszPrefix, LPSTREAM* lppStream);

// The path of an installed component, as the installer would give it
// (mapi32.dll only).
BOOL FGetComponentPath(LPCSTR szComponent, LPSTR szQualifier, LPSTR szDllPath, DWORD cchBufferSize,
                       BOOL fInstall);
}
