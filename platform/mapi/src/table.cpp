// The MAPI table over a RowSource: a cursor, the column set, bookmarks.
#include "mapi/table.h"

#include <algorithm>
#include <map>

namespace mapi {

HRESULT VectorRows::GetRow(ULONG index, PropMap& row) {
  if (index >= rows_.size()) return MAPI_E_NOT_FOUND;
  row = *rows_[index];
  return S_OK;
}

namespace {

class Table final : public com::ComObject<IMAPITable> {
 public:
  Table(std::shared_ptr<RowSource> rows, ULONG flags, TableHook hook)
      : rows_(std::move(rows)), flags_(flags), hook_(std::move(hook)), columns_(rows_->DefaultColumns()) {}

  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* err) override {
    if (err) *err = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPMAPIADVISESINK, ULONG*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE GetStatus(ULONG* status, ULONG* type) override {
    if (!status || !type) return MAPI_E_INVALID_PARAMETER;
    *status = TBLSTAT_COMPLETE;
    *type = TBLTYPE_SNAPSHOT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColumns(LPSPropTagArray tags, ULONG flags) override {
    if (HRESULT hr = Hook("SetColumns", flags); hr != S_OK) return hr;
    if (!tags) return MAPI_E_INVALID_PARAMETER;
    columns_.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryColumns(ULONG flags, LPSPropTagArray* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    const std::vector<ULONG> cols = (flags & TBL_ALL_COLUMNS) ? rows_->DefaultColumns() : columns_;
    void* p = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(static_cast<ULONG>(cols.size()))), &p)))
      return MAPI_E_NOT_ENOUGH_MEMORY;
    auto* tags = static_cast<LPSPropTagArray>(p);
    tags->cValues = static_cast<ULONG>(cols.size());
    std::copy(cols.begin(), cols.end(), tags->aulPropTag);
    *out = tags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetRowCount(ULONG flags, ULONG* count) override {
    if (HRESULT hr = Hook("GetRowCount", flags); hr != S_OK) return hr;
    if (!count) return MAPI_E_INVALID_PARAMETER;
    *count = rows_->Count();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SeekRow(BOOKMARK origin, LONG count, LONG* sought) override {
    if (HRESULT hr = Hook("SeekRow", 0); hr != S_OK) return hr;
    LONGLONG start = 0;
    if (origin == BOOKMARK_CURRENT) start = cursor_;
    else if (origin == BOOKMARK_END) start = rows_->Count();
    else if (origin != BOOKMARK_BEGINNING) {
      auto it = bookmarks_.find(origin);
      if (it == bookmarks_.end()) return MAPI_E_INVALID_BOOKMARK;
      start = it->second;
    }
    const LONGLONG target = std::clamp<LONGLONG>(start + count, 0, rows_->Count());
    cursor_ = static_cast<ULONG>(target);
    if (sought) *sought = static_cast<LONG>(target - start);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SeekRowApprox(ULONG num, ULONG den) override {
    if (den == 0 || num > den) return MAPI_E_INVALID_PARAMETER;
    cursor_ = static_cast<ULONG>(ULONGLONG(rows_->Count()) * num / den);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryPosition(ULONG* row, ULONG* num, ULONG* den) override {
    if (!row || !num || !den) return MAPI_E_INVALID_PARAMETER;
    *row = *num = cursor_;
    *den = rows_->Count();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FindRow(LPSRestriction, BOOKMARK, ULONG) override { return MAPI_E_TOO_COMPLEX; }
  HRESULT STDMETHODCALLTYPE Restrict(LPSRestriction r, ULONG) override { return r ? MAPI_E_TOO_COMPLEX : S_OK; }
  HRESULT STDMETHODCALLTYPE CreateBookmark(BOOKMARK* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nextBookmark_++;
    bookmarks_[*out] = cursor_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FreeBookmark(BOOKMARK b) override {
    return bookmarks_.erase(b) ? S_OK : MAPI_E_INVALID_BOOKMARK;
  }
  HRESULT STDMETHODCALLTYPE SortTable(LPSSortOrderSet s, ULONG) override {
    return !s || s->cSorts == 0 ? S_OK : MAPI_E_TOO_COMPLEX;
  }
  HRESULT STDMETHODCALLTYPE QuerySortOrder(LPSSortOrderSet* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    void* p = nullptr;
    if (FAILED(MAPIAllocateBuffer(sizeof(SSortOrderSet), &p))) return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = static_cast<LPSSortOrderSet>(p);
    **out = SSortOrderSet{};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryRows(LONG count, ULONG flags, LPSRowSet* out) override;
  HRESULT STDMETHODCALLTYPE Abort() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE WaitForCompletion(ULONG, ULONG, ULONG* status) override {
    if (status) *status = TBLSTAT_COMPLETE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }

 private:
  HRESULT Hook(std::string_view call, ULONG flags) { return hook_ ? hook_(call, flags) : S_OK; }
  HRESULT ReadRow(ULONG index, SRow* row);

  std::shared_ptr<RowSource> rows_;
  ULONG flags_;
  TableHook hook_;
  std::vector<ULONG> columns_;
  ULONG cursor_ = 0;
  std::map<BOOKMARK, ULONG> bookmarks_;
  BOOKMARK nextBookmark_ = BOOKMARK_END + 1;
};

HRESULT Table::ReadRow(ULONG index, SRow* row) {
  PropMap values;
  if (HRESULT hr = rows_->GetRowFor(index, columns_, values); FAILED(hr)) return hr;
  std::vector<ULONG> cols = columns_;
  Buffer<SPropTagArray> tags;
  {
    void* p = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(static_cast<ULONG>(cols.size()))), &p)))
      return MAPI_E_NOT_ENOUGH_MEMORY;
    tags.reset(static_cast<LPSPropTagArray>(p));
  }
  tags->cValues = static_cast<ULONG>(cols.size());
  std::copy(cols.begin(), cols.end(), tags->aulPropTag);
  HRESULT hr = GetPropsFrom(values, tags.get(), flags_, rows_->CodePageOf(values), &row->cValues, &row->lpProps);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT Table::QueryRows(LONG count, ULONG flags, LPSRowSet* out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  if (HRESULT hr = Hook("QueryRows", flags); hr != S_OK) return hr;
  if (count == 0) return MAPI_E_INVALID_PARAMETER;
  const ULONG total = rows_->Count();
  ULONG first = std::min(cursor_, total), n = 0;
  if (count > 0) {
    n = static_cast<ULONG>(std::min<ULONGLONG>(ULONG(count), total - first));
  } else {
    n = static_cast<ULONG>(std::min<ULONGLONG>(ULONGLONG(-LONGLONG(count)), first));
    first -= n;
  }
  void* p = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(n)), &p))) return MAPI_E_NOT_ENOUGH_MEMORY;
  RowSet set(static_cast<LPSRowSet>(p));
  set->cRows = 0;
  for (ULONG i = 0; i < n; ++i) {
    SRow& row = set->aRow[i];
    row = SRow{};
    if (HRESULT hr = ReadRow(first + i, &row); FAILED(hr)) return hr;
    set->cRows = i + 1;
  }
  if (!(flags & TBL_NOADVANCE)) cursor_ = count > 0 ? first + n : first;
  *out = set.release();
  return S_OK;
}

}  // namespace

ComPtr<IMAPITable> MakeTable(std::shared_ptr<RowSource> rows, ULONG flags, TableHook hook) {
  return com::Make<Table>(std::move(rows), flags, std::move(hook));
}

}  // namespace mapi
