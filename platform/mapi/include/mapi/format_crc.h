// The CRC-32 of the Outlook file formats: a PST file's header, pages and
// blocks, and the string keys of a message file's named-property map.
// Reflected polynomial 0xEDB88320, started at the value given, with no
// final inversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace mapi {

namespace format_crc_detail {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}

inline constexpr auto kTable = MakeTable();

}  // namespace format_crc_detail

// The CRC carried on over one more byte.
constexpr std::uint32_t FormatCrcByte(std::uint32_t crc, std::uint8_t byte) {
  return format_crc_detail::kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

inline std::uint32_t FormatCrc(const void* data, std::size_t size, std::uint32_t crc = 0) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) crc = FormatCrcByte(crc, p[i]);
  return crc;
}

}  // namespace mapi
