#include "session_fakes.h"

#include <cstring>

#include "mapisupport/MAPIStoreFunctions.h"

namespace session_fakes {

namespace {

std::shared_ptr<Log> g_log;

HRESULT QueryAllRows(LPMAPITABLE table, LPSPropTagArray cols, LPSRestriction, LPSSortOrderSet, LONG, LPSRowSet* rows) {
  if (g_log && cols) g_log->queriedColumns.assign(cols->aulPropTag, cols->aulPropTag + cols->cValues);
  return table->QueryRows(0x7FFFFFFF, 0, rows);
}

void FreeRows(LPSRowSet rows) {
  if (!rows) return;
  for (ULONG i = 0; i < rows->cRows; ++i) MAPIFreeBuffer(rows->aRow[i].lpProps);
  MAPIFreeBuffer(rows);
}

// A MAPI buffer holding the bytes of `text`.
LPBYTE Buffer(const std::string& text) {
  LPVOID p = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(text.size() + 1), &p))) return nullptr;
  std::memcpy(p, text.data(), text.size());
  return static_cast<LPBYTE>(p);
}

}  // namespace

std::string Bytes(const BYTE* p, ULONG cb) { return std::string(reinterpret_cast<const char*>(p), cb); }

std::string ExchangeProvider() { return Bytes(pbExchangeProviderPrimaryUserGuid, 16); }

HRESULT Store::CreateStoreEntryID(LPSTR server, LPSTR mailbox, ULONG flags, ULONG* cb, LPENTRYID* eid) {
  log_->server = server ? server : "(null)";
  log_->mailbox = mailbox ? mailbox : "(null)";
  log_->createFlags = flags;
  if (FAILED(createStatus)) return createStatus;
  const std::string id = "EID:" + log_->mailbox;
  *cb = static_cast<ULONG>(id.size());
  *eid = reinterpret_cast<LPENTRYID>(Buffer(id));
  return S_OK;
}

HRESULT Table::QueryRows(LONG, ULONG, LPSRowSet* out) {
  const ULONG n = done_ ? 0 : static_cast<ULONG>(rows_.size());
  done_ = true;
  LPVOID set = nullptr;
  MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(n)), &set);
  auto* rows = static_cast<LPSRowSet>(set);
  rows->cRows = n;
  for (ULONG i = 0; i < n; ++i) {
    LPVOID props = nullptr;
    MAPIAllocateBuffer(2 * sizeof(SPropValue), &props);
    auto* v = static_cast<LPSPropValue>(props);
    std::memset(v, 0, 2 * sizeof(SPropValue));
    // The bytes live in the test's rows, which outlive the row set.
    v[0].ulPropTag = rows_[i].idTag;
    v[0].Value.bin = {static_cast<ULONG>(rows_[i].entryId.size()), reinterpret_cast<LPBYTE>(rows_[i].entryId.data())};
    v[1].ulPropTag = rows_[i].providerTag;
    v[1].Value.bin = {static_cast<ULONG>(rows_[i].provider.size()), reinterpret_cast<LPBYTE>(rows_[i].provider.data())};
    rows->aRow[i] = {0, 2, v};
  }
  *out = rows;
  return S_OK;
}

HRESULT Session::GetMsgStoresTable(ULONG, LPMAPITABLE* table) {
  if (FAILED(tableStatus)) return tableStatus;
  *table = com::Make<Table>(storeRows).Detach();
  return tableStatus;
}

HRESULT Session::OpenMsgStore(ULONG_PTR, ULONG cb, LPENTRYID eid, LPCIID, ULONG flags, LPMDB* store) {
  log_->openedIds.push_back(Bytes(reinterpret_cast<const BYTE*>(eid), cb));
  log_->openFlags.push_back(flags);
  if (FAILED(openStatus)) return openStatus;
  *store = com::Make<Store>(log_, storesAreExchange).Detach();
  return openStatus;
}

HRESULT Session::Logoff(ULONG_PTR, ULONG flags, ULONG) {
  ++log_->logoffs;
  log_->logoffFlags = flags;
  return S_OK;
}

HMODULE InstallSessionLibrary(std::shared_ptr<Log> log) {
  g_log = std::move(log);
  HMODULE m = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32_session"));
  fake_mapi::Control<void (*)(void*, void*)>(m, "FakeMapi_SetRowFunctions")(reinterpret_cast<void*>(&QueryAllRows),
                                                                            reinterpret_cast<void*>(&FreeRows));
  return m;
}

}  // namespace session_fakes
