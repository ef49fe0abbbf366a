#include "table_context.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "bth.h"
#include "file_strings.h"
#include "layout.h"
#include "mapi/mapitags.h"

namespace pstgen {
namespace {

struct ColumnDesc {  // TCOLDESC
  ULONG tag;
  std::uint16_t ibData;
  std::uint8_t cbData;
  std::uint8_t iBit;
};

std::size_t CellSize(ULONG tag) {
  std::size_t s = FixedSize(PROP_TYPE(tag));
  return s ? s : 4;  // variable values are held by an HNID
}

// Row ID and version first, then 8- and 4-byte cells, then 2-byte, then
// 1-byte, then the bitmap. rgib: ends of the 4/8-byte, 2-byte, 1-byte and
// bitmap parts.
std::vector<ColumnDesc> LayOut(const std::vector<ULONG>& tags, std::uint16_t rgib[4]) {
  std::vector<ColumnDesc> cols{{PR_LTP_ROW_ID, 0, 4, 0}, {PR_LTP_ROW_VER, 4, 4, 1}};
  std::uint16_t at = 8;
  std::uint8_t bit = 2;
  auto place = [&](std::size_t size) {
    for (ULONG t : tags)
      if (CellSize(t) == size) cols.push_back({t, at, std::uint8_t(size), bit++}), at = std::uint16_t(at + size);
  };
  place(8), place(4);
  rgib[0] = at;
  place(2);
  rgib[1] = at;
  place(1);
  rgib[2] = at;
  rgib[3] = std::uint16_t(at + (cols.size() + 7) / 8);
  std::sort(cols.begin(), cols.end(), [](auto& a, auto& b) { return a.tag < b.tag; });
  return cols;
}

Bytes RowBytes(const TableRow& row, const std::vector<ColumnDesc>& cols, std::uint16_t rowSize, std::uint16_t bitmapAt,
               Heap& heap, BlockStore& store, Subnodes& subs) {
  std::map<ULONG, const Property*> cells;
  for (const Property& p : row.cells) cells[p.tag] = &p;
  Bytes r(rowSize, 0);
  for (const ColumnDesc& c : cols) {
    Bytes value;
    if (c.tag == PR_LTP_ROW_ID) {
      Append<std::uint32_t>(value, row.rowId);
    } else if (c.tag == PR_LTP_ROW_VER) {
      Append<std::uint32_t>(value, 1);
    } else if (auto it = cells.find(c.tag); it != cells.end()) {
      if (FixedSize(PROP_TYPE(c.tag)))
        value = it->second->value;
      else
        Append<std::uint32_t>(value, StoreValue(heap, store, subs, it->second->value));
    } else {
      continue;
    }
    std::copy_n(value.begin(), std::min<std::size_t>(value.size(), c.cbData), r.begin() + c.ibData);
    r[bitmapAt + c.iBit / 8] |= std::uint8_t(0x80 >> (c.iBit % 8));
  }
  return r;
}

// TCINFO: bType, cCols, rgib[4], hidRowIndex, hnidRows, hidIndex, rgTCOLDESC.
constexpr std::size_t kTcInfoRowIndexAt = 10;
constexpr std::size_t kTcInfoRowsAt = 14;

Bytes TcInfo(const std::vector<ColumnDesc>& cols, const std::uint16_t rgib[4]) {
  Bytes info;
  Append<std::uint8_t>(info, kClientTc);
  Append<std::uint8_t>(info, std::uint8_t(cols.size()));
  for (int i = 0; i < 4; ++i) Append<std::uint16_t>(info, rgib[i]);
  Append<std::uint32_t>(info, 0);  // hidRowIndex, filled in later
  Append<std::uint32_t>(info, 0);  // hnidRows, filled in later
  Append<std::uint32_t>(info, 0);  // hidIndex, unused
  for (const ColumnDesc& c : cols) {
    Append<std::uint32_t>(info, c.tag);
    Append<std::uint16_t>(info, c.ibData);
    Append<std::uint8_t>(info, c.cbData);
    Append<std::uint8_t>(info, c.iBit);
  }
  return info;
}

}  // namespace

std::uint64_t WriteTableContext(BlockStore& store, std::vector<ULONG> columns, const std::vector<TableRow>& rows,
                                Subnodes& subs) {
  const FormatLayout& f = store.layout();
  for (ULONG& c : columns) c = FileTag(f, c);
  std::sort(columns.begin(), columns.end());
  columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
  std::erase_if(columns, [](ULONG t) { return t == PR_LTP_ROW_ID || t == PR_LTP_ROW_VER; });
  // cCols is one byte, and row ID and version take two columns.
  if (columns.size() > 253) throw std::runtime_error("a table has more than 255 columns");
  std::uint16_t rgib[4];
  std::vector<ColumnDesc> cols = LayOut(columns, rgib);

  Heap heap(kClientTc);
  Bytes info = TcInfo(cols, rgib);
  std::uint32_t infoHid = heap.Allocate(info);

  // Rows never straddle blocks of the row matrix: each block but the last
  // is padded to the full block size.
  std::uint16_t rowSize = rgib[3];
  const std::size_t blockData = f.maxBlockData();
  std::size_t perBlock = blockData / rowSize;
  Bytes matrix;
  std::vector<Bytes> index;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0 && i % perBlock == 0) PadTo(matrix, (i / perBlock) * blockData);
    TableRow narrowed;
    const TableRow* row = &rows[i];
    if (f.ansi()) narrowed = {rows[i].rowId, NarrowStrings(rows[i].cells)}, row = &narrowed;
    AppendBytes(matrix, RowBytes(*row, cols, rowSize, rgib[2], heap, store, subs));
    Bytes rec;  // row index record: dwRowID, dwRowIndex
    Append<std::uint32_t>(rec, rows[i].rowId);
    Append<std::uint32_t>(rec, std::uint32_t(i));
    index.push_back(std::move(rec));
  }
  std::sort(index.begin(), index.end(),
            [](const Bytes& a, const Bytes& b) { return GetAt<std::uint32_t>(a, 0) < GetAt<std::uint32_t>(b, 0); });
  std::uint32_t rowIndex = WriteBth(heap, 4, 4, index);
  std::uint32_t rowsHnid = rows.empty() ? 0 : StoreValue(heap, store, subs, matrix);
  PutAt<std::uint32_t>(info, kTcInfoRowIndexAt, rowIndex);
  PutAt<std::uint32_t>(info, kTcInfoRowsAt, rowsHnid);
  heap.Replace(infoHid, info);
  heap.SetUserRoot(infoHid);
  return heap.Write(store);
}

}  // namespace pstgen
