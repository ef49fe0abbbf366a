#include "unicode.h"

namespace win32::unicode {

namespace {

// Number of continuation bytes after a UTF-8 lead byte and the range its
// first continuation may take (this excludes overlong forms, surrogates and
// values above U+10FFFF); false for bytes that cannot lead.
bool Utf8Lead(unsigned char b, int& extra, unsigned char& lo, unsigned char& hi) {
  lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    extra = 1;
  } else if (b >= 0xE0 && b <= 0xEF) {
    extra = 2;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    extra = 3;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return false;
  }
  return true;
}

}  // namespace

long NextUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra;
  unsigned char lo, hi;
  if (!Utf8Lead(b0, extra, lo, hi)) return kIllFormed;
  long c = b0 & (0x3F >> extra);
  for (int k = 0; k < extra; ++k, lo = 0x80, hi = 0xBF) {
    if (i >= s.size()) return kIllFormed;
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < lo || b > hi) return kIllFormed;
    c = (c << 6) | (b & 0x3F);
    ++i;
  }
  return c;
}

long NextUtf16(std::u16string_view s, std::size_t& i) {
  const char16_t u = s[i++];
  if (u < 0xD800 || u > 0xDFFF) return u;
  if (u <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
    return 0x10000 + ((long(u) - 0xD800) << 10) + (s[i++] - 0xDC00);
  return kIllFormed;
}

void AppendUtf16(std::u16string& out, long c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

void AppendUtf8(std::string& out, long c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  static constexpr unsigned char kLeadMark[4] = {0, 0xC0, 0xE0, 0xF0};
  out += static_cast<char>(kLeadMark[extra] | (c >> (6 * extra)));
  for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
}

}  // namespace win32::unicode
