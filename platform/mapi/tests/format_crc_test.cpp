// The format CRC against the standard CRC-32 check value and against a
// byte-at-a-time reference at every length and alignment around the
// eight-byte steps (pstgen writes with the same function, so files it makes
// cannot show a wrong CRC).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "mapi/format_crc.h"

namespace {

std::uint32_t ReferenceCrc(const std::uint8_t* p, std::size_t size, std::uint32_t crc) {
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc;
}

TEST(FormatCrc, MatchesTheCheckValueOfCrc32) {
  const char text[] = "123456789";
  EXPECT_EQ(mapi::FormatCrc(text, 9, 0xFFFFFFFFu) ^ 0xFFFFFFFFu, 0xCBF43926u);
}

TEST(FormatCrc, MatchesBytewiseAtEveryLengthAndAlignment) {
  std::vector<std::uint8_t> data(80);
  std::uint32_t seed = 12345;
  for (auto& b : data) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
  for (std::size_t offset = 0; offset < 8; ++offset)
    for (std::size_t size = 0; offset + size <= data.size(); ++size)
      for (std::uint32_t start : {0u, 0x12345678u})
        ASSERT_EQ(mapi::FormatCrc(data.data() + offset, size, start), ReferenceCrc(data.data() + offset, size, start))
            << "offset " << offset << " size " << size << " start " << std::hex << start;
}

}  // namespace
