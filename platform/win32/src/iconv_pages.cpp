#include "iconv_pages.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <mutex>
#include <optional>

#include "win32/errors.h"

namespace win32::iconv_pages {
namespace {

constexpr Charset kCharsets[] = {
    {874, "CP874", false},           {932, "CP932", false},           {936, "CP936", false},
    {949, "CP949", false},           {950, "CP950", false},           {1250, "CP1250", false},
    {1251, "CP1251", false},         {1253, "CP1253", false},         {1254, "CP1254", false},
    {1255, "CP1255", false},         {1256, "CP1256", false},         {1257, "CP1257", false},
    {1258, "CP1258", false},         {20127, "ASCII", false},         {20932, "EUC-JP", false},
    {28591, "ISO-8859-1", false},    {28592, "ISO-8859-2", false},    {28595, "ISO-8859-5", false},
    {28597, "ISO-8859-7", false},    {28605, "ISO-8859-15", false},   {50220, "ISO-2022-JP", true},
    {51932, "EUC-JP", false},        {51949, "EUC-KR", false},        {54936, "GB18030", false},
};

constexpr const char* kWide = "UTF-16LE";
constexpr char16_t kReplacement = 0xFFFD;

// One conversion descriptor, closed on every path.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts what it can; returns errno's value at the stop (0 when all of
  // the input went through). in and out advance.
  int Run(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
    char* src = const_cast<char*>(in);
    const size_t r = iconv(cd_, &src, &inLeft, &out, &outLeft);
    in = src;
    return r == static_cast<size_t>(-1) ? errno : 0;
  }
  // Writes what returns a stateful encoding to its initial set.
  void Reset(char*& out, size_t& outLeft) { iconv(cd_, nullptr, nullptr, &out, &outLeft); }

 private:
  iconv_t cd_;
};

bool Opens(const Charset& c) {
  Converter to(kWide, c.name), from(c.name, kWide);
  return to.Valid() && from.Valid();
}

// Converts in pieces through a fixed buffer, so that any input size fits.
constexpr size_t kChunk = 4096;

}  // namespace

const Charset* Find(UINT codePage) {
  const auto* it = std::find_if(std::begin(kCharsets), std::end(kCharsets),
                                [&](const Charset& c) { return c.codePage == codePage; });
  if (it == std::end(kCharsets)) return nullptr;
  // iconv's modules are the machine's: ask once per page whether they are there.
  static std::mutex mutex;
  static std::optional<bool> known[std::size(kCharsets)];
  std::lock_guard lock(mutex);
  auto& available = known[it - std::begin(kCharsets)];
  if (!available) available = Opens(*it);
  return *available ? it : nullptr;
}

std::vector<UINT> Available() {
  std::vector<UINT> out;
  for (const Charset& c : kCharsets)
    if (Find(c.codePage)) out.push_back(c.codePage);
  std::sort(out.begin(), out.end());
  return out;
}

DWORD Decode(const Charset& charset, std::string_view in, bool strict, std::u16string& out) {
  Converter cd(kWide, charset.name);
  if (!cd.Valid()) return ERROR_INVALID_PARAMETER;
  alignas(char16_t) char buffer[kChunk];
  // Pages that combine marks with the character before hold the last one
  // back until asked for it.
  auto flush = [&] {
    char* dst = buffer;
    size_t room = sizeof buffer;
    cd.Reset(dst, room);
    out.append(reinterpret_cast<const char16_t*>(buffer), (dst - buffer) / 2);
  };
  const char* src = in.data();
  size_t left = in.size();
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const int err = cd.Run(src, left, dst, room);
    out.append(reinterpret_cast<const char16_t*>(buffer), (dst - buffer) / 2);
    if (err == 0 || err == E2BIG) continue;
    // A byte that starts no character of the page, or a sequence cut short.
    if (strict) return ERROR_NO_UNICODE_TRANSLATION;
    flush();
    out += kReplacement;
    ++src;
    --left;
  }
  flush();
  return ERROR_SUCCESS;
}

void Encode(const Charset& charset, std::u16string_view in, char defaultChar, bool& usedDefault, std::string& out) {
  Converter cd(charset.name, kWide);
  if (!cd.Valid()) return;
  const char* src = reinterpret_cast<const char*>(in.data());
  size_t left = in.size() * 2;
  char buffer[kChunk];
  for (;;) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const int err = left > 0 ? cd.Run(src, left, dst, room) : 0;
    out.append(buffer, dst - buffer);
    if (left == 0 || err == EILSEQ || err == EINVAL) {
      // Back to the first set: the default character is one of its bytes.
      dst = buffer;
      room = sizeof buffer;
      cd.Reset(dst, room);
      out.append(buffer, dst - buffer);
    }
    if (left == 0) return;
    if (err == E2BIG || err == 0) continue;
    // One default character per code point: a surrogate pair is one
    // character the page lacks, and so is a lone surrogate.
    const auto* units = reinterpret_cast<const char16_t*>(src);
    const bool pair = left >= 4 && units[0] >= 0xD800 && units[0] < 0xDC00 && units[1] >= 0xDC00 && units[1] < 0xE000;
    const size_t skip = std::min(left, size_t{pair ? 4u : 2u});
    src += skip;
    left -= skip;
    out += defaultChar;
    usedDefault = true;
  }
}

}  // namespace win32::iconv_pages
