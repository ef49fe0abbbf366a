#include "names.h"

#include <locale.h>
#include <wctype.h>

#include "win32/text.h"

namespace notes_internal {

namespace {

locale_t Utf8Locale() {
  static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return loc;
}

char32_t Fold(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (const locale_t loc = Utf8Locale()) return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc));
  return c;
}

}  // namespace

std::string NameKey(std::string_view utf8Name) {
  const std::u16string units = win32::Utf8ToUtf16(utf8Name);
  std::u16string folded;
  folded.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    c = Fold(c);
    if (c >= 0x10000) {
      folded += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      folded += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      folded += static_cast<char16_t>(c);
    }
  }
  return win32::Utf16ToUtf8(folded);
}

bool HasEmptyLevel(std::string_view utf8Name) {
  bool blank = true;
  for (char c : utf8Name) {
    if (c == '\\') {
      if (blank) return true;
      blank = true;
    } else if (c != ' ' && c != '\t') {
      blank = false;
    }
  }
  return blank;
}

}  // namespace notes_internal
