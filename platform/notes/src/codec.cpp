#include "codec.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <new>

namespace notes_internal {

std::string EncodeList(const std::vector<std::string>& entries) {
  std::string out;
  for (const std::string& e : entries) {
    const auto n = static_cast<std::uint32_t>(e.size());
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((n >> shift) & 0xFF);
    out += e;
  }
  return out;
}

bool DecodeList(std::string_view bytes, std::vector<std::string>* entries) {
  entries->clear();
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes.size() - pos < 4) return false;
    std::uint32_t n = 0;
    for (int k = 0; k < 4; ++k) n |= std::uint32_t(static_cast<unsigned char>(bytes[pos + k])) << (8 * k);
    pos += 4;
    if (n > bytes.size() - pos) return false;
    entries->emplace_back(bytes.substr(pos, n));
    pos += n;
  }
  return true;
}

std::string StoredDatetime(const LNDatetime& v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%02d", v.GetYear(), v.GetMonth(), v.GetDay(),
                v.GetHour(), v.GetMinute(), v.GetSecond(), v.GetHundredths());
  return buf;
}

std::string DisplayDatetime(std::string_view stored) {
  if (stored.size() > 3 && stored.substr(stored.size() - 3) == ".00") stored.remove_suffix(3);
  return std::string(stored);
}

std::string Compress(std::string_view content) {
  uLongf size = compressBound(static_cast<uLong>(content.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
                static_cast<uLong>(content.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
    throw std::bad_alloc();
  out.resize(size);
  return out;
}

bool WorthCompressing(std::string_view content) {
  constexpr std::size_t kProbe = 64 * 1024;
  constexpr std::size_t kTooSmallToJudge = 512;
  const std::string_view head = content.substr(0, kProbe);
  if (head.size() < kTooSmallToJudge) return true;
  uLongf size = compressBound(static_cast<uLong>(head.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(head.data()),
                static_cast<uLong>(head.size()), Z_BEST_SPEED) != Z_OK)
    return true;
  return size < head.size() - head.size() / 32;
}

bool Expand(std::string_view data, Method method, std::size_t size, std::string* content) {
  if (method == Method::kStored) {
    if (data.size() != size) return false;
    content->assign(data);
    return true;
  }
  if (method != Method::kZlib) return false;
  // Deflate cannot shrink data by more than about 1:1032; a larger size is damage.
  if (size / 1032 > data.size() + 64) return false;
  content->assign(size, '\0');
  uLongf got = static_cast<uLongf>(size);
  const int rc = uncompress(reinterpret_cast<Bytef*>(content->data()), &got,
                            reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()));
  return rc == Z_OK && got == size;
}

}  // namespace notes_internal
