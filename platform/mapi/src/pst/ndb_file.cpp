#include "pst/ndb_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "mapi/format_crc.h"
#include "pst/ndb_crypt.h"

namespace pst::ndb {
namespace {

constexpr uint8_t kPageBbt = 0x80, kPageNbt = 0x81;
constexpr size_t kBlockAlign = 64;
constexpr int kMaxLevels = 16;  // deeper B-trees are taken for loops

// A BTPAGE's counts, after its entries.
struct PageCounts {
  size_t entries, entrySize, level;
};

PageCounts CountsOf(const Bytes& page, const Layout& l) {
  const uint8_t* c = page.data() + l.btEntries;
  return {c[0], c[2], c[3]};
}

std::string PageName(uint8_t type) { return type == kPageNbt ? "node B-tree page" : "block B-tree page"; }

}  // namespace

std::unique_ptr<NdbFile> NdbFile::Open(const std::string& path) {
  std::unique_ptr<NdbFile> f(new NdbFile());
  f->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (f->fd_ < 0) throw Damage("cannot open the file: " + std::string(std::strerror(errno)));
  struct stat st {};
  if (::fstat(f->fd_, &st) != 0) throw Damage("cannot read the file: " + std::string(std::strerror(errno)));
  f->size_ = static_cast<uint64_t>(st.st_size);
  uint8_t head[kHeaderSize] = {};
  const auto got = ::pread(f->fd_, head, sizeof head, 0);
  if (got < 0) throw Damage("cannot read the file: " + std::string(std::strerror(errno)));
  f->header_ = ParseHeader(head, static_cast<size_t>(got), f->size_);
  return f;
}

NdbFile::~NdbFile() {
  if (fd_ >= 0) ::close(fd_);
}

void NdbFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t size, const char* what) {
  if (offset > size_ || size > size_ - offset)
    throw Damage(std::string(what) + " at " + Hex(offset) + " lies beyond the end of the file");
  size_t done = 0;
  while (done < size) {
    const auto n = ::pread(fd_, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (n <= 0) throw Damage(std::string("cannot read ") + what + " at " + Hex(offset));
    done += static_cast<size_t>(n);
  }
}

void NdbFile::CheckRoots() {
  ReadPage(header_.nbt, kPageNbt);
  ReadPage(header_.bbt, kPageBbt);
}

// PAGETRAILER: ptype, ptypeRepeat, wSig, then dwCRC and bid (Unicode) or
// bid and dwCRC (ANSI).
SharedBytes NdbFile::ReadPage(const BRef& ref, uint8_t pageType) {
  if (auto hit = pages_.Find(ref.ib)) return hit;
  auto page = std::make_shared<Bytes>(kPageSize);
  ReadAt(ref.ib, page->data(), kPageSize, PageName(pageType).c_str());
  const Layout& l = layout();
  const size_t t = kPageSize - l.pageTrailer;
  const uint8_t* p = page->data() + t;
  const bool unicode = form() == Form::kUnicode;
  const uint32_t crc = unicode ? Get32(p + 4) : Get32(p + 8);
  const uint64_t bid = unicode ? Get64(p + 8) : Get32(p + 4);
  // Named only when it fails: pages are checked far more often than not.
  auto where = [&] { return PageName(pageType) + " " + Hex(ref.bid) + " at " + Hex(ref.ib); };
  if (p[0] != pageType || p[1] != pageType) throw Damage(where() + ": wrong page type");
  if (BidKey(bid) != BidKey(ref.bid)) throw Damage(where() + ": wrong page id");
  if (Get16(p + 2) != ComputeSig(ref.ib, bid)) throw Damage(where() + ": wrong signature");
  if (mapi::FormatCrc(page->data(), t) != crc) throw Damage(where() + ": CRC mismatch");
  const PageCounts c = CountsOf(*page, l);
  if (c.entrySize == 0 || c.entries * c.entrySize > l.btEntries || c.level >= kMaxLevels)
    throw Damage(where() + ": entry counts out of range");
  pages_.Put(ref.ib, page);
  return page;
}

// Node B-tree keys are NIDs: of their 8 bytes in the Unicode form only the
// low 4 count.
SharedBytes NdbFile::FindLeaf(const BRef& root, uint8_t pageType, uint64_t key, size_t leafEntry, size_t* at) {
  auto keyAt = [&](const uint8_t* e) { return pageType == kPageNbt ? Get32(e) : GetId(e, form()); };
  const Layout& l = layout();
  BRef ref = root;
  size_t expectLevel = SIZE_MAX;
  for (int depth = 0; depth < kMaxLevels; ++depth) {
    SharedBytes page = ReadPage(ref, pageType);
    const PageCounts c = CountsOf(*page, l);
    auto where = [&] { return PageName(pageType) + " " + Hex(ref.bid); };
    if (expectLevel != SIZE_MAX && c.level != expectLevel) throw Damage(where() + ": wrong level");
    if (c.entrySize < (c.level ? l.btEntry : leafEntry)) throw Damage(where() + ": wrong entry size");
    // The last entry whose key is not above the one sought.
    size_t lo = 0, hi = c.entries;
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      if (keyAt(page->data() + mid * c.entrySize) <= key)
        lo = mid + 1;
      else
        hi = mid;
    }
    if (lo == 0) return nullptr;
    const uint8_t* e = page->data() + (lo - 1) * c.entrySize;
    if (c.level == 0) {
      if (keyAt(e) != key) return nullptr;
      *at = (lo - 1) * c.entrySize;
      return page;
    }
    ref = {GetId(e + l.idSize, form()), GetId(e + 2 * l.idSize, form())};
    expectLevel = c.level - 1;
  }
  throw Damage(PageName(pageType) + ": too many levels");
}

// NBTENTRY: nid, bidData, bidSub, nidParent.
std::optional<Node> NdbFile::FindNode(uint32_t nid) {
  size_t at = 0;
  SharedBytes page = FindLeaf(header_.nbt, kPageNbt, nid, layout().nbtEntry, &at);
  if (!page) return std::nullopt;
  const uint8_t* e = page->data() + at;
  const size_t id = layout().idSize;
  return Node{nid, GetId(e + id, form()), GetId(e + 2 * id, form()), Get32(e + 3 * id)};
}

// BBTENTRY: BREF (bid, ib), cb, cRef.
std::optional<NdbFile::BlockRef> NdbFile::FindBlock(uint64_t bid) {
  size_t at = 0;
  SharedBytes page = FindLeaf(header_.bbt, kPageBbt, BidKey(bid), layout().bbtEntry, &at);
  if (!page) {
    // Some writers keep the reserved bit in the key.
    page = FindLeaf(header_.bbt, kPageBbt, bid, layout().bbtEntry, &at);
    if (!page) return std::nullopt;
  }
  const uint8_t* e = page->data() + at;
  const size_t id = layout().idSize;
  return BlockRef{GetId(e + id, form()), Get16(e + 2 * id)};
}

std::optional<size_t> NdbFile::BlockSize(uint64_t bid) {
  auto ref = FindBlock(bid);
  if (!ref) return std::nullopt;
  return ref->cb;
}

// BLOCKTRAILER, at the end of the block's 64-byte-aligned span: cb, wSig,
// then dwCRC and bid (Unicode) or bid and dwCRC (ANSI).
SharedBytes NdbFile::ReadBlock(uint64_t bid) {
  if (auto hit = blocks_.Find(BidKey(bid))) return hit;
  auto ref = FindBlock(bid);
  if (!ref) throw Damage("block " + Hex(bid) + " is missing from the block B-tree");
  const Layout& l = layout();
  auto where = [&] { return "block " + Hex(bid) + " at " + Hex(ref->ib); };
  if (ref->cb > l.maxBlockData) throw Damage(where() + ": size out of range");
  const size_t span = (ref->cb + l.blockTrailer + kBlockAlign - 1) / kBlockAlign * kBlockAlign;
  Bytes raw(span);
  ReadAt(ref->ib, raw.data(), span, "a block");
  const uint8_t* t = raw.data() + span - l.blockTrailer;
  const bool unicode = form() == Form::kUnicode;
  const uint32_t crc = unicode ? Get32(t + 4) : Get32(t + 8);
  const uint64_t stored = unicode ? Get64(t + 8) : Get32(t + 4);
  if (Get16(t) != ref->cb) throw Damage(where() + ": wrong size");
  if (BidKey(stored) != BidKey(bid)) throw Damage(where() + ": wrong block id");
  if (Get16(t + 2) != ComputeSig(ref->ib, stored)) throw Damage(where() + ": wrong signature");
  if (mapi::FormatCrc(raw.data(), ref->cb) != crc) throw Damage(where() + ": CRC mismatch");
  raw.resize(ref->cb);
  if (!(bid & kBidInternal)) DecodeBlock(header_.crypt, bid, raw.data(), raw.size());
  auto block = std::make_shared<const Bytes>(std::move(raw));
  blocks_.Put(BidKey(bid), block);
  return block;
}

}  // namespace pst::ndb
