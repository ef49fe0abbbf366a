// The stubs: named forwarders to the bound MAPI entry points.
#include <memory>

#include "mapi/mapidefs.h"
#include "mapisupport/ImportProcs.h"

namespace {
constexpr ULONG kLogonFlags =
    MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_ALLOW_OTHERS | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED;  // 0x3B
constexpr ULONG kStreamFlags = STGM_CREATE | STGM_READWRITE;                                       // 0x1002
}  // namespace

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
  const auto fn = MAPISlot<LPMAPIALLOCATEBUFFER>(pfnMAPIAllocateBuffer);
  return fn ? fn(cbSize, lppBuffer) : E_FAIL;
}

ULONG MAPIFreeBuffer(LPVOID lpBuffer) {
  if (!lpBuffer) return 0;
  const auto fn = MAPISlot<LPMAPIFREEBUFFER>(pfnMAPIFreeBuffer);
  return fn ? fn(lpBuffer) : 0;
}

HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp) {
  const auto fn = MAPISlot<LPHRGETONEPROP>(pfnHrGetOneProp);
  return fn ? fn(lpMapiProp, ulPropTag, lppProp) : E_FAIL;
}

void FreeProws(LPSRowSet lpRows) {
  if (const auto fn = MAPISlot<LPFREEPROWS>(pfnFreeProws)) fn(lpRows);
}

LPSPropValue PpropFindProp(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag) {
  const auto fn = MAPISlot<LPPPROPFINDPROP>(pfnPpropFindProp);
  return fn ? fn(lpPropArray, cValues, ulPropTag) : nullptr;
}

HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPSTR lpszProfileName, LPSTR, ULONG, LPMAPISESSION* lppSession) {
  const auto fn = MAPISlot<LPMAPILOGONEX>(pfnMAPILogonEx);
  return fn ? fn(ulUIParam, lpszProfileName, nullptr, kLogonFlags, lppSession) : E_FAIL;
}

HRESULT MyOpenStreamOnFile(LPMAPIALLOCATEBUFFER, LPMAPIFREEBUFFER, ULONG, LPCWSTR lpszFileName, LPCWSTR,
                           LPSTREAM* lppStream) {
  const auto ansi = MAPISlot<LPOPENSTREAMONFILE>(pfnOpenStreamOnFile);
  const auto wide = MAPISlot<LPOPENSTREAMONFILEW>(pfnOpenStreamOnFileW);
  if (wide) return wide(MAPIAllocateBuffer, MAPIFreeBuffer, kStreamFlags, lpszFileName, nullptr, lppStream);
  if (!ansi) return E_FAIL;
  LPSTR path = nullptr;
  const HRESULT hRes = UnicodeToAnsi(lpszFileName, &path);
  if (FAILED(hRes)) return hRes;
  const std::unique_ptr<char[]> owned(path);
  return ansi(MAPIAllocateBuffer, MAPIFreeBuffer, kStreamFlags, path, nullptr, lppStream);
}
