// B-tree-on-heap: sorted fixed-size records in heap allocations, with index
// levels above them when they do not fit one allocation.
#pragma once

#include <cstdint>
#include <vector>

#include "heap.h"

namespace pstgen {

// records: key then data, sorted by key; returns the HID of the BTHHEADER.
std::uint32_t WriteBth(Heap& heap, std::uint8_t keySize, std::uint8_t dataSize, const std::vector<Bytes>& records);

}  // namespace pstgen
