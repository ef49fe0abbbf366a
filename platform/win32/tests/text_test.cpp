#include <gtest/gtest.h>

#include "win32/errors.h"
#include "win32/text.h"

namespace {

TEST(Utf, RoundTripsEveryPlane) {
  const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80";
  const std::u16string utf16 = win32::Utf8ToUtf16(utf8);
  EXPECT_EQ(utf16, u"Grüße € \U0001F600");
  EXPECT_EQ(win32::Utf16ToUtf8(utf16), utf8);
}

TEST(Utf, MalformedInputBecomesReplacement) {
  struct Case {
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"a\xFF" "b", u"a\uFFFDb"},
      {"\xC3", u"\uFFFD"},                  // truncated sequence
      {"\xE2\x82", u"\uFFFD"},              // truncated: one for the whole start
      // Bytes that no well-formed sequence can hold there: one each, as the
      // code page conversions count them.
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const Case& c : cases) EXPECT_EQ(win32::Utf8ToUtf16(c.in), c.out) << c.in;
  EXPECT_EQ(win32::Utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");  // lone surrogate
}

TEST(Utf, FieldsStopAtTerminatorOrCapacity) {
  const WCHAR full[3] = {u'a', u'b', u'c'};
  EXPECT_EQ(win32::WideField(full, 3), u"abc");
  EXPECT_EQ(win32::WideField(u"ab\0cd", 5), u"ab");
  EXPECT_EQ(win32::NarrowField("xyz", 2), "xy");
  EXPECT_EQ(win32::WideView(nullptr), u"");
}

TEST(Errors, Win32ToHresult) {
  EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
  EXPECT_EQ(static_cast<DWORD>(HRESULT_FROM_WIN32(5)), 0x80070005u);
  EXPECT_EQ(static_cast<DWORD>(HRESULT_FROM_WIN32(1168)), 0x80070490u);
  EXPECT_EQ(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)), E_FAIL);
}

TEST(Errors, LastErrorIsPerThreadAndMappedFromErrno) {
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win32::ErrorFromErrno(ENOENT), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win32::ErrorFromErrno(ENOTDIR), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(win32::ErrorFromErrno(EEXIST), ERROR_FILE_EXISTS);
}

}  // namespace
