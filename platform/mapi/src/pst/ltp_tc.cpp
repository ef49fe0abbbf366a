#include "pst/ltp_tc.h"

#include <algorithm>

namespace pst::ltp {
namespace {

constexpr uint8_t kTcSig = 0x7C;
constexpr size_t kTcInfoSize = 22, kColumnSize = 8;

bool Variable(uint16_t type) {
  switch (type & 0x0FFF) {
    case 0x0002: case 0x0003: case 0x0004: case 0x0005: case 0x0006: case 0x0007:
    case 0x000A: case 0x000B: case 0x0014: case 0x0040:
      return (type & 0x1000) != 0;  // multi-valued ones are held by an HNID
    default: return true;
  }
}

}  // namespace

// TCINFO: bType, cCols, rgib[4] (ends of the 8/4-byte, 2-byte, 1-byte
// cells and of the existence bits), hidRowIndex, hnidRows, hidIndex, then
// TCOLDESC: tag, ibData, cbData, iBit.
TableContext::TableContext(ndb::NdbFile& file, const ndb::Node& node) : heap_(file, node) {
  auto where = [&] { return "table of node " + ndb::Hex(node.nid); };
  if (heap_.ClientSig() != kTcSig) throw ndb::Damage(where() + ": not a table context");
  HeapItem info = heap_.Get(heap_.UserRoot());
  if (info.size < kTcInfoSize || info.data[0] != kTcSig) throw ndb::Damage(where() + ": no table signature");
  const size_t count = info.data[1];
  if (info.size < kTcInfoSize + count * kColumnSize) throw ndb::Damage(where() + ": columns out of range");
  bitsAt_ = ndb::Get16(info.data + 6);
  rowSize_ = ndb::Get16(info.data + 8);
  if (bitsAt_ > rowSize_ || rowSize_ == 0) throw ndb::Damage(where() + ": row layout out of range");
  const uint32_t rowIndex = ndb::Get32(info.data + 10);
  rowsHnid_ = ndb::Get32(info.data + 14);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* c = info.data + kTcInfoSize + i * kColumnSize;
    TcColumn col{ndb::Get32(c), ndb::Get16(c + 4), c[6], c[7]};
    if (size_t{col.at} + col.size > bitsAt_ || bitsAt_ + col.bit / 8 >= rowSize_)
      throw ndb::Damage(where() + ": column out of range");
    columns_.push_back(col);
  }
  Bth index(heap_, rowIndex);
  if (index.KeySize() != 4 || (index.DataSize() != 4 && index.DataSize() != 2))
    throw ndb::Damage(where() + ": row index records of the wrong size");
  index.ForEach([&](const uint8_t* key, const uint8_t* data) {
    rows_.push_back({ndb::Get32(key), index.DataSize() == 4 ? ndb::Get32(data) : ndb::Get16(data)});
  });
  std::sort(rows_.begin(), rows_.end(), [](const RowRef& a, const RowRef& b) { return a.index < b.index; });
  if (!rows_.empty() && !Heap::IsHid(rowsHnid_)) rowBlocks_.emplace(heap_.Subnode(rowsHnid_));
}

// Rows do not straddle blocks: each block holds as many whole rows as fit.
Bytes TableContext::RowBytes(uint32_t index) const {
  auto where = [&] { return "table of node " + ndb::Hex(heap_.NodeOf().nid) + ", row " + std::to_string(index); };
  if (!rowBlocks_) {
    HeapItem rows = heap_.Get(rowsHnid_);
    if ((size_t{index} + 1) * rowSize_ > rows.size) throw ndb::Damage(where() + ": out of range");
    return Bytes(rows.data + size_t{index} * rowSize_, rows.data + (size_t{index} + 1) * rowSize_);
  }
  const size_t perBlock = heap_.File().layout().maxBlockData / rowSize_;
  if (perBlock == 0) throw ndb::Damage(where() + ": rows larger than a block");
  const size_t block = index / perBlock, at = index % perBlock * rowSize_;
  if (block >= rowBlocks_->BlockCount()) throw ndb::Damage(where() + ": out of range");
  ndb::SharedBytes b = rowBlocks_->Block(block);
  if (at + rowSize_ > b->size()) throw ndb::Damage(where() + ": out of range");
  return Bytes(b->begin() + static_cast<std::ptrdiff_t>(at), b->begin() + static_cast<std::ptrdiff_t>(at + rowSize_));
}

std::vector<Cell> TableContext::Row(size_t row) const {
  const Bytes r = RowBytes(rows_.at(row).index);
  std::vector<Cell> cells;
  for (const TcColumn& c : columns_) {
    if (!(r[bitsAt_ + c.bit / 8] & (0x80 >> (c.bit % 8)))) continue;  // the row lacks this cell
    const auto type = static_cast<uint16_t>(c.tag);
    Cell cell{c.tag, {}};
    if (Variable(type)) {
      if (c.size != 4) throw ndb::Damage("table of node " + ndb::Hex(heap_.NodeOf().nid) + ": column size");
      const uint32_t hnid = ndb::Get32(r.data() + c.at);
      if (hnid != 0) cell.bytes = heap_.Read(hnid);
    } else {
      cell.bytes.assign(r.begin() + c.at, r.begin() + c.at + c.size);
    }
    cells.push_back(std::move(cell));
  }
  return cells;
}

}  // namespace pst::ltp
