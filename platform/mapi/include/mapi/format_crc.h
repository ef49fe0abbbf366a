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

// kTables[0] is the byte table; kTables[k][b] is the CRC of b followed by k
// zero bytes, so eight bytes are folded in at once.
constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeTables() {
  std::array<std::array<std::uint32_t, 256>, 8> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (std::uint32_t i = 0; i < 256; ++i) t[k][i] = t[0][t[k - 1][i] & 0xFF] ^ (t[k - 1][i] >> 8);
  return t;
}

inline constexpr auto kTables = MakeTables();

}  // namespace format_crc_detail

// The CRC carried on over one more byte.
constexpr std::uint32_t FormatCrcByte(std::uint32_t crc, std::uint8_t byte) {
  return format_crc_detail::kTables[0][(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// Every block of the file passes through here: eight bytes a step.
inline std::uint32_t FormatCrc(const void* data, std::size_t size, std::uint32_t crc = 0) {
  const auto& t = format_crc_detail::kTables;
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (; size >= 8; size -= 8, p += 8) {
    const std::uint32_t lo = crc ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                    std::uint32_t{p[3]} << 24);
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][p[4]] ^
          t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
  }
  for (; size > 0; --size) crc = FormatCrcByte(crc, *p++);
  return crc;
}

}  // namespace mapi
