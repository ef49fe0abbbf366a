#include "file_inspector.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace pstgen_test {
namespace {

struct Reader {
  std::ifstream in;
  std::vector<std::uint8_t> Read(std::uint64_t ib, std::size_t n) {
    std::vector<std::uint8_t> b(n);
    in.seekg(std::streamoff(ib));
    in.read(reinterpret_cast<char*>(b.data()), std::streamsize(n));
    if (!in) throw std::runtime_error("short read");
    return b;
  }
};

std::uint64_t U64(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

// Visits the leaf entries of a B-tree page and its children.
template <typename F>
void Walk(Reader& r, std::uint64_t ib, F&& leaf) {
  auto page = r.Read(ib, 512);
  int count = page[488], size = page[490], level = page[491];
  for (int i = 0; i < count; ++i) {
    if (level > 0)
      Walk(r, U64(page, i * size + 16), leaf);
    else
      leaf(page, i * size);
  }
}

}  // namespace

FileShape InspectFile(const std::filesystem::path& path) {
  Reader r{std::ifstream(path, std::ios::binary)};
  auto header = r.Read(0, 564);
  FileShape shape;
  // ROOT at 180: BREFNBT at +36, BREFBBT at +52 (each bid, ib).
  shape.nbtLevels = r.Read(U64(header, 224), 512)[491];
  shape.bbtLevels = r.Read(U64(header, 240), 512)[491];
  Walk(r, U64(header, 240), [&](const std::vector<std::uint8_t>& p, std::size_t at) {
    ++shape.blocks;
    std::uint64_t bid = U64(p, at);
    if (!(bid & 2)) return;  // internal blocks only
    auto head = r.Read(U64(p, at + 8), 2);
    if (head[0] == 0x01) shape.deepestDataTree = std::max<int>(shape.deepestDataTree, head[1]);
    if (head[0] == 0x02) shape.deepestSubnodeTree = std::max<int>(shape.deepestSubnodeTree, head[1]);
  });
  return shape;
}

}  // namespace pstgen_test
