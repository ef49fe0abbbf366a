// Little-endian byte buffers: the PST format stores every integer that way.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace pstgen {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
void PutAt(Bytes& b, std::size_t off, T v) {
  for (std::size_t i = 0; i < sizeof(T); ++i) b[off + i] = std::uint8_t(std::uint64_t(v) >> (8 * i));
}

template <typename T>
void Append(Bytes& b, T v) {
  std::size_t off = b.size();
  b.resize(off + sizeof(T));
  PutAt(b, off, v);
}

inline void AppendBytes(Bytes& b, const void* p, std::size_t n) {
  const auto* s = static_cast<const std::uint8_t*>(p);
  b.insert(b.end(), s, s + n);
}

inline void AppendBytes(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

inline void PadTo(Bytes& b, std::size_t size) {
  if (b.size() < size) b.resize(size, 0);
}

template <typename T>
T GetAt(const Bytes& b, std::size_t off) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) v |= std::uint64_t(b[off + i]) << (8 * i);
  return T(v);
}

// A BID, file offset or NID field: 8 bytes in Unicode files, 4 in ANSI ones.
inline void PutIdAt(Bytes& b, std::size_t off, std::uint64_t v, std::size_t size) {
  if (size == 8) return PutAt<std::uint64_t>(b, off, v);
  if (v > 0xFFFFFFFFu) throw std::logic_error("value does not fit a 32-bit field");
  PutAt<std::uint32_t>(b, off, std::uint32_t(v));
}

inline void AppendId(Bytes& b, std::uint64_t v, std::size_t size) {
  std::size_t off = b.size();
  b.resize(off + size);
  PutIdAt(b, off, v, size);
}

inline std::uint64_t AlignUp(std::uint64_t v, std::uint64_t a) { return (v + a - 1) / a * a; }

}  // namespace pstgen
