#include "header.h"

#include <algorithm>

#include "crc.h"

namespace pstgen {
namespace {

constexpr std::uint8_t kCryptNone = 0;     // bCryptMethod: blocks stored as they are
constexpr std::uint8_t kAMapValid2 = 0x02; // fAMapValid: maps are current
constexpr std::uint16_t kVerUnicode = 23;
constexpr std::uint16_t kVerAnsi = 14;

// dwMagic, (dwCRCPartial), wMagicClient, wVer, wVerClient, bPlatformCreate, bPlatformAccess.
void PutPrologue(Bytes& b, std::uint16_t version) {
  const std::uint8_t magic[4] = {'!', 'B', 'D', 'N'};
  std::copy(magic, magic + 4, b.begin());
  PutAt<std::uint16_t>(b, 8, 0x4D53);  // "SM"
  PutAt<std::uint16_t>(b, 10, version);
  PutAt<std::uint16_t>(b, 12, 19);
  b[14] = 0x01;
  b[15] = 0x01;
  // dwReserved1, dwReserved2 stay zero.
}

// ROOT: dwReserved, ibFileEof, ibAMapLast, cbAMapFree, cbPMapFree, BREFNBT,
// BREFBBT, fAMapValid, bReserved, wReserved; the sizes and offsets take
// 8 bytes each in Unicode files, 4 in ANSI ones.
void PutRoot(Bytes& b, std::size_t at, const HeaderInfo& h, std::size_t id) {
  const std::uint64_t fields[] = {h.fileEof, h.lastAMap, h.amapFree, h.pmapFree,
                                  h.nbt.bid, h.nbt.ib,   h.bbt.bid,  h.bbt.ib};
  for (std::size_t i = 0; i < 8; ++i) PutIdAt(b, at + 4 + i * id, fields[i], id);
  b[at + 4 + 8 * id] = kAMapValid2;
}

Bytes UnicodeHeader(const HeaderInfo& h) {
  Bytes b(kUnicodeLayout.headerSize, 0);
  PutPrologue(b, kVerUnicode);
  // bidUnused stays zero.
  PutAt<std::uint64_t>(b, 32, h.bidNextP);         // bidNextP
  PutAt<std::uint32_t>(b, 40, h.unique);           // dwUnique
  for (std::size_t i = 0; i < 32; ++i) PutAt<std::uint32_t>(b, 44 + 4 * i, h.nextNid[i]);  // rgnid
  // qwUnused (172) stays zero.
  PutRoot(b, 180, h, 8);                           // root
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

// The ANSI header puts the next BIDs first, has no full CRC, and ends in
// reserved bytes after bCryptMethod.
Bytes AnsiHeader(const HeaderInfo& h) {
  Bytes b(kAnsiLayout.headerSize, 0);
  PutPrologue(b, kVerAnsi);
  PutIdAt(b, 24, h.bidNextB, 4);                   // bidNextB
  PutIdAt(b, 28, h.bidNextP, 4);                   // bidNextP
  PutAt<std::uint32_t>(b, 32, h.unique);           // dwUnique
  for (std::size_t i = 0; i < 32; ++i) PutAt<std::uint32_t>(b, 36 + 4 * i, h.nextNid[i]);  // rgnid
  PutRoot(b, 164, h, 4);                           // root
  std::copy(h.initialFMap.begin(), h.initialFMap.end(), b.begin() + 204);  // rgbFM
  std::fill(b.begin() + 332, b.begin() + 460, 0xFF);                        // rgbFP
  b[460] = 0x80;                                   // bSentinel
  b[461] = kCryptNone;                             // bCryptMethod
  PutAt<std::uint32_t>(b, 4, ComputeCrc(b.data() + 8, 471));  // dwCRCPartial
  return b;
}

}  // namespace

Bytes MakeHeader(const HeaderInfo& h, const FormatLayout& f) { return f.ansi() ? AnsiHeader(h) : UnicodeHeader(h); }

}  // namespace pstgen
