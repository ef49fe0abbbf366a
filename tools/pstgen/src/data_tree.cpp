#include "data_tree.h"

#include <stdexcept>

#include "layout.h"

namespace pstgen {
namespace {

// BIDs in one XBLOCK or XXBLOCK: 1021 (Unicode) or 2043 (ANSI).
std::size_t XEntries(const FormatLayout& f) { return (f.maxBlockData() - 8) / f.idSize; }

// XBLOCK / XXBLOCK: btype 0x01, cLevel, cEnt, lcbTotal, rgbid.
std::uint64_t WriteXBlock(BlockStore& store, std::uint8_t level, const std::uint64_t* bids, std::size_t n,
                          std::uint64_t total) {
  Bytes b;
  Append<std::uint8_t>(b, 0x01);
  Append<std::uint8_t>(b, level);
  Append<std::uint16_t>(b, std::uint16_t(n));
  Append<std::uint32_t>(b, std::uint32_t(total));
  for (std::size_t i = 0; i < n; ++i) AppendId(b, bids[i], store.layout().idSize);
  return store.WriteBlock(b, true);
}

}  // namespace

std::uint64_t WriteDataTree(BlockStore& store, const std::vector<std::uint64_t>& bids, std::uint64_t total) {
  if (bids.empty()) throw std::logic_error("empty data tree");
  if (bids.size() == 1) return bids[0];
  if (total > 0xFFFFFFFFull) throw std::runtime_error("value larger than 4 GB");
  const std::size_t perX = XEntries(store.layout()), blockData = store.layout().maxBlockData();
  if (bids.size() <= perX) return WriteXBlock(store, 1, bids.data(), bids.size(), total);
  // Two levels: every XBLOCK but the last holds perX full blocks.
  std::vector<std::uint64_t> xblocks;
  for (std::size_t i = 0; i < bids.size(); i += perX) {
    std::size_t n = std::min(perX, bids.size() - i);
    std::uint64_t bytes = std::min<std::uint64_t>(n * blockData, total - i * blockData);
    xblocks.push_back(WriteXBlock(store, 1, &bids[i], n, bytes));
  }
  if (xblocks.size() > perX) throw std::runtime_error("value too large for a data tree");
  return WriteXBlock(store, 2, xblocks.data(), xblocks.size(), total);
}

void StreamWriter::Append(const std::uint8_t* data, std::size_t size) {
  const std::size_t blockData = store_.layout().maxBlockData();
  while (size > 0) {
    std::size_t n = std::min<std::size_t>(size, blockData - pending_.size());
    pending_.insert(pending_.end(), data, data + n);
    data += n, size -= n, total_ += n;
    if (pending_.size() == blockData) Flush();
  }
}

void StreamWriter::Flush() {
  bids_.push_back(store_.WriteBlock(pending_));
  pending_.clear();
}

std::uint64_t StreamWriter::Finish() {
  if (!pending_.empty()) Flush();
  return WriteDataTree(store_, bids_, total_);
}

std::uint64_t WriteStream(BlockStore& store, const Bytes& data) {
  StreamWriter w(store);
  w.Append(data);
  return w.Finish();
}

}  // namespace pstgen
