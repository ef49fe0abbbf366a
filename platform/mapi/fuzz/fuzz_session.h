// A logon and its stores, as the MAPI fuzz targets reach them.
#pragma once

#include <initializer_list>

#include "mapi/holders.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/mapix.h"
#include "mapi/props.h"
#include "testing/fuzz.h"

namespace mapi_fuzz {

inline mapi::RowSet AllRows(IMAPITable* table, std::initializer_list<ULONG> columns) {
  auto tags = mapi::NewTagArray({columns.begin(), columns.size()});
  LPSRowSet rows = nullptr;
  if (FAILED(HrQueryAllRows(table, tags.get(), nullptr, nullptr, 0, &rows))) return mapi::RowSet();
  return mapi::RowSet(rows);
}

// Logs on to the profile and calls visit(session, store) for each store of
// its stores table, all of which open; false when the logon fails.
template <class Visit>
bool ForEachStore(const char* profile, Visit&& visit) {
  ComPtr<IMAPISession> session;
  if (FAILED(MAPILogonEx(0, const_cast<LPSTR>(profile), nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION | MAPI_NO_MAIL,
                         session.ReleaseAndGetAddressOf())))
    return false;
  {
    ComPtr<IMAPITable> stores;
    FUZZ_CHECK(SUCCEEDED(session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf())));
    mapi::RowSet rows = AllRows(stores.Get(), {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_MDB_PROVIDER});
    FUZZ_CHECK(rows != nullptr);
    for (ULONG r = 0; r < rows->cRows; ++r) {
      const SPropValue& eid = rows->aRow[r].lpProps[0];
      FUZZ_CHECK(PROP_TYPE(eid.ulPropTag) == PT_BINARY);
      ComPtr<IMsgStore> store;
      FUZZ_CHECK(SUCCEEDED(session->OpenMsgStore(0, eid.Value.bin.cb, reinterpret_cast<LPENTRYID>(eid.Value.bin.lpb),
                                                 nullptr, MDB_NO_MAIL, store.ReleaseAndGetAddressOf())));
      visit(session.Get(), store.Get());
    }
  }
  session->Logoff(0, MAPI_LOGOFF_UI, 0);
  return true;
}

}  // namespace mapi_fuzz
