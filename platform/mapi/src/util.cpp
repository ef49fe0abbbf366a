// The helper entry points: one property, row sets, finding a value, all
// rows of a table.
#include <vector>

#include "entry.h"
#include "mapi/holders.h"

namespace mapi::entry {

void FreeProws(LPSRowSet rows) {
  if (!rows) return;
  for (ULONG i = 0; i < rows->cRows; ++i) ::MAPIFreeBuffer(rows->aRow[i].lpProps);
  ::MAPIFreeBuffer(rows);
}

void FreePadrlist(LPADRLIST list) { ::FreeProws(reinterpret_cast<LPSRowSet>(list)); }

LPSPropValue PpropFindProp(LPSPropValue props, ULONG count, ULONG tag) {
  if (!props) return nullptr;
  const bool anyType = PROP_TYPE(tag) == PT_UNSPECIFIED;
  for (ULONG i = 0; i < count; ++i) {
    const ULONG t = props[i].ulPropTag;
    if (t == tag || (anyType && PROP_ID(t) == PROP_ID(tag))) return &props[i];
  }
  return nullptr;
}

HRESULT HrGetOneProp(LPMAPIPROP obj, ULONG tag, LPSPropValue* out) {
  if (!obj || !out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  SizedSPropTagArray(1, tags) = {1, {tag}};
  ULONG count = 0;
  LPSPropValue values = nullptr;
  HRESULT hr = obj->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
  if (FAILED(hr)) return hr;
  mapi::Buffer<SPropValue> holder(values);
  if (count != 1 || !values) return MAPI_E_NOT_FOUND;
  if (PROP_TYPE(values->ulPropTag) == PT_ERROR) return values->Value.err;
  *out = holder.release();
  return S_OK;
}

HRESULT HrSetOneProp(LPMAPIPROP obj, LPSPropValue prop) {
  if (!obj || !prop) return MAPI_E_INVALID_PARAMETER;
  LPSPropProblemArray problems = nullptr;
  HRESULT hr = obj->SetProps(1, prop, &problems);
  if (SUCCEEDED(hr) && problems) hr = problems->aProblem[0].scode;
  ::MAPIFreeBuffer(problems);
  return hr;
}

HRESULT HrQueryAllRows(LPMAPITABLE table, LPSPropTagArray tags, LPSRestriction restriction,
                                  LPSSortOrderSet sort, LONG crowsMax, LPSRowSet* out) {
  if (!table || !out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  if (tags)
    if (HRESULT hr = table->SetColumns(tags, TBL_BATCH); FAILED(hr)) return hr;
  if (restriction)
    if (HRESULT hr = table->Restrict(restriction, TBL_BATCH); FAILED(hr)) return hr;
  if (sort)
    if (HRESULT hr = table->SortTable(sort, TBL_BATCH); FAILED(hr)) return hr;
  if (HRESULT hr = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr); FAILED(hr)) return hr;
  ULONG total = 0;
  if (HRESULT hr = table->GetRowCount(0, &total); FAILED(hr)) return hr;
  if (crowsMax > 0 && total > ULONG(crowsMax)) return MAPI_E_TABLE_TOO_BIG;
  LPSRowSet rows = nullptr;
  HRESULT hr = table->QueryRows(total ? LONG(total) : 1, 0, &rows);
  if (FAILED(hr)) return hr;
  *out = rows;
  return S_OK;
}

}  // namespace mapi::entry
