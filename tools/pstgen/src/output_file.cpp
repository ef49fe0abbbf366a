#include "output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "layout.h"
#include "map_pages.h"

namespace pstgen {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::uint64_t ReservedEnd(std::uint64_t k) { return IntervalStart(k) + kPageSize * MapPagesAt(k).count(); }

}  // namespace

std::uint64_t OutputFile::kFirstData() { return ReservedEnd(0); }

OutputFile::OutputFile(const std::filesystem::path& path, FileFormat format) : layout_(LayoutOf(format)) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) Fail("cannot create " + path.string());
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t OutputFile::Allocate(std::uint64_t size, std::uint64_t align) {
  std::uint64_t ib = AlignUp(cursor_, align);
  for (;;) {
    std::uint64_t k = (ib - kAMapBase) / kAMapCoverage;
    if (ib < ReservedEnd(k)) ib = AlignUp(ReservedEnd(k), align);
    // Nothing may straddle the next interval's map pages.
    if (ib + size <= IntervalStart(k + 1)) break;
    ib = AlignUp(ReservedEnd(k + 1), align);
  }
  // Maps included: the last interval is written whole.
  if (IntervalStart((ib + size - 1 - kAMapBase) / kAMapCoverage + 1) > layout_.maxFileSize)
    throw std::runtime_error("the file would exceed the 2 GB an ANSI file can hold");
  cursor_ = ib + size;
  MarkAllocated(ib, size);
  return ib;
}

std::uint64_t OutputFile::AllocateBlock(std::uint64_t size) { return Allocate(size, kBlockAlign); }

std::uint64_t OutputFile::AllocatePage() { return Allocate(kPageSize, kPageSize); }

void OutputFile::MarkAllocated(std::uint64_t ib, std::uint64_t size) {
  std::uint64_t first = (ib - kAMapBase) / 64, last = (ib + size - 1 - kAMapBase) / 64;
  if (amapBits_.size() <= last / 8) amapBits_.resize(AlignUp(last / 8 + 1, kMapBitsSize), 0);
  for (std::uint64_t s = first; s <= last; ++s) amapBits_[s / 8] |= std::uint8_t(0x80 >> (s % 8));
}

void OutputFile::Write(std::uint64_t ib, const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, p, size, off_t(ib));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write failed");
    }
    p += n, ib += std::uint64_t(n), size -= std::size_t(n);
  }
}

OutputFile::MapSummary OutputFile::WriteMaps() {
  std::uint64_t intervals = (cursor_ - 1 - kAMapBase) / kAMapCoverage + 1;
  for (std::uint64_t k = 0; k < intervals; ++k) MarkAllocated(IntervalStart(k), kPageSize * MapPagesAt(k).count());
  amapBits_.resize(intervals * kMapBitsSize, 0);

  MapSummary sum{};
  const Bytes allSet(kMapBitsSize, 0xFF);
  for (std::uint64_t k = 0; k < intervals; ++k) {
    const std::uint8_t* bits = &amapBits_[k * kMapBitsSize];
    std::uint64_t ib = IntervalStart(k);
    Write(ib, MakeMapPage(layout_, PageType::kAMap, bits, ib));
    sum.lastAMap = ib;
    for (std::size_t i = 0; i < kMapBitsSize * 8; ++i)
      if (!(bits[i / 8] & (0x80 >> (i % 8)))) sum.amapFree += 64;
    if (k < 128) sum.initialFMap[k] = LongestFreeRun(bits);
    // The page, free and free page maps are no longer consulted by readers;
    // they are written as "nothing free here", which is always safe.
    MapPagesOfInterval maps = MapPagesAt(k);
    std::uint64_t at = ib + kPageSize;
    if (maps.pmap) Write(at, MakeMapPage(layout_, PageType::kPMap, allSet.data(), at)), at += kPageSize;
    if (maps.fmap) {
      Bytes fmap(kMapBitsSize, 0);
      for (std::uint64_t j = 0; j < kMapBitsSize && k + j < intervals; ++j)
        fmap[j] = LongestFreeRun(&amapBits_[(k + j) * kMapBitsSize]);
      Write(at, MakeMapPage(layout_, PageType::kFMap, fmap.data(), at)), at += kPageSize;
    }
    if (maps.fpmap) Write(at, MakeMapPage(layout_, PageType::kFPMap, allSet.data(), at));
  }
  sum.fileEof = IntervalStart(intervals);
  if (::ftruncate(fd_, off_t(sum.fileEof)) != 0) Fail("cannot extend the file");
  return sum;
}

}  // namespace pstgen
