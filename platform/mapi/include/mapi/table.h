// A MAPI table over a source of rows: SetColumns, QueryColumns, QueryRows,
// SeekRow, GetRowCount, QueryPosition, CreateBookmark. Rows are produced
// when asked for, so a contents table of many messages holds none of them.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "com/unknown.h"
#include "mapi/interfaces.h"
#include "mapi/prop_bag.h"

namespace mapi {

// Where a table's rows come from. Row indexes run from 0 to Count()-1.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual ULONG Count() = 0;
  // The columns of a table nobody called SetColumns on.
  virtual std::vector<ULONG> DefaultColumns() = 0;
  // Fills a PropMap with row `index`'s values; a column the row lacks is
  // simply absent (it reaches the caller as PT_ERROR / MAPI_E_NOT_FOUND).
  virtual HRESULT GetRow(ULONG index, PropMap& row) = 0;
  // The same for a table that shows `columns`: a source whose rows are
  // costly may leave out what no column asks for. By default the whole row.
  virtual HRESULT GetRowFor(ULONG index, const std::vector<ULONG>& /*columns*/, PropMap& row) {
    return GetRow(index, row);
  }
  // The code page of the rows' 8-bit strings.
  virtual UINT CodePage() { return CP_ACP; }
  // The code page of one row's 8-bit strings, for sources whose rows may
  // each hold text of their own; by default CodePage().
  virtual UINT CodePageOf(const PropMap& /*row*/) { return CodePage(); }
};

// Rows held in memory (stores table, mailbox table, recipients, tests).
class VectorRows final : public RowSource {
 public:
  VectorRows(std::vector<ULONG> columns, std::vector<std::shared_ptr<const PropMap>> rows, UINT codepage = CP_ACP)
      : columns_(std::move(columns)), rows_(std::move(rows)), codepage_(codepage) {}
  ULONG Count() override { return static_cast<ULONG>(rows_.size()); }
  std::vector<ULONG> DefaultColumns() override { return columns_; }
  HRESULT GetRow(ULONG index, PropMap& row) override;
  UINT CodePage() override { return codepage_; }

 private:
  std::vector<ULONG> columns_;
  std::vector<std::shared_ptr<const PropMap>> rows_;
  UINT codepage_;
};

// Asked before each table call with the call's name ("SetColumns",
// "QueryRows", "SeekRow", "GetRowCount", ...) and flags; a failure status is
// the call's answer (fault injection of the memory store).
using TableHook = std::function<HRESULT(std::string_view call, ULONG flags)>;

// Creates the table. flags are those of the call that asked for it
// (MAPI_UNICODE decides the width of string columns given without type).
ComPtr<IMAPITable> MakeTable(std::shared_ptr<RowSource> rows, ULONG flags, TableHook hook = {});

}  // namespace mapi
