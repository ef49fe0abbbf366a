#include "block_store.h"

#include <stdexcept>

#include "crc.h"
#include "layout.h"

namespace pstgen {

std::uint64_t BlockStore::WriteBlock(const std::uint8_t* data, std::size_t cb, bool internal) {
  if (cb > kMaxBlockData) throw std::logic_error("block larger than 8176 bytes");
  std::uint64_t bid = NextIndex() | (internal ? 2 : 0);
  std::uint64_t size = AlignUp(cb + kBlockTrailerSize, kBlockAlign);
  std::uint64_t ib = file_.AllocateBlock(size);
  Bytes block(size, 0);
  std::copy(data, data + cb, block.begin());
  // BLOCKTRAILER at the very end: cb, wSig, dwCRC, bid.
  std::size_t t = size - kBlockTrailerSize;
  PutAt<std::uint16_t>(block, t, std::uint16_t(cb));
  PutAt<std::uint16_t>(block, t + 2, ComputeSig(ib, bid));
  PutAt<std::uint32_t>(block, t + 4, ComputeCrc(data, cb));
  PutAt<std::uint64_t>(block, t + 8, bid);
  file_.Write(ib, block);
  // Each block has one owner; the B-tree itself holds the other reference.
  entries_.push_back({bid, ib, std::uint16_t(cb), 2});
  return bid;
}

}  // namespace pstgen
