#include "codec.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
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

namespace {

// Content smaller than this is deflated whatever it holds.
constexpr std::size_t kTooSmallToJudge = 512;
// How much of the content is deflated before it is judged.
constexpr std::size_t kJudgedPart = 16 * 1024;
constexpr std::size_t kLargestDeflated = std::size_t{1} << 31;

// Whether deflate made `in` bytes into `out` saves enough to keep.
bool Shrank(std::size_t in, std::size_t out) { return out < in - in / 32; }

struct DeflateEnd {
  void operator()(z_stream* z) const { deflateEnd(z); }
};

}  // namespace

std::optional<std::string> Deflate(std::string_view content) {
  // One call of deflate takes it all; the database holds far less.
  if (content.size() > kLargestDeflated) return std::nullopt;
  z_stream z{};
  if (deflateInit(&z, Z_BEST_SPEED) != Z_OK) throw std::bad_alloc();
  const std::unique_ptr<z_stream, DeflateEnd> end(&z);
  // Room for the whole stream at once, and the flush that ends the judged part.
  std::string out(deflateBound(&z, static_cast<uLong>(content.size())) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const bool judged = content.size() >= kTooSmallToJudge;
  if (judged && content.size() > kJudgedPart) {
    // A sync flush puts out all that the part made, and the stream goes on.
    z.avail_in = static_cast<uInt>(kJudgedPart);
    if (deflate(&z, Z_SYNC_FLUSH) != Z_OK) throw std::bad_alloc();
    if (!Shrank(kJudgedPart, z.total_out)) return std::nullopt;
  }
  z.avail_in = static_cast<uInt>(content.size() - z.total_in);
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::bad_alloc();
  if (judged && content.size() <= kJudgedPart && !Shrank(content.size(), z.total_out)) return std::nullopt;
  out.resize(z.total_out);
  return out;
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
