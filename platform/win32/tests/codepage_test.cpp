#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/temp_machine.h"
#include "win32/codepage.h"
#include "win32/errors.h"
#include "win32/registry.h"

namespace {

std::u16string ToWide(UINT cp, const std::string& in) {
  const int n = MultiByteToWideChar(cp, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
  std::u16string out(n, u'\0');
  if (n) {
    EXPECT_EQ(MultiByteToWideChar(cp, 0, in.data(), static_cast<int>(in.size()), out.data(), n), n);
  }
  return out;
}

std::string ToNarrow(UINT cp, const std::u16string& in, BOOL* used = nullptr, const char* def = nullptr) {
  const int n = WideCharToMultiByte(cp, 0, in.data(), static_cast<int>(in.size()), nullptr, 0, def, used);
  std::string out(n, '\0');
  if (n) {
    EXPECT_EQ(WideCharToMultiByte(cp, 0, in.data(), static_cast<int>(in.size()), out.data(), n, def, used), n);
  }
  return out;
}

TEST(CodePage, EveryAnsiByteRoundTrips) {
  for (UINT cp : {CP_ACP, CP_THREAD_ACP}) {
    for (int b = 0; b <= 0xFF; ++b) {
      const std::string in(1, static_cast<char>(b));
      const std::u16string wide = ToWide(cp, in);
      ASSERT_EQ(wide.size(), 1u) << b;
      EXPECT_EQ(ToNarrow(cp, wide), in) << b;
    }
  }
}

TEST(CodePage, HighRangeOf1252) {
  struct Case {
    unsigned char byte;
    char16_t ch;
  };
  const Case cases[] = {
      {0x80, 0x20AC}, {0x81, 0x0081}, {0x85, 0x2026}, {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F},
      {0x90, 0x0090}, {0x93, 0x201C}, {0x99, 0x2122}, {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0},
      {0xE9, 0x00E9}, {0xFF, 0x00FF}, {0x7F, 0x007F},
  };
  for (const Case& c : cases) {
    const std::string narrow(1, static_cast<char>(c.byte));
    EXPECT_EQ(ToWide(CP_ACP, narrow), std::u16string(1, c.ch)) << int(c.byte);
    EXPECT_EQ(ToNarrow(CP_ACP, std::u16string(1, c.ch)), narrow) << int(c.byte);
  }
  EXPECT_EQ(win32::AnsiToUtf16("caf\xE9 \x80"), u"café €");
  EXPECT_EQ(win32::Utf16ToAnsi(u"café € 中"), "caf\xE9 \x80 ?");
}

TEST(CodePage, UnmappableCharactersUseTheDefault) {
  struct Case {
    std::u16string in;
    const char* def;
    std::string out;
    BOOL used;
  };
  const Case cases[] = {
      {u"a\u4E2Db", nullptr, "a?b", TRUE},
      {u"a\u4E2Db", "#", "a#b", TRUE},
      {u"\U0001F600", nullptr, "?", TRUE},  // a surrogate pair is one character
      {u"x\xD800y", nullptr, "x?y", TRUE},  // lone surrogate
      {u"\u0100", nullptr, "?", TRUE},      // no best-fit mapping
      {u"plain\u00FC", nullptr, "plain\xFC", FALSE},
  };
  for (const Case& c : cases) {
    BOOL used = 7;
    EXPECT_EQ(ToNarrow(CP_ACP, c.in, &used, c.def), c.out) << c.out;
    EXPECT_EQ(used, c.used) << c.out;
  }
}

TEST(CodePage, Utf8BothWays) {
  const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80";
  EXPECT_EQ(ToWide(CP_UTF8, utf8), u"Grüße € \U0001F600");
  EXPECT_EQ(ToNarrow(CP_UTF8, u"Grüße € \U0001F600"), utf8);
  // Each maximal ill-formed run becomes one U+FFFD.
  struct Case {
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"a\xFF" "b", u"a\uFFFDb"},
      {"\xE2\x82", u"\uFFFD"},                  // truncated
      {"\xE2\x82" "A", u"\uFFFDA"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong lead cannot start a sequence
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(ToWide(CP_UTF8, c.in), c.out) << c.in;
  EXPECT_EQ(ToNarrow(CP_UTF8, u"x\xDC00y"), "x\xEF\xBF\xBDy");
}

TEST(CodePage, CountsIncludeTheTerminatorOnlyForMinusOne) {
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xE2\x82\xAC", -1, nullptr, 0), 2);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, nullptr, 0), 2);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, nullptr, 0, nullptr, nullptr), 4);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u20AC", 1, nullptr, 0, nullptr, nullptr), 1);

  WCHAR wide[8];
  std::fill(std::begin(wide), std::end(wide), u'#');
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab", -1, wide, 8), 3);
  EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"ab\0#", 4));
  // Embedded NULs of an explicit length are converted like any character.
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\0b", 3, wide, 8), 3);
  EXPECT_EQ(std::u16string(wide, 3), std::u16string(u"a\0b", 3));

  // A full fixed-size field without a terminator is read to its length only.
  const std::vector<char> field(260, 'x');
  std::vector<WCHAR> path(260);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, field.data(), 260, path.data(), 260), 260);
  EXPECT_EQ(path.back(), u'x');

  char narrow[8];
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00E9t\u00E9", -1, narrow, 8, nullptr, nullptr), 4);
  EXPECT_STREQ(narrow, "\xE9t\xE9");
}

TEST(CodePage, Failures) {
  struct Call {
    const char* what;
    int (*run)();
    DWORD error;
  };
  static WCHAR w[4];
  static char n[4];
  static BOOL u;
  const Call calls[] = {
      {"wide buffer too small", [] { return MultiByteToWideChar(CP_ACP, 0, "abcd", -1, w, 4); },
       ERROR_INSUFFICIENT_BUFFER},
      {"narrow buffer too small",
       [] { return WideCharToMultiByte(CP_UTF8, 0, u"\u20AC\u20AC", 2, n, 4, nullptr, nullptr); },
       ERROR_INSUFFICIENT_BUFFER},
      {"null input", [] { return MultiByteToWideChar(CP_ACP, 0, nullptr, 3, w, 4); }, ERROR_INVALID_PARAMETER},
      {"zero length", [] { return MultiByteToWideChar(CP_ACP, 0, "a", 0, w, 4); }, ERROR_INVALID_PARAMETER},
      {"length below -1", [] { return WideCharToMultiByte(CP_ACP, 0, u"a", -2, n, 4, nullptr, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"negative capacity", [] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, w, -1); }, ERROR_INVALID_PARAMETER},
      {"null buffer with capacity", [] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 4); },
       ERROR_INVALID_PARAMETER},
      {"unknown code page", [] { return MultiByteToWideChar(12345, 0, "a", 1, w, 4); }, ERROR_INVALID_PARAMETER},
      {"escape page with flags", [] { return MultiByteToWideChar(50220, MB_PRECOMPOSED, "a", 1, w, 4); },
       ERROR_INVALID_FLAGS},
      {"strict bad shift_jis", [] { return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "a\x83", 2, w, 4); },
       ERROR_NO_UNICODE_TRANSLATION},
      {"utf-8 default char", [] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, n, 4, "?", nullptr); },
       ERROR_INVALID_PARAMETER},
      {"utf-8 used-default flag", [] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, n, 4, nullptr, &u); },
       ERROR_INVALID_PARAMETER},
      {"utf-8 precomposed", [] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, w, 4); },
       ERROR_INVALID_FLAGS},
      {"ansi composite", [] { return MultiByteToWideChar(CP_ACP, MB_COMPOSITE, "a", 1, w, 4); }, ERROR_INVALID_FLAGS},
      {"ansi strict",
       [] { return WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, u"a", 1, n, 4, nullptr, nullptr); },
       ERROR_INVALID_FLAGS},
      {"strict bad utf-8", [] { return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3", 2, w, 4); },
       ERROR_NO_UNICODE_TRANSLATION},
      {"strict lone surrogate",
       [] { return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"\xD800", 1, n, 4, nullptr, nullptr); },
       ERROR_NO_UNICODE_TRANSLATION},
  };
  for (const Call& c : calls) {
    SetLastError(0);
    EXPECT_EQ(c.run(), 0) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
}

TEST(CodePage, OtherPagesBothWays) {
  struct Case {
    UINT cp;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {932, "\x83" "C\x83O\x83U\x83\x93\x83v\x83\x8B\\", u"\u30A4\u30B0\u30B6\u30F3\u30D7\u30EB\\"},
      {936, "\xD6\xD0\xCE\xC4", u"\u4E2D\u6587"},
      {949, "\xC7\xD1\xB1\xB9", u"\uD55C\uAD6D"},
      {950, "\xA4\xA4\xA4\xE5", u"\u4E2D\u6587"},
      {874, "\xE4\xB7\xC2", u"\u0E44\u0E17\u0E22"},
      {1250, "\xA3\xF3" "d\x9F", u"\u0141\u00F3d\u017A"},
      {1251, "\xCC\xE8\xF0", u"\u041C\u0438\u0440"},
      {1253, "\xD9\xEC", u"\u03A9\u03BC"},
      {1254, "\xF0\xFC", u"\u011F\u00FC"},
      {1255, "\xF9\xEC\xE5\xED", u"\u05E9\u05DC\u05D5\u05DD"},
      {1256, "\xDA\xD1\xC8", u"\u0639\u0631\u0628"},
      {1257, "\xE0\xFE", u"\u0105\u017E"},
      {1258, "\xF0\xF5", u"\u0111\u01A1"},
      {50220, "a\x1B$B%$%0\x1B(Bz", u"a\u30A4\u30B0z"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(IsValidCodePage(c.cp)) << c.cp;
    EXPECT_EQ(ToWide(c.cp, c.bytes), c.text) << c.cp;
    BOOL used = FALSE;
    EXPECT_EQ(ToNarrow(c.cp, c.text, c.cp == 50220 ? nullptr : &used), c.bytes) << c.cp;
    EXPECT_FALSE(used) << c.cp;
  }
  for (UINT cp : {0u, 3u, 437u, 12345u}) EXPECT_FALSE(IsValidCodePage(cp)) << cp;
}

TEST(CodePage, OtherPagesReplaceWhatTheyLack) {
  // Characters a page lacks become the default, once per code point; an
  // escape page returns to its first set before it.
  BOOL used = FALSE;
  EXPECT_EQ(ToNarrow(932, u"\u30A4\u00E9\U0001F600\xD800x", &used, "#"), "\x83" "C###x");
  EXPECT_TRUE(used);
  EXPECT_EQ(ToNarrow(50220, u"\u30A4\u20AC\u30B0"), "\x1B$B%$\x1B(B?\x1B$B%0\x1B(B");
  // Bytes that start no character become U+FFFD unless asked to fail.
  EXPECT_EQ(ToWide(932, "a\x83"), u"a\uFFFD");
  EXPECT_EQ(ToWide(936, "\xFF" "b"), u"\uFFFD" "b");
  // Text longer than one pass of the converter.
  std::string bytes;
  std::u16string text;
  for (int i = 0; i < 5000; ++i) bytes += "\x83" "C", text += u'\u30A4';
  EXPECT_EQ(ToWide(932, bytes), text);
  EXPECT_EQ(ToNarrow(932, text), bytes);
  EXPECT_EQ(MultiByteToWideChar(932, 0, "\x83" "C", -1, nullptr, 0), 2);
}

// The ANSI code page comes from the run's variable, else the machine's
// registry, else 1252; CP_ACP and the ANSI helpers follow it.
TEST(CodePage, AnsiCodePageOfTheMachineOrTheRun) {
  testing_support::TempMachine machine;
  ::unsetenv(win32::kCodePageVariable);
  EXPECT_EQ(GetACP(), 1252u);
  ASSERT_EQ(win32::SetMachineCodePage(932), ERROR_SUCCESS);
  EXPECT_EQ(win32::RegGetString(HKEY_LOCAL_MACHINE, win32::kNlsCodePageKey, u"ACP"), u"932");
  EXPECT_EQ(GetACP(), 932u) << "the process that sets it sees it at once";
  {
    testing_support::TempMachine other;  // a machine read anew
    ASSERT_EQ(win32::SetMachineCodePage(932), ERROR_SUCCESS);
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(ToWide(CP_ACP, "\x83" "C"), u"\u30A4");
    EXPECT_EQ(win32::AnsiToUtf16("\x83" "C"), u"\u30A4");
    EXPECT_EQ(win32::Utf16ToAnsi(u"\u30A4\u00E9"), "\x83" "C?");
    struct Case {
      const char* variable;
      UINT acp;
    } cases[] = {{"1251", 1251}, {"50220", 50220}, {"12345", 932}, {"", 932}, {"93x", 932}, {"0", 932}};
    for (const Case& c : cases) {
      ::setenv(win32::kCodePageVariable, c.variable, 1);
      EXPECT_EQ(GetACP(), c.acp) << c.variable;
    }
    ::unsetenv(win32::kCodePageVariable);
  }
  EXPECT_EQ(win32::SetMachineCodePage(12345), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(win32::ParseCodePage("936"), 936u);
  for (const char* bad : {"", "-932", "932 ", "1", "99999999"}) EXPECT_FALSE(win32::ParseCodePage(bad)) << bad;
  const std::vector<UINT> all = win32::ConvertibleCodePages();
  for (UINT cp : {874u, 932u, 936u, 949u, 950u, 1250u, 1252u, 1258u, 50220u, 65001u})
    EXPECT_NE(std::find(all.begin(), all.end(), cp), all.end()) << cp;
}

}  // namespace
