#include "win32/text.h"

#include "unicode.h"

namespace win32 {

using namespace unicode;

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const long c = NextUtf8(s, i);
    AppendUtf16(out, c == kIllFormed ? kReplacement : c);
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    // Runs of ASCII, most of any mail text, go over a unit to a byte.
    std::size_t run = i;
    while (run < s.size() && s[run] < 0x80) ++run;
    if (run > i) {
      const std::size_t at = out.size();
      out.resize(at + (run - i));
      for (std::size_t k = i; k < run; ++k) out[at + (k - i)] = static_cast<char>(s[k]);
      i = run;
      continue;
    }
    const long c = NextUtf16(s, i);
    AppendUtf8(out, c == kIllFormed ? kReplacement : c);
  }
  return out;
}

std::size_t WideLength(const WCHAR* s) noexcept {
  if (!s) return 0;
  std::size_t n = 0;
  while (s[n]) ++n;
  return n;
}

std::u16string_view WideField(const WCHAR* s, std::size_t capacity) noexcept {
  std::size_t n = 0;
  while (n < capacity && s[n]) ++n;
  return {s, n};
}

std::string_view NarrowField(const char* s, std::size_t capacity) noexcept {
  std::size_t n = 0;
  while (n < capacity && s[n]) ++n;
  return {s, n};
}

}  // namespace win32
