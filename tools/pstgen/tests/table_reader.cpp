#include "table_reader.h"

#include <fstream>
#include <stdexcept>

#include "raw_format.h"

namespace pstgen_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
T Get(const Bytes& b, std::size_t at) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) v |= std::uint64_t(b.at(at + i)) << (8 * i);
  return T(v);
}

class RawFile {
 public:
  explicit RawFile(const std::filesystem::path& p) : in_(p, std::ios::binary) {
    Bytes h = Read(0, 512);
    f_ = RawFormat::Of(h);
    nbt_ = f_.Id(h, f_.nbtIbAt);
    bbt_ = f_.Id(h, f_.bbtIbAt);
  }

  Bytes Read(std::uint64_t ib, std::size_t n) {
    Bytes b(n);
    in_.seekg(std::streamoff(ib));
    in_.read(reinterpret_cast<char*>(b.data()), std::streamsize(n));
    if (!in_) throw std::runtime_error("short read");
    return b;
  }

  // Leaf entry of a B-tree for key, or empty.
  Bytes Lookup(std::uint64_t pageIb, std::uint64_t key) {
    Bytes page = Read(pageIb, 512);
    std::size_t a = f_.entriesArea;
    int count = page[a], size = page[a + 2], level = page[a + 3];
    for (int i = count - 1; i >= 0; --i) {
      std::uint64_t k = f_.Id(page, std::size_t(i * size));
      if (level > 0 && k <= key) return Lookup(f_.Id(page, std::size_t(i * size) + 2 * f_.id), key);
      if (level == 0 && k == key) return Bytes(page.begin() + i * size, page.begin() + (i + 1) * size);
    }
    return {};
  }

  Bytes Block(std::uint64_t bid) {
    Bytes e = Lookup(bbt_, bid & ~1ull);
    if (e.empty()) throw std::runtime_error("block not found");
    return Read(f_.Id(e, f_.id), Get<std::uint16_t>(e, 2 * f_.id));
  }

  // The data blocks of a data tree, in order.
  std::vector<Bytes> Blocks(std::uint64_t bid) {
    Bytes b = Block(bid);
    if (!(bid & 2)) return {b};
    std::vector<Bytes> out;
    for (std::size_t i = 0; i < Get<std::uint16_t>(b, 2); ++i)
      for (Bytes& sub : Blocks(f_.Id(b, 8 + f_.id * i))) out.push_back(std::move(sub));
    return out;
  }

  // bidData of a subnode in the tree at bidSub.
  std::uint64_t Subnode(std::uint64_t bidSub, std::uint64_t nid) {
    Bytes b = Block(bidSub);
    std::size_t n = Get<std::uint16_t>(b, 2), size = (b[1] ? 2 : 3) * f_.id, at = f_.subnodeHeader;
    for (std::size_t i = n; i-- > 0;) {
      std::uint64_t k = f_.Id(b, at + i * size);
      if (b[1] && k <= nid) return Subnode(f_.Id(b, at + i * size + f_.id), nid);
      if (!b[1] && k == nid) return f_.Id(b, at + i * size + f_.id);
    }
    throw std::runtime_error("subnode not found");
  }

  std::uint64_t nbt() const { return nbt_; }
  const RawFormat& format() const { return f_; }

 private:
  std::ifstream in_;
  RawFormat f_;
  std::uint64_t nbt_, bbt_;
};

struct RawHeap {
  std::vector<Bytes> pages;
  Bytes Item(std::uint32_t hid) const {
    const Bytes& p = pages.at(hid >> 16);
    std::size_t map = Get<std::uint16_t>(p, 0), index = (hid >> 5) & 0x7FF;
    std::size_t from = Get<std::uint16_t>(p, map + 4 + 2 * (index - 1)), to = Get<std::uint16_t>(p, map + 4 + 2 * index);
    return Bytes(p.begin() + from, p.begin() + to);
  }
};

std::size_t CountBth(const RawHeap& heap, std::uint32_t hid) {
  Bytes h = heap.Item(hid);
  std::size_t key = h[1], data = h[2], levels = h[3];
  std::uint32_t root = Get<std::uint32_t>(h, 4);
  if (!root) return 0;
  std::vector<std::uint32_t> level{root};
  for (; levels > 0; --levels) {
    std::vector<std::uint32_t> next;
    for (std::uint32_t l : level) {
      Bytes recs = heap.Item(l);
      for (std::size_t at = 0; at < recs.size(); at += key + 4) next.push_back(Get<std::uint32_t>(recs, at + key));
    }
    level = next;
  }
  std::size_t n = 0;
  for (std::uint32_t l : level) n += heap.Item(l).size() / (key + data);
  return n;
}

}  // namespace

RawTable ReadRawTable(const std::filesystem::path& pst, std::uint64_t nid) {
  RawFile f(pst);
  Bytes node = f.Lookup(f.nbt(), nid);
  if (node.empty()) throw std::runtime_error("node not found");
  std::size_t id = f.format().id;
  std::uint64_t bidSub = f.format().Id(node, 2 * id);
  RawHeap heap{f.Blocks(f.format().Id(node, id))};
  auto value = [&](std::uint32_t hnid) -> std::vector<Bytes> {
    if ((hnid & 0x1F) == 0) return {heap.Item(hnid)};
    return f.Blocks(f.Subnode(bidSub, hnid));
  };
  Bytes info = heap.Item(Get<std::uint32_t>(heap.pages[0], 4));
  if (info[0] != 0x7C) throw std::runtime_error("not a table");
  RawTable t;
  std::size_t cols = info[1], rowSize = Get<std::uint16_t>(info, 8), bitmapAt = Get<std::uint16_t>(info, 6);
  t.indexedRows = CountBth(heap, Get<std::uint32_t>(info, 10));
  std::uint32_t rowsHnid = Get<std::uint32_t>(info, 14);
  struct Col {
    std::uint32_t tag;
    std::size_t ib, cb, bit;
  };
  std::vector<Col> desc;
  for (std::size_t i = 0; i < cols; ++i) {
    std::size_t at = 22 + 8 * i;
    desc.push_back({Get<std::uint32_t>(info, at), Get<std::uint16_t>(info, at + 4), info[at + 6], info[at + 7]});
    t.columns.push_back(desc.back().tag);
  }
  if (!rowsHnid) return t;
  for (const Bytes& block : value(rowsHnid)) {
    for (std::size_t r = 0; (r + 1) * rowSize <= block.size() && t.rows.size() < t.indexedRows; ++r) {
      Bytes row(block.begin() + r * rowSize, block.begin() + (r + 1) * rowSize);
      std::map<std::uint32_t, Bytes> cells;
      for (const Col& c : desc) {
        if (!(row[bitmapAt + c.bit / 8] & (0x80 >> (c.bit % 8)))) continue;
        Bytes cell(row.begin() + c.ib, row.begin() + c.ib + c.cb);
        std::uint32_t type = c.tag & 0xFFFF;
        bool variable = type == 0x1F || type == 0x1E || type == 0x102 || type == 0x48 || (type & 0x1000);
        if (variable) {
          Bytes joined;
          for (const Bytes& part : value(Get<std::uint32_t>(cell, 0))) joined.insert(joined.end(), part.begin(), part.end());
          cell = joined;
        }
        cells[c.tag] = cell;
      }
      t.rows.push_back(std::move(cells));
    }
  }
  return t;
}

}  // namespace pstgen_test
