// The table context (TC) of a node: its columns, the row index (row id to
// row number), rows in a heap item or in a subnode's data blocks, each
// row's cell existence bits, and variable-size cells in the heap or in
// subnodes.
#pragma once

#include <optional>
#include <vector>

#include "pst/ltp_pc.h"

namespace pst::ltp {

struct TcColumn {
  uint32_t tag = 0;
  uint16_t at = 0;   // ibData
  uint8_t size = 0;  // cbData
  uint8_t bit = 0;   // iBit in the cell existence bits
};

struct Cell {
  uint32_t tag = 0;
  Bytes bytes;
};

class TableContext {
 public:
  // Reads TCINFO and the row index, not the rows.
  TableContext(ndb::NdbFile& file, const ndb::Node& node);

  const std::vector<TcColumn>& Columns() const { return columns_; }
  size_t RowCount() const { return rows_.size(); }
  uint32_t RowId(size_t row) const { return rows_.at(row).id; }
  // The cells row `row` has, in column order; variable-size ones read.
  std::vector<Cell> Row(size_t row) const;

 private:
  struct RowRef {
    uint32_t id;
    uint32_t index;  // place in the row matrix
  };
  Bytes RowBytes(uint32_t index) const;

  Heap heap_;
  std::vector<TcColumn> columns_;
  std::vector<RowRef> rows_;
  size_t rowSize_ = 0, bitsAt_ = 0;
  uint32_t rowsHnid_ = 0;
  std::optional<ndb::DataTree> rowBlocks_;  // rows in a subnode
};

}  // namespace pst::ltp
