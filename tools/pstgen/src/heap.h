// Heap-on-node: the allocations of a property or table context, packed
// into pages of at most one block each. HIDs name allocations.
#pragma once

#include <cstdint>
#include <vector>

#include "block_store.h"
#include "bytes.h"

namespace pstgen {

// bClientSig values of the heap's first page.
constexpr std::uint8_t kClientTc = 0x7C;
constexpr std::uint8_t kClientBth = 0xB5;
constexpr std::uint8_t kClientPc = 0xBC;

class Heap {
 public:
  explicit Heap(std::uint8_t clientSig) : clientSig_(clientSig) { pages_.emplace_back(); }

  // At most kMaxHeapItem bytes; returns the HID.
  std::uint32_t Allocate(const Bytes& data);
  // Overwrites an allocation with data of the same size.
  void Replace(std::uint32_t hid, const Bytes& data);
  void SetUserRoot(std::uint32_t hid) { userRoot_ = hid; }

  // The finished pages, each one block of the node's data tree.
  std::vector<Bytes> Pages() const;
  // Writes the pages and returns the node's bidData.
  std::uint64_t Write(BlockStore& store) const;

 private:
  struct Page {
    std::vector<Bytes> items;
    std::size_t bytes = 0;
  };
  static std::size_t HeaderSize(std::size_t index);
  static std::size_t PageSize(std::size_t index, std::size_t items, std::size_t bytes);
  std::uint8_t clientSig_;
  std::uint32_t userRoot_ = 0;
  std::vector<Page> pages_;
};

}  // namespace pstgen
