// General MAPI helpers.
#include "mapisupport/MAPIFunctions.h"

#include "mapisupport/ErrorLog.h"

void MyHexFromBin(const BYTE* lpb, std::size_t cb, LPWSTR* lpsz) {
  if (!lpsz) return;
  *lpsz = nullptr;
  if (!lpb || !cb) return;
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  auto* out = new WCHAR[2 * cb + 1];
  for (std::size_t i = 0; i < cb; ++i) {
    out[2 * i] = kDigits[lpb[i] >> 4];
    out[2 * i + 1] = kDigits[lpb[i] & 0x0F];
  }
  out[2 * cb] = 0;
  *lpsz = out;
}

HRESULT CallOpenMsgStore(IMAPISession* lpSession, ULONG_PTR, const SBinary* lpEID, ULONG ulFlags, LPMDB* lpMDB) {
  if (!lpSession || !lpEID || !lpMDB) return E_INVALIDARG;
  HRESULT hRes = S_OK;
  WC_H(lpSession->OpenMsgStore(0, lpEID->cb, reinterpret_cast<LPENTRYID>(lpEID->lpb), nullptr, ulFlags, lpMDB));
  return hRes;
}
