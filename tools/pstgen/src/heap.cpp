#include "heap.h"

#include <stdexcept>

#include "data_tree.h"
#include "layout.h"

namespace pstgen {
namespace {

constexpr std::size_t kMaxItemsPerPage = 2047;  // hidIndex has 11 bits

std::uint32_t MakeHid(std::size_t page, std::size_t item) {
  return std::uint32_t(page << 16) | std::uint32_t((item + 1) << 5);  // hidType 0, hidIndex 1-based
}

// Four-bit fill level of a page from its free bytes.
std::uint8_t FillLevel(std::size_t free) {
  static constexpr std::size_t kAtLeast[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                             512,  256,  128,  64,   32,   16,   8};
  for (std::uint8_t i = 0; i < 15; ++i)
    if (free >= kAtLeast[i]) return i;
  return 15;
}

bool IsBitmapPage(std::size_t index) { return index >= 8 && (index - 8) % 128 == 0; }

}  // namespace

// HNHDR (page 0): ibHnpm, bSig, bClientSig, hidUserRoot, rgbFillLevel.
// HNBITMAPHDR (pages 8, 136, ...): ibHnpm, rgbFillLevel[64]. HNPAGEHDR: ibHnpm.
std::size_t Heap::HeaderSize(std::size_t index) { return index == 0 ? 12 : IsBitmapPage(index) ? 66 : 2; }

// Header, allocations, a pad byte to keep the page map even, HNPAGEMAP.
std::size_t Heap::PageSize(std::size_t index, std::size_t items, std::size_t bytes) {
  std::size_t end = AlignUp(HeaderSize(index) + bytes, 2);
  return end + 4 + 2 * (items + 1);
}

std::uint32_t Heap::Allocate(const Bytes& data) {
  if (data.size() > kMaxHeapItem) throw std::logic_error("heap allocation too large");
  Page* p = &pages_.back();
  std::size_t index = pages_.size() - 1;
  if (p->items.size() == kMaxItemsPerPage ||
      PageSize(index, p->items.size() + 1, p->bytes + data.size()) > kMaxBlockData) {
    pages_.emplace_back();
    p = &pages_.back();
    ++index;
  }
  p->items.push_back(data);
  p->bytes += data.size();
  return MakeHid(index, p->items.size() - 1);
}

void Heap::Replace(std::uint32_t hid, const Bytes& data) {
  Bytes& item = pages_.at(hid >> 16).items.at(((hid >> 5) & 0x7FF) - 1);
  if (item.size() != data.size()) throw std::logic_error("heap replacement of another size");
  item = data;
}

std::vector<Bytes> Heap::Pages() const {
  std::vector<std::size_t> sizes;
  for (std::size_t i = 0; i < pages_.size(); ++i)
    sizes.push_back(PageSize(i, pages_[i].items.size(), pages_[i].bytes));
  auto fillLevels = [&](Bytes& b, std::size_t at, std::size_t first, std::size_t count) {
    for (std::size_t i = first; i < first + count && i < pages_.size(); ++i) {
      std::uint8_t level = FillLevel(kMaxBlockData - sizes[i]);
      std::size_t nibble = i - first;
      b[at + nibble / 2] |= std::uint8_t(nibble % 2 ? level << 4 : level);
    }
  };
  std::vector<Bytes> out;
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    const Page& p = pages_[i];
    Bytes b(HeaderSize(i), 0);
    if (i == 0) {
      b[2] = 0xEC;  // bSig
      b[3] = clientSig_;
      PutAt<std::uint32_t>(b, 4, userRoot_);
      fillLevels(b, 8, 0, 8);
    } else if (IsBitmapPage(i)) {
      fillLevels(b, 2, i, 128);
    }
    std::vector<std::uint16_t> offsets{std::uint16_t(b.size())};
    for (const Bytes& item : p.items) {
      AppendBytes(b, item);
      offsets.push_back(std::uint16_t(b.size()));
    }
    PadTo(b, AlignUp(b.size(), 2));
    PutAt<std::uint16_t>(b, 0, std::uint16_t(b.size()));  // ibHnpm
    Append<std::uint16_t>(b, std::uint16_t(p.items.size()));  // cAlloc
    Append<std::uint16_t>(b, 0);                                // cFree
    for (std::uint16_t off : offsets) Append<std::uint16_t>(b, off);  // rgibAlloc
    out.push_back(std::move(b));
  }
  return out;
}

std::uint64_t Heap::Write(BlockStore& store) const {
  std::vector<std::uint64_t> bids;
  std::uint64_t total = 0;
  for (const Bytes& page : Pages()) {
    bids.push_back(store.WriteBlock(page));
    total += page.size();
  }
  return WriteDataTree(store, bids, total);
}

}  // namespace pstgen
