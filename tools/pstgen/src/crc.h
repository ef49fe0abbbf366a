// The checksum and signature that guard every page, block and the header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mapi/format_crc.h"

namespace pstgen {

// CRC-32 (reflected polynomial 0xEDB88320) started at 0 with no final
// inversion, as the format computes it.
inline std::uint32_t ComputeCrc(const void* data, std::size_t size, std::uint32_t crc = 0) {
  return mapi::FormatCrc(data, size, crc);
}

// The 16-bit signature of a page or block: its offset folded with its BID.
inline std::uint16_t ComputeSig(std::uint64_t ib, std::uint64_t bid) {
  ib ^= bid;
  return std::uint16_t(std::uint16_t(ib >> 16) ^ std::uint16_t(ib));
}

}  // namespace pstgen
