// The block CRC libpff checks on every read (see pff_checksum.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace pst {

// CRC-32 (0xEDB88320) of the bytes from `initial`, without inversions.
uint32_t WeakCrc32(uint32_t initial, const uint8_t* data, size_t size);

}  // namespace pst
