#include "trailers.h"

#include "crc.h"

namespace pstgen {

void PutPageTrailer(Bytes& page, const FormatLayout& f, PageType type, std::uint16_t sig, std::uint64_t bid) {
  std::size_t t = f.pageDataSize();
  std::uint32_t crc = ComputeCrc(page.data(), t);
  page[t] = std::uint8_t(type);
  page[t + 1] = std::uint8_t(type);
  PutAt<std::uint16_t>(page, t + 2, sig);
  if (f.ansi()) {
    PutIdAt(page, t + 4, bid, 4);
    PutAt<std::uint32_t>(page, t + 8, crc);
  } else {
    PutAt<std::uint32_t>(page, t + 4, crc);
    PutAt<std::uint64_t>(page, t + 8, bid);
  }
}

void PutBlockTrailer(Bytes& block, const FormatLayout& f, std::uint16_t cb, std::uint16_t sig, std::uint64_t bid) {
  std::size_t t = block.size() - f.blockTrailerSize;
  std::uint32_t crc = ComputeCrc(block.data(), cb);
  PutAt<std::uint16_t>(block, t, cb);
  PutAt<std::uint16_t>(block, t + 2, sig);
  if (f.ansi()) {
    PutIdAt(block, t + 4, bid, 4);
    PutAt<std::uint32_t>(block, t + 8, crc);
  } else {
    PutAt<std::uint32_t>(block, t + 4, crc);
    PutAt<std::uint64_t>(block, t + 8, bid);
  }
}

}  // namespace pstgen
