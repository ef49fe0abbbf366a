#include "trailers.h"

#include "crc.h"

namespace pstgen {

namespace {

// Both trailers end in wSig and then the CRC and BID in the form's order.
void PutSigCrcBid(Bytes& b, std::size_t at, const FormatLayout& f, std::uint16_t sig, std::uint32_t crc,
                  std::uint64_t bid) {
  PutAt<std::uint16_t>(b, at, sig);
  if (f.ansi()) {
    PutIdAt(b, at + 2, bid, 4);
    PutAt<std::uint32_t>(b, at + 6, crc);
  } else {
    PutAt<std::uint32_t>(b, at + 2, crc);
    PutAt<std::uint64_t>(b, at + 6, bid);
  }
}

}  // namespace

void PutPageTrailer(Bytes& page, const FormatLayout& f, PageType type, std::uint16_t sig, std::uint64_t bid) {
  std::size_t t = f.pageDataSize();
  std::uint32_t crc = ComputeCrc(page.data(), t);
  page[t] = std::uint8_t(type);
  page[t + 1] = std::uint8_t(type);
  PutSigCrcBid(page, t + 2, f, sig, crc, bid);
}

void PutBlockTrailer(Bytes& block, const FormatLayout& f, std::uint16_t cb, std::uint16_t sig, std::uint64_t bid) {
  std::size_t t = block.size() - f.blockTrailerSize;
  std::uint32_t crc = ComputeCrc(block.data(), cb);
  PutAt<std::uint16_t>(block, t, cb);
  PutSigCrcBid(block, t + 2, f, sig, crc, bid);
}

}  // namespace pstgen
