#include "win32/codepage.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "win32/errors.h"
#include "win32/text.h"
#include "iconv_pages.h"
#include "unicode.h"

namespace {

using namespace win32::unicode;

// 0x80-0x9F of Windows-1252. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value,
// as Windows maps them, so every byte survives a round trip.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char16_t AnsiToChar(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : b; }

// The 1252 byte of a code point, or -1 when the code page lacks it.
int CharToAnsi(long c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh1252[i] == c) return 0x80 + i;
  return -1;
}

// How a code page converts: Windows-1252 by the table above, UTF-8 by
// hand, the others through iconv.
struct Page {
  enum Kind { Ansi, Utf8, Iconv } kind;
  const win32::iconv_pages::Charset* charset = nullptr;
  bool operator==(Kind k) const { return kind == k; }
};

std::optional<Page> PageOf(UINT codePage) {
  if (codePage == CP_ACP || codePage == CP_THREAD_ACP) codePage = GetACP();
  if (codePage == CP_WINDOWS_1252) return Page{Page::Ansi};
  if (codePage == CP_UTF8) return Page{Page::Utf8};
  if (const auto* charset = win32::iconv_pages::Find(codePage)) return Page{Page::Iconv, charset};
  return std::nullopt;
}

// Flags each direction accepts per code page; composition and glyph
// variants are not offered, and the pages with escape sequences take none.
DWORD AllowedToWide(Page p) {
  if (p == Page::Utf8) return MB_ERR_INVALID_CHARS;
  if (p == Page::Iconv && p.charset->stateful) return 0;
  return MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
}
DWORD AllowedFromWide(Page p) {
  if (p == Page::Utf8) return WC_ERR_INVALID_CHARS;
  if (p == Page::Iconv && p.charset->stateful) return 0;
  return WC_NO_BEST_FIT_CHARS;
}

// Returns ERROR_SUCCESS or the error of a strict conversion.
DWORD Decode(Page page, std::string_view in, bool strict, std::u16string& out) {
  out.reserve(in.size());
  if (page == Page::Iconv) return win32::iconv_pages::Decode(*page.charset, in, strict, out);
  if (page == Page::Ansi) {
    for (char b : in) out += AnsiToChar(static_cast<unsigned char>(b));
    return ERROR_SUCCESS;
  }
  for (std::size_t i = 0; i < in.size();) {
    const long c = NextUtf8(in, i);
    if (c == kIllFormed && strict) return ERROR_NO_UNICODE_TRANSLATION;
    AppendUtf16(out, c == kIllFormed ? kReplacement : c);
  }
  return ERROR_SUCCESS;
}

DWORD Encode(Page page, std::u16string_view in, bool strict, char defaultChar, bool& usedDefault, std::string& out) {
  out.reserve(in.size());
  if (page == Page::Iconv) {
    win32::iconv_pages::Encode(*page.charset, in, defaultChar, usedDefault, out);
    return ERROR_SUCCESS;
  }
  for (std::size_t i = 0; i < in.size();) {
    const long c = NextUtf16(in, i);
    if (page == Page::Utf8) {
      if (c == kIllFormed && strict) return ERROR_NO_UNICODE_TRANSLATION;
      AppendUtf8(out, c == kIllFormed ? kReplacement : c);
      continue;
    }
    // One default character per code point: a surrogate pair is one
    // character the code page lacks.
    const int b = c == kIllFormed ? -1 : CharToAnsi(c);
    if (b < 0) usedDefault = true;
    out += b < 0 ? defaultChar : static_cast<char>(b);
  }
  return ERROR_SUCCESS;
}

// Writes the converted text to the caller's buffer, or reports its size
// when the buffer's capacity is 0.
template <class Text, class Unit>
int CopyOut(const Text& text, Unit* dst, int capacity) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return win32::Fail(ERROR_INSUFFICIENT_BUFFER);
  const int n = static_cast<int>(text.size());
  if (capacity == 0) return n;
  if (n > capacity) return win32::Fail(ERROR_INSUFFICIENT_BUFFER);
  std::copy(text.begin(), text.end(), dst);
  return n;
}

bool BadCounts(const void* src, int srcLen, const void* dst, int dstCap) {
  return !src || srcLen == 0 || srcLen < -1 || dstCap < 0 || (dstCap > 0 && !dst) || src == dst;
}

}  // namespace

BOOL IsValidCodePage(UINT CodePage) {
  return CodePage != CP_ACP && CodePage != CP_THREAD_ACP && PageOf(CodePage) ? TRUE : FALSE;
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
  if (BadCounts(lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar)) return win32::Fail(ERROR_INVALID_PARAMETER);
  const std::optional<Page> page = PageOf(CodePage);
  if (!page) return win32::Fail(ERROR_INVALID_PARAMETER);
  if (dwFlags & ~AllowedToWide(*page)) return win32::Fail(ERROR_INVALID_FLAGS);
  const std::size_t len = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
  std::u16string out;
  if (DWORD err = Decode(*page, {lpMultiByteStr, len}, dwFlags & MB_ERR_INVALID_CHARS, out)) return win32::Fail(err);
  return CopyOut(out, lpWideCharStr, cchWideChar);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  if (BadCounts(lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte)) return win32::Fail(ERROR_INVALID_PARAMETER);
  const std::optional<Page> page = PageOf(CodePage);
  if (!page) return win32::Fail(ERROR_INVALID_PARAMETER);
  if (dwFlags & ~AllowedFromWide(*page)) return win32::Fail(ERROR_INVALID_FLAGS);
  if (*page == Page::Utf8 && (lpDefaultChar || lpUsedDefaultChar)) return win32::Fail(ERROR_INVALID_PARAMETER);
  const std::size_t len = cchWideChar == -1 ? win32::WideLength(lpWideCharStr) + 1 : static_cast<std::size_t>(cchWideChar);
  std::string out;
  bool usedDefault = false;
  const char defaultChar = lpDefaultChar ? *lpDefaultChar : '?';
  if (DWORD err = Encode(*page, {lpWideCharStr, len}, dwFlags & WC_ERR_INVALID_CHARS, defaultChar, usedDefault, out))
    return win32::Fail(err);
  if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  return CopyOut(out, lpMultiByteStr, cbMultiByte);
}

namespace win32 {

std::u16string AnsiToUtf16(std::string_view s) {
  std::u16string out;
  Decode(PageOf(CP_ACP).value_or(Page{Page::Ansi}), s, false, out);
  return out;
}

std::string Utf16ToAnsi(std::u16string_view s) {
  std::string out;
  bool usedDefault = false;
  Encode(PageOf(CP_ACP).value_or(Page{Page::Ansi}), s, false, '?', usedDefault, out);
  return out;
}

}  // namespace win32
