#include "file_inspector.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "raw_format.h"

namespace pstgen_test {
namespace {

struct Reader {
  std::ifstream in;
  RawFormat f{};
  std::vector<std::uint8_t> Read(std::uint64_t ib, std::size_t n) {
    std::vector<std::uint8_t> b(n);
    in.seekg(std::streamoff(ib));
    in.read(reinterpret_cast<char*>(b.data()), std::streamsize(n));
    if (!in) throw std::runtime_error("short read");
    return b;
  }
};

// Visits the leaf entries of a B-tree page and its children.
template <typename F>
void Walk(Reader& r, std::uint64_t ib, F&& leaf) {
  auto page = r.Read(ib, 512);
  std::size_t a = r.f.entriesArea;
  int count = page[a], size = page[a + 2], level = page[a + 3];
  for (int i = 0; i < count; ++i) {
    if (level > 0)
      Walk(r, r.f.Id(page, std::size_t(i * size) + 2 * r.f.id), leaf);
    else
      leaf(page, i * size);
  }
}

}  // namespace

FileShape InspectFile(const std::filesystem::path& path) {
  Reader r{std::ifstream(path, std::ios::binary)};
  auto header = r.Read(0, 512);
  r.f = RawFormat::Of(header);
  FileShape shape;
  std::uint64_t nbt = r.f.Id(header, r.f.nbtIbAt), bbt = r.f.Id(header, r.f.bbtIbAt);
  shape.ansi = r.f.id == 4;
  shape.nbtLevels = r.Read(nbt, 512)[r.f.entriesArea + 3];
  shape.bbtLevels = r.Read(bbt, 512)[r.f.entriesArea + 3];
  Walk(r, bbt, [&](const std::vector<std::uint8_t>& p, std::size_t at) {
    ++shape.blocks;
    std::uint64_t bid = r.f.Id(p, at);
    if (!(bid & 2)) return;  // internal blocks only
    auto head = r.Read(r.f.Id(p, at + r.f.id), 2);
    if (head[0] == 0x01) shape.deepestDataTree = std::max<int>(shape.deepestDataTree, head[1]);
    if (head[0] == 0x02) shape.deepestSubnodeTree = std::max<int>(shape.deepestSubnodeTree, head[1]);
  });
  return shape;
}

}  // namespace pstgen_test
