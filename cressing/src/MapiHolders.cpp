#include "MapiHolders.h"

HRESULT QueryAllRows(LPMAPITABLE table, LPSPropTagArray columns, LPSRowSet* rows) {
  auto query = MAPISlot<LPHRQUERYALLROWS>(pfnHrQueryAllRows);
  if (!query) return E_FAIL;
  return query(table, columns, nullptr, nullptr, 0, rows);
}
