#include "block_store.h"

#include <stdexcept>

#include "crc.h"
#include "trailers.h"

namespace pstgen {

std::uint64_t BlockStore::WriteBlock(const std::uint8_t* data, std::size_t cb, bool internal) {
  const FormatLayout& f = layout();
  if (cb > f.maxBlockData()) throw std::logic_error("block larger than its format allows");
  std::uint64_t bid = NextIndex() | (internal ? 2 : 0);
  std::uint64_t size = AlignUp(cb + f.blockTrailerSize, kBlockAlign);
  std::uint64_t ib = file_.AllocateBlock(size);
  Bytes block(size, 0);
  std::copy(data, data + cb, block.begin());
  PutBlockTrailer(block, f, std::uint16_t(cb), ComputeSig(ib, bid), bid);
  file_.Write(ib, block);
  // Each block has one owner; the B-tree itself holds the other reference.
  entries_.push_back({bid, ib, std::uint16_t(cb), 2});
  return bid;
}

}  // namespace pstgen
