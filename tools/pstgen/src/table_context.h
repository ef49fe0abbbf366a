// Table context: TCINFO, a row index BTH (row ID -> row number) and a row
// matrix of fixed-size rows with a cell-existence bitmap at each row's end.
#pragma once

#include <vector>

#include "ltp.h"
#include "pstgen/description.h"

namespace pstgen {

struct TableRow {
  std::uint32_t rowId;
  std::vector<Property> cells;  // cells not among the columns are left out
};

// columns: the table's tags besides PR_LTP_ROW_ID and PR_LTP_ROW_VER, which
// every table starts with. Returns the bidData; large data joins subs.
std::uint64_t WriteTableContext(BlockStore& store, std::vector<ULONG> columns, const std::vector<TableRow>& rows,
                                Subnodes& subs);

}  // namespace pstgen
