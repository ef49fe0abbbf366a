// Space allocation and the map pages: nothing lands on a map page or
// straddles an interval, and every allocation map marks exactly what is used.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "crc.h"
#include "layout.h"
#include "output_file.h"
#include "testing/temp_machine.h"

namespace pstgen {
namespace {

struct Range {
  std::uint64_t ib, size;
};

// Where a map page holds its bits and trailer fields in each form.
struct MapPageForm {
  FileFormat format;
  std::size_t bitsAt, typeAt, crcAt, bidAt, bidSize;
};
const MapPageForm kForms[] = {{FileFormat::kUnicode, 0, 496, 500, 504, 8}, {FileFormat::kAnsi, 4, 500, 508, 504, 4}};

bool Bit(const Bytes& page, std::size_t at, std::uint64_t slot) { return page[at + slot / 8] & (0x80 >> (slot % 8)); }

void ExpectAllocationsAvoidMapPagesAndMapsMarkThem(const MapPageForm& form) {
  testing_support::TempMachine m;
  auto path = m.scratch() / "maps.pst";
  std::vector<Range> used;
  OutputFile::MapSummary sum;
  {
    OutputFile f(path, form.format);
    // Past interval 128, where the first free map sits; every 50th
    // allocation is a page.
    for (std::uint64_t i = 0; used.empty() || used.back().ib < IntervalStart(129) + 20000; ++i) {
      if (i % 50 == 0) {
        used.push_back({f.AllocatePage(), kPageSize});
      } else {
        std::uint64_t size = 64 * (1 + (i * 37) % 128);
        used.push_back({f.AllocateBlock(size), size});
      }
    }
    sum = f.WriteMaps();
  }
  std::uint64_t intervals = (used.back().ib - kAMapBase) / kAMapCoverage + 1;
  EXPECT_EQ(IntervalStart(intervals), sum.fileEof);
  EXPECT_EQ(IntervalStart(intervals - 1), sum.lastAMap);
  for (std::size_t i = 0; i < used.size(); ++i) {
    const Range& r = used[i];
    std::uint64_t k = (r.ib - kAMapBase) / kAMapCoverage;
    EXPECT_GE(r.ib, IntervalStart(k) + kPageSize * MapPagesAt(k).count()) << i;
    EXPECT_LE(r.ib + r.size, IntervalStart(k + 1)) << i;
    EXPECT_EQ(0u, r.ib % (r.size == kPageSize && i % 50 == 0 ? kPageSize : kBlockAlign)) << i;
    if (i > 0) {
      EXPECT_GE(r.ib, used[i - 1].ib + used[i - 1].size) << i;
    }
  }

  std::ifstream in(path, std::ios::binary);
  auto page = [&](std::uint64_t ib) {
    Bytes p(kPageSize);
    in.seekg(std::streamoff(ib));
    in.read(reinterpret_cast<char*>(p.data()), kPageSize);
    return p;
  };
  auto expectMapPage = [&](const Bytes& p, std::uint8_t type, std::uint64_t ib) {
    EXPECT_EQ(type, p[form.typeAt]) << ib;
    EXPECT_EQ(type, p[form.typeAt + 1]) << ib;
    EXPECT_EQ(0u, GetAt<std::uint16_t>(p, form.typeAt + 2)) << ib;  // no signature
    EXPECT_EQ(ComputeCrc(p.data(), form.typeAt), GetAt<std::uint32_t>(p, form.crcAt)) << ib;
    // A map page's BID is its offset.
    EXPECT_EQ(ib, form.bidSize == 8 ? GetAt<std::uint64_t>(p, form.bidAt) : GetAt<std::uint32_t>(p, form.bidAt)) << ib;
    for (std::size_t i = 0; i < form.bitsAt; ++i) EXPECT_EQ(0, p[i]) << "padding of " << ib;
  };
  std::size_t next = 0;
  std::uint64_t free = 0;
  for (std::uint64_t k = 0; k < intervals; ++k) {
    std::uint64_t start = IntervalStart(k);
    Bytes amap = page(start);
    expectMapPage(amap, 0x84, start);
    MapPagesOfInterval maps = MapPagesAt(k);
    std::uint64_t at = start + kPageSize;
    if (maps.pmap) expectMapPage(page(at), 0x83, at), at += kPageSize;
    if (maps.fmap) expectMapPage(page(at), 0x82, at), at += kPageSize;
    EXPECT_EQ(k == 128, maps.fmap);
    // Each 64-byte slot is marked exactly when a map page or an allocation covers it.
    for (std::uint64_t slot = 0; slot < kMapBitsSize * 8; ++slot) {
      std::uint64_t ib = start + slot * 64;
      while (next < used.size() && used[next].ib + used[next].size <= ib) ++next;
      bool inUse = ib < at || (next < used.size() && used[next].ib <= ib);
      ASSERT_EQ(inUse, Bit(amap, form.bitsAt, slot)) << "interval " << k << " slot " << slot;
      free += inUse ? 0 : 64;
    }
  }
  EXPECT_EQ(free, sum.amapFree);
}

TEST(OutputFile, AllocationsAvoidMapPagesAndMapsMarkThem) {
  for (const MapPageForm& form : kForms) {
    SCOPED_TRACE(form.format == FileFormat::kAnsi ? "ANSI" : "Unicode");
    ExpectAllocationsAvoidMapPagesAndMapsMarkThem(form);
  }
}

// Offsets of an ANSI file are 32-bit, and Outlook stops it at 2 GB.
TEST(OutputFile, AnsiFilesStopAt2Gb) {
  testing_support::TempMachine m;
  OutputFile f(m.scratch() / "big.pst", FileFormat::kAnsi);
  std::uint64_t last = 0;
  try {
    for (;;) last = f.AllocateBlock(8192);
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("2 GB")) << e.what();
  }
  EXPECT_LT(last + 8192, 1ull << 31);
  EXPECT_GT(last + 8192 + kAMapCoverage, 1ull << 31);  // the last interval that fits is used
}

}  // namespace
}  // namespace pstgen
