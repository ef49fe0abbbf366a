#include "header.h"

#include <algorithm>

#include "crc.h"
#include "layout.h"

namespace pstgen {
namespace {

constexpr std::uint8_t kCryptNone = 0;     // bCryptMethod: blocks stored as they are
constexpr std::uint8_t kAMapValid2 = 0x02; // fAMapValid: maps are current

void PutRoot(Bytes& b, std::size_t at, const HeaderInfo& h) {
  PutAt<std::uint32_t>(b, at + 0, 0);              // dwReserved
  PutAt<std::uint64_t>(b, at + 4, h.fileEof);      // ibFileEof
  PutAt<std::uint64_t>(b, at + 12, h.lastAMap);    // ibAMapLast
  PutAt<std::uint64_t>(b, at + 20, h.amapFree);    // cbAMapFree
  PutAt<std::uint64_t>(b, at + 28, h.pmapFree);    // cbPMapFree
  PutAt<std::uint64_t>(b, at + 36, h.nbt.bid);     // BREFNBT
  PutAt<std::uint64_t>(b, at + 44, h.nbt.ib);
  PutAt<std::uint64_t>(b, at + 52, h.bbt.bid);     // BREFBBT
  PutAt<std::uint64_t>(b, at + 60, h.bbt.ib);
  b[at + 68] = kAMapValid2;                        // fAMapValid
  // bReserved, wReserved stay zero.
}

}  // namespace

Bytes MakeHeader(const HeaderInfo& h) {
  Bytes b(kHeaderSize, 0);
  const std::uint8_t magic[4] = {'!', 'B', 'D', 'N'};
  std::copy(magic, magic + 4, b.begin());          // dwMagic
  PutAt<std::uint16_t>(b, 8, 0x4D53);              // wMagicClient "SM"
  PutAt<std::uint16_t>(b, 10, 23);                 // wVer: Unicode
  PutAt<std::uint16_t>(b, 12, 19);                 // wVerClient
  b[14] = 0x01;                                    // bPlatformCreate
  b[15] = 0x01;                                    // bPlatformAccess
  // dwReserved1, dwReserved2, bidUnused stay zero.
  PutAt<std::uint64_t>(b, 32, h.bidNextP);         // bidNextP
  PutAt<std::uint32_t>(b, 40, h.unique);           // dwUnique
  for (std::size_t i = 0; i < 32; ++i) PutAt<std::uint32_t>(b, 44 + 4 * i, h.nextNid[i]);  // rgnid
  // qwUnused (172) stays zero.
  PutRoot(b, 180, h);                              // root
  // dwAlign (252) stays zero.
  std::copy(h.initialFMap.begin(), h.initialFMap.end(), b.begin() + 256);  // rgbFM
  std::fill(b.begin() + 384, b.begin() + 512, 0xFF);                        // rgbFP
  b[512] = 0x80;                                   // bSentinel
  b[513] = kCryptNone;                             // bCryptMethod
  PutAt<std::uint64_t>(b, 516, h.bidNextB);        // bidNextB
  // dwCRCPartial covers the 471 bytes from wMagicClient; dwCRCFull the 516.
  PutAt<std::uint32_t>(b, 4, ComputeCrc(b.data() + 8, 471));
  PutAt<std::uint32_t>(b, 524, ComputeCrc(b.data() + 8, 516));
  return b;
}

}  // namespace pstgen
