#include "data_tree.h"

#include <stdexcept>

#include "layout.h"

namespace pstgen {
namespace {

constexpr std::size_t kXEntries = (kMaxBlockData - 8) / 8;  // BIDs in one XBLOCK or XXBLOCK: 1021

// XBLOCK / XXBLOCK: btype 0x01, cLevel, cEnt, lcbTotal, rgbid.
std::uint64_t WriteXBlock(BlockStore& store, std::uint8_t level, const std::uint64_t* bids, std::size_t n,
                          std::uint64_t total) {
  Bytes b;
  Append<std::uint8_t>(b, 0x01);
  Append<std::uint8_t>(b, level);
  Append<std::uint16_t>(b, std::uint16_t(n));
  Append<std::uint32_t>(b, std::uint32_t(total));
  for (std::size_t i = 0; i < n; ++i) Append<std::uint64_t>(b, bids[i]);
  return store.WriteBlock(b, true);
}

}  // namespace

std::uint64_t WriteDataTree(BlockStore& store, const std::vector<std::uint64_t>& bids, std::uint64_t total) {
  if (bids.empty()) throw std::logic_error("empty data tree");
  if (bids.size() == 1) return bids[0];
  if (total > 0xFFFFFFFFull) throw std::runtime_error("value larger than 4 GB");
  if (bids.size() <= kXEntries) return WriteXBlock(store, 1, bids.data(), bids.size(), total);
  // Two levels: every XBLOCK but the last holds 1021 full blocks.
  std::vector<std::uint64_t> xblocks;
  for (std::size_t i = 0; i < bids.size(); i += kXEntries) {
    std::size_t n = std::min(kXEntries, bids.size() - i);
    std::uint64_t bytes = std::min<std::uint64_t>(n * kMaxBlockData, total - i * kMaxBlockData);
    xblocks.push_back(WriteXBlock(store, 1, &bids[i], n, bytes));
  }
  if (xblocks.size() > kXEntries) throw std::runtime_error("value too large for a data tree");
  return WriteXBlock(store, 2, xblocks.data(), xblocks.size(), total);
}

void StreamWriter::Append(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    std::size_t n = std::min<std::size_t>(size, kMaxBlockData - pending_.size());
    pending_.insert(pending_.end(), data, data + n);
    data += n, size -= n, total_ += n;
    if (pending_.size() == kMaxBlockData) Flush();
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
