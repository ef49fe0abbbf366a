#include "pst/ndb_header.h"

#include <cstdio>

#include "mapi/format_crc.h"

namespace pst::ndb {

std::string Hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

namespace {

constexpr uint32_t kMagic = 0x4E444221;        // "!BDN"
constexpr uint16_t kMagicClient = 0x4D53;      // "SM"
constexpr uint8_t kSentinel = 0x80;
constexpr uint16_t kVersionUnicode4k = 36;     // the 4K-page OST form
constexpr size_t kPartialCrcFrom = 8, kPartialCrcBytes = 471, kFullCrcBytes = 516;

// Where the fields after dwReserved2 sit in each form.
struct Places {
  size_t size;      // bytes of the header
  size_t fileEof;   // ROOT.ibFileEof
  size_t nbt;       // ROOT.BREFNBT
  size_t bbt;       // ROOT.BREFBBT
  size_t sentinel;  // bSentinel; bCryptMethod follows
  size_t fullCrc;   // dwCRCFull, 0 where the form has none
};
constexpr Places kUnicodePlaces{564, 184, 216, 232, 512, 524};
constexpr Places kAnsiPlaces{512, 168, 184, 192, 460, 0};

[[noreturn]] void Fail(const std::string& what) { throw Damage("the file header is damaged: " + what); }

Form FormOf(uint16_t version) {
  if (version == 14 || version == 15) return Form::kAnsi;
  if (version == 23) return Form::kUnicode;
  if (version == kVersionUnicode4k)
    throw Damage("the 4K-page form of OST files (format version 36) is not supported");
  throw Damage("unknown file format version " + std::to_string(version));
}

}  // namespace

Header ParseHeader(const uint8_t* b, size_t size, uint64_t fileSize) {
  if (size < 24 || Get32(b) != kMagic || Get16(b + 8) != kMagicClient)
    throw Damage("no PST file signature");
  Header h;
  h.version = Get16(b + 10);
  h.form = FormOf(h.version);
  const Places& at = h.form == Form::kUnicode ? kUnicodePlaces : kAnsiPlaces;
  if (size < at.size) throw Damage("the file is truncated: it ends inside its header");
  if (mapi::FormatCrc(b + kPartialCrcFrom, kPartialCrcBytes) != Get32(b + 4)) Fail("CRC mismatch");
  if (at.fullCrc && mapi::FormatCrc(b + kPartialCrcFrom, kFullCrcBytes) != Get32(b + at.fullCrc))
    Fail("CRC mismatch");
  if (b[at.sentinel] != kSentinel) Fail("no sentinel");
  const uint8_t crypt = b[at.sentinel + 1];
  if (crypt > static_cast<uint8_t>(Crypt::kCyclic)) Fail("unknown block encoding " + std::to_string(crypt));
  h.crypt = static_cast<Crypt>(crypt);
  h.fileEof = GetId(b + at.fileEof, h.form);
  const size_t id = LayoutOf(h.form).idSize;
  h.nbt = {GetId(b + at.nbt, h.form), GetId(b + at.nbt + id, h.form)};
  h.bbt = {GetId(b + at.bbt, h.form), GetId(b + at.bbt + id, h.form)};
  if (fileSize < h.fileEof)
    throw Damage("the file is truncated: its header gives " + std::to_string(h.fileEof) + " bytes, the file has " +
                 std::to_string(fileSize));
  return h;
}

}  // namespace pst::ndb
