#include "bth.h"

#include "layout.h"

namespace pstgen {

std::uint32_t WriteBth(Heap& heap, std::uint8_t keySize, std::uint8_t dataSize, const std::vector<Bytes>& records) {
  // Each level: chunks of records that fit one allocation; the next level up
  // holds (first key, HID) of every chunk.
  std::vector<Bytes> level = records;
  std::size_t recordSize = keySize + dataSize;
  std::uint8_t indexLevels = 0;
  std::uint32_t root = 0;
  while (!level.empty()) {
    std::size_t perChunk = kMaxHeapItem / recordSize;
    std::vector<Bytes> up;
    for (std::size_t i = 0; i < level.size(); i += perChunk) {
      Bytes chunk;
      for (std::size_t j = i; j < level.size() && j < i + perChunk; ++j) AppendBytes(chunk, level[j]);
      std::uint32_t hid = heap.Allocate(chunk);
      Bytes index(level[i].begin(), level[i].begin() + keySize);
      Append<std::uint32_t>(index, hid);
      up.push_back(std::move(index));
    }
    if (up.size() == 1) {
      root = GetAt<std::uint32_t>(up[0], keySize);
      break;
    }
    level = std::move(up);
    recordSize = keySize + 4;
    ++indexLevels;
  }
  // BTHHEADER: bType, cbKey, cbEnt, bIdxLevels, hidRoot.
  Bytes header;
  Append<std::uint8_t>(header, kClientBth);
  Append<std::uint8_t>(header, keySize);
  Append<std::uint8_t>(header, dataSize);
  Append<std::uint8_t>(header, indexLevels);
  Append<std::uint32_t>(header, root);
  return heap.Allocate(header);
}

}  // namespace pstgen
