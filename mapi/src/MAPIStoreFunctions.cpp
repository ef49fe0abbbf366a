// Store openers.
#include "mapisupport/MAPIStoreFunctions.h"

#include <cstring>
#include <memory>
#include <string>

#include "mapisupport/ErrorLog.h"
#include "mapisupport/ImportProcs.h"
#include "mapisupport/MAPIFunctions.h"
#include "win32/text.h"

const BYTE pbExchangeProviderPrimaryUserGuid[16] = {0x54, 0x94, 0xA1, 0xC0, 0x29, 0x7F, 0x10, 0x1B,
                                                    0xA5, 0x87, 0x08, 0x00, 0x2B, 0x2A, 0x25, 0x17};

namespace {

constexpr char16_t kServerDNPrefix[] = u"/cn=Configuration/cn=Servers/cn=";
constexpr char16_t kServerDNSuffix[] = u"/cn=Microsoft Private MDB";
constexpr ULONG kMailboxLogonFlags = OPENSTORE_USE_ADMIN_PRIVILEGE | OPENSTORE_TAKE_OWNERSHIP;        // 9
constexpr ULONG kMailboxStoreFlags = MDB_NO_DIALOG | MDB_TEMPORARY | MAPI_BEST_ACCESS | MDB_NO_MAIL;  // 0xB1

struct MAPIBufferFree {
  void operator()(void* p) const noexcept { MAPIFreeBuffer(p); }
};
struct RowsFree {
  void operator()(SRowSet* p) const noexcept { FreeProws(p); }
};
struct ReleaseUnknown {
  void operator()(IUnknown* p) const noexcept { p->Release(); }
};
template <class I>
using Held = std::unique_ptr<I, ReleaseUnknown>;

SizedSPropTagArray(2, sptStoreCols) = {2, {PR_ENTRYID, PR_MDB_PROVIDER}};

// A stores-table row of the Exchange private store: its provider value
// starts with the 16 bytes; a shorter one does not match.
bool IsPrimaryExchangeStore(const SRow& row) {
  if (row.cValues < 2 || !row.lpProps) return false;
  const SPropValue& id = row.lpProps[0];
  const SPropValue& provider = row.lpProps[1];
  return id.ulPropTag == PR_ENTRYID && provider.ulPropTag == PR_MDB_PROVIDER &&
         provider.Value.bin.cb >= sizeof pbExchangeProviderPrimaryUserGuid && provider.Value.bin.lpb &&
         std::memcmp(provider.Value.bin.lpb, pbExchangeProviderPrimaryUserGuid,
                     sizeof pbExchangeProviderPrimaryUserGuid) == 0;
}

}  // namespace

BOOL SupportsExchangeManageStore(LPMDB lpMDB) {
  if (!lpMDB) return FALSE;
  IExchangeManageStore* ems = nullptr;
  if (FAILED(lpMDB->QueryInterface(IExchangeManageStore::kIid, reinterpret_cast<void**>(&ems))) || !ems) return FALSE;
  ems->Release();
  return TRUE;
}

HRESULT BuildServerDN(LPCWSTR szServerName, LPWSTR* lpszServerDN) {
  if (!szServerName || !lpszServerDN) return E_INVALIDARG;
  *lpszServerDN = nullptr;
  const std::u16string dn = kServerDNPrefix + std::u16string(szServerName) + kServerDNSuffix;
  const ULONG cb = static_cast<ULONG>((dn.size() + 1) * sizeof(WCHAR));
  LPVOID buffer = nullptr;
  HRESULT hRes = S_OK;
  WC_H(MAPIAllocateBuffer(cb, &buffer));
  if (FAILED(hRes)) return hRes;
  std::memcpy(buffer, dn.c_str(), cb);
  *lpszServerDN = static_cast<LPWSTR>(buffer);
  return S_OK;
}

HRESULT HrMailboxLogon(IMAPISession* lpMAPISession, LPMDB lpMDB, LPCWSTR lpszMsgStoreDN, LPCWSTR lpszMailboxDN,
                       LPMDB* lppMailboxMDB) {
  if (!lppMailboxMDB) return E_INVALIDARG;
  *lppMailboxMDB = nullptr;
  if (!lpMAPISession || !lpMDB || !lpszMsgStoreDN || !SupportsExchangeManageStore(lpMDB)) return E_INVALIDARG;

  HRESULT hRes = S_OK;
  IExchangeManageStore* rawEms = nullptr;
  WC_H(lpMDB->QueryInterface(IExchangeManageStore::kIid, reinterpret_cast<void**>(&rawEms)));
  if (FAILED(hRes) || !rawEms) return FAILED(hRes) ? hRes : E_NOINTERFACE;
  const Held<IExchangeManageStore> ems(rawEms);

  LPSTR serverA = nullptr;
  LPSTR mailboxA = nullptr;
  WC_H(UnicodeToAnsi(lpszMsgStoreDN, &serverA));
  const std::unique_ptr<char[]> server(serverA);
  if (FAILED(hRes)) return hRes;
  WC_H(UnicodeToAnsi(lpszMailboxDN, &mailboxA));
  const std::unique_ptr<char[]> mailbox(mailboxA);
  if (FAILED(hRes)) return hRes;

  const bool publicStore = !mailboxA || !*mailboxA;
  ULONG cbEID = 0;
  LPENTRYID rawEID = nullptr;
  WC_H(ems->CreateStoreEntryID(serverA, mailboxA, kMailboxLogonFlags | (publicStore ? OPENSTORE_PUBLIC : 0), &cbEID,
                               &rawEID));
  const std::unique_ptr<ENTRYID, MAPIBufferFree> eid(rawEID);
  if (SUCCEEDED(hRes)) {
    const SBinary bin{cbEID, reinterpret_cast<LPBYTE>(rawEID)};
    WC_H(CallOpenMsgStore(lpMAPISession, 0, &bin, kMailboxStoreFlags, lppMailboxMDB));
  }
  return hRes;
}

HRESULT OpenOtherUsersMailbox(IMAPISession* lpMAPISession, LPMDB lpMDB, LPCWSTR szServerName, LPCWSTR szMailboxDN,
                              ULONG, LPMDB* lppOtherUserMDB) {
  if (!lppOtherUserMDB) return E_INVALIDARG;
  *lppOtherUserMDB = nullptr;
  if (!lpMAPISession || !lpMDB || !szMailboxDN || !SupportsExchangeManageStore(lpMDB)) return E_INVALIDARG;
  if (!szServerName || !*szServerName) return S_OK;

  HRESULT hRes = S_OK;
  LPWSTR rawDN = nullptr;
  WC_H(BuildServerDN(szServerName, &rawDN));
  const std::unique_ptr<WCHAR, MAPIBufferFree> serverDN(rawDN);
  if (SUCCEEDED(hRes)) WC_H(HrMailboxLogon(lpMAPISession, lpMDB, rawDN, szMailboxDN, lppOtherUserMDB));
  return hRes;
}

BOOL OpenMessageStoreGUID(IMAPISession* lpMAPISession, LPMDB* lppMDB) {
  if (!lpMAPISession || !lppMDB) return TRUE;
  *lppMDB = nullptr;
  HRESULT hRes = S_OK;
  LPMAPITABLE rawTable = nullptr;
  WC_H(lpMAPISession->GetMsgStoresTable(0, &rawTable));
  const Held<IMAPITable> table(rawTable);
  // Any status but 0 is a failure here, a warning too.
  if (hRes != S_OK || !rawTable) return TRUE;

  const auto queryAllRows = MAPISlot<LPHRQUERYALLROWS>(pfnHrQueryAllRows);
  LPSRowSet rawRows = nullptr;
  WC_H(queryAllRows
           ? queryAllRows(rawTable, reinterpret_cast<LPSPropTagArray>(&sptStoreCols), nullptr, nullptr, 0, &rawRows)
           : E_FAIL);
  const std::unique_ptr<SRowSet, RowsFree> rows(rawRows);
  if (hRes == S_OK && rawRows) {
    for (ULONG i = 0; i < rawRows->cRows; ++i) {
      if (!IsPrimaryExchangeStore(rawRows->aRow[i])) continue;
      WC_H(CallOpenMsgStore(lpMAPISession, 0, &rawRows->aRow[i].lpProps[0].Value.bin, MDB_WRITE, lppMDB));
      break;
    }
  }
  if (hRes == S_OK && *lppMDB) return FALSE;
  // A failure hands back no store: callers release only what they were given.
  if (*lppMDB) (*lppMDB)->Release();
  *lppMDB = nullptr;
  return TRUE;
}
