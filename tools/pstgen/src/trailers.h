// The trailers that end every page and block. The two forms order their
// fields differently: Unicode puts the CRC before the 8-byte BID, ANSI the
// 4-byte BID before the CRC.
#pragma once

#include <cstdint>

#include "bytes.h"
#include "layout.h"

namespace pstgen {

// PAGETRAILER of a 512-byte page: ptype twice, wSig, the CRC of the data
// before the trailer, and the BID.
void PutPageTrailer(Bytes& page, const FormatLayout& f, PageType type, std::uint16_t sig, std::uint64_t bid);

// BLOCKTRAILER at the end of `block`: cb, wSig, the CRC of the cb data
// bytes, and the BID.
void PutBlockTrailer(Bytes& block, const FormatLayout& f, std::uint16_t cb, std::uint16_t sig, std::uint64_t bid);

}  // namespace pstgen
