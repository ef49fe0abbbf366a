// Owners for what Cressing gets from MAPI, freed through the support layer's
// binding.
#pragma once

#include <memory>

#include "mapisupport/ImportProcs.h"
#include "mapisupport/MapiObjects.h"

struct RowSetFree {
  void operator()(SRowSet* rows) const noexcept { FreeProws(rows); }
};
using RowSetPtr = std::unique_ptr<SRowSet, RowSetFree>;

struct MapiBufferFree {
  void operator()(void* buffer) const noexcept { MAPIFreeBuffer(buffer); }
};
template <class T>
using MapiBufferPtr = std::unique_ptr<T, MapiBufferFree>;

struct MapiObjectsRelease {
  void operator()(CMapiObjects* objects) const noexcept { objects->Release(); }
};
using MapiObjectsPtr = std::unique_ptr<CMapiObjects, MapiObjectsRelease>;

// An entry of a store opened without an interface: the object comes as its
// own interface, held in `object` whatever the result.
template <class T>
HRESULT OpenEntryAs(IMsgStore* store, const SBinary& id, ULONG flags, ComPtr<T>& object) {
  ULONG type = 0;
  LPUNKNOWN raw = nullptr;
  const HRESULT hr = store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, flags, &type, &raw);
  object = ComPtr<T>::Attach(reinterpret_cast<T*>(raw));
  return hr;
}

// HrQueryAllRows through its slot; E_FAIL when it cannot be bound.
HRESULT QueryAllRows(LPMAPITABLE table, LPSPropTagArray columns, LPSRowSet* rows);
