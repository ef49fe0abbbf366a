#include "mime/rtf_decompress.h"

#include <cstdint>
#include <cstring>

namespace mime {
namespace {

constexpr std::uint32_t kCompressed = 0x75465A4C;    // "LZFu"
constexpr std::uint32_t kUncompressed = 0x414C454D;  // "MELA"
constexpr size_t kHeaderSize = 16;
constexpr size_t kDictionarySize = 4096;
// Output beyond this is refused: no message body comes near it, and a
// corrupt size must not ask for all memory.
constexpr std::uint32_t kMaxRawSize = 256u << 20;

// The dictionary's starting text; writing begins after it.
constexpr char kInitialText[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript \\fdecor "
    "MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kInitialSize = sizeof kInitialText - 1;
static_assert(kInitialSize == 207);

std::uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24; }

std::optional<std::string> Expand(const unsigned char* in, size_t size, std::uint32_t rawSize) {
  unsigned char dict[kDictionarySize];
  std::memcpy(dict, kInitialText, kInitialSize);
  std::memset(dict + kInitialSize, 0, kDictionarySize - kInitialSize);
  size_t write = kInitialSize;
  std::string out;
  out.reserve(rawSize);
  size_t at = 0;
  while (at < size) {
    const unsigned control = in[at++];
    for (int bit = 0; bit < 8; ++bit) {
      if (!(control & (1u << bit))) {
        if (at >= size) return std::nullopt;
        const unsigned char c = in[at++];
        dict[write] = c;
        write = (write + 1) % kDictionarySize;
        out += static_cast<char>(c);
      } else {
        if (at + 2 > size) return std::nullopt;
        const unsigned ref = unsigned{in[at]} << 8 | in[at + 1];
        at += 2;
        size_t offset = ref >> 4;
        const size_t length = (ref & 0xF) + 2;
        if (offset == write) return out.size() > rawSize ? out.substr(0, rawSize) : out;  // the end mark
        for (size_t k = 0; k < length; ++k) {
          const unsigned char c = dict[offset];
          offset = (offset + 1) % kDictionarySize;
          dict[write] = c;
          write = (write + 1) % kDictionarySize;
          out += static_cast<char>(c);
        }
      }
      if (out.size() > rawSize + 32) return std::nullopt;  // more than the header announced
    }
  }
  return std::nullopt;  // no end mark
}

}  // namespace

std::optional<std::string> DecompressRtf(std::string_view data) {
  if (data.size() < kHeaderSize) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  const std::uint32_t compSize = Le32(p), rawSize = Le32(p + 4), type = Le32(p + 8);
  if (rawSize > kMaxRawSize) return std::nullopt;
  // COMPSIZE counts from after its own field; trust it only within the data.
  const size_t contents = std::min<size_t>(data.size() - kHeaderSize, compSize >= 12 ? compSize - 12 : 0);
  if (type == kUncompressed) return std::string(data.substr(kHeaderSize, std::min<size_t>(contents, rawSize)));
  if (type != kCompressed) return std::nullopt;
  return Expand(p + kHeaderSize, contents, rawSize);
}

}  // namespace mime
