#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "notes/lnvalues.h"

namespace {

std::u16string Back(const LNString& s, LNCHARSET charset = LNCHARSET_UNICODE, LNINT bufferSize = 4096) {
  std::string buffer(static_cast<std::size_t>(bufferSize), '\x7F');
  EXPECT_EQ(LNStringTranslate(s, charset, 2 * s.GetByteLength(), buffer.data(), bufferSize), LNNOERROR);
  std::u16string out;
  for (std::size_t i = 0; i + 1 < buffer.size(); i += 2) {
    char16_t u;
    std::memcpy(&u, buffer.data() + i, 2);
    if (u == 0) return out;
    out += u;
  }
  ADD_FAILURE() << "no terminator";
  return out;
}

LNString To(const std::u16string& text, LNCHARSET charset = LNCHARSET_UNICODE) {
  LNString s("stale");
  EXPECT_EQ(LNStringTranslate(text.c_str(), charset, &s), LNNOERROR);
  return s;
}

TEST(LNStringTranslate, RoundTripsEveryTextInBothCharsets) {
  const std::u16string texts[] = {u"", u"Memo", u"Gr\u00FC\u00DFe \u65E5\u672C", u"\U0001F600 smile", u"a\r\nb"};
  for (const auto& text : texts) {
    for (LNCHARSET charset : {LNCHARSET_UNICODE, LNCHARSET_UTF16LE}) {
      const LNString s = To(text, charset);
      EXPECT_EQ(Back(s, charset), text);
    }
  }
  EXPECT_STREQ(To(u"Gr\u00FC\u00DFe").GetBuf(), "Gr\xC3\xBC\xC3\x9F" "e");
}

TEST(LNStringTranslate, LoneSurrogateBecomesReplacementCharacter) {
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
  EXPECT_EQ(Back(To(lone)), u"a\uFFFDb\uFFFD");
}

TEST(LNStringTranslate, CutsAtTheBufferWithoutSplittingAPair) {
  const LNString s = To(u"ab\U0001F600c");
  // Room for three units and the terminator: the pair does not fit whole.
  EXPECT_EQ(Back(s, LNCHARSET_UNICODE, 8), u"ab");
  EXPECT_EQ(Back(s, LNCHARSET_UNICODE, 10), u"ab\U0001F600");
  // maxBytes limits as well.
  char buffer[64];
  ASSERT_EQ(LNStringTranslate(s, LNCHARSET_UNICODE, 2, buffer, sizeof buffer), LNNOERROR);
  EXPECT_EQ(buffer[0], 'a');
  EXPECT_EQ(buffer[2], 0);
  EXPECT_EQ(buffer[3], 0);
}

TEST(LNStringTranslate, RefusesBadArguments) {
  LNString s;
  char buffer[8];
  EXPECT_EQ(LNStringTranslate(u"x", 2, &s), LNERR_BAD_CHARSET);
  EXPECT_EQ(LNStringTranslate(u"x", LNCHARSET_UNICODE, nullptr), LNERR_NULL_ARGUMENT);
  EXPECT_EQ(LNStringTranslate(s, 0, 4, buffer, 1), LNERR_BAD_ARGUMENT);
  EXPECT_EQ(LNStringTranslate(s, LNCHARSET_UNICODE, 4, nullptr, 8), LNERR_NULL_ARGUMENT);
}

TEST(LNText, InsertKeepsOrderAndEmptyEntries) {
  LNText t;
  EXPECT_EQ(t.Insert(0, "b"), LNNOERROR);
  EXPECT_EQ(t.Insert(0, "a"), LNNOERROR);
  EXPECT_EQ(t.Insert(t.GetCount(), ""), LNNOERROR);
  EXPECT_EQ(t.Insert(1, "m"), LNNOERROR);
  EXPECT_EQ(t.Insert(5, "x"), LNERR_BAD_ARGUMENT);
  EXPECT_EQ(t.Insert(-1, "x"), LNERR_BAD_ARGUMENT);
  ASSERT_EQ(t.GetCount(), 4);
  EXPECT_EQ(t[0], LNString("a"));
  EXPECT_EQ(t[1], LNString("m"));
  EXPECT_EQ(t[2], LNString("b"));
  EXPECT_EQ(t[3], LNString(""));
  EXPECT_EQ(t[4], LNString(""));
}

TEST(LNDatetime, AcceptsAndRefusesDatesAtTheEdges) {
  struct Case {
    int month, day, year;
    bool ok;
  } cases[] = {
      {1, 1, 1, true},      {12, 31, 9999, true}, {2, 29, 2000, true}, {2, 29, 2024, true},
      {2, 29, 1900, false}, {2, 29, 2023, false}, {4, 31, 2024, false}, {0, 1, 2024, false},
      {13, 1, 2024, false}, {1, 0, 2024, false},  {1, 1, 0, false},     {1, 1, 10000, false},
  };
  for (const Case& c : cases) {
    LNDatetime d;
    const LNSTATUS s = d.SetDate(c.month, c.day, c.year);
    EXPECT_EQ(s, c.ok ? LNNOERROR : LNERR_BAD_DATE) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(d.IsDateSet(), c.ok ? 1 : 0);
  }
}

TEST(LNDatetime, RefusedValuesLeaveTheObjectUnchanged) {
  LNDatetime d;
  ASSERT_EQ(d.SetDate(3, 15, 2024), LNNOERROR);
  ASSERT_EQ(d.SetTime(23, 59, 59, 99), LNNOERROR);
  const LNDatetime before = d;
  EXPECT_EQ(d.SetDate(2, 30, 2024), LNERR_BAD_DATE);
  for (auto [h, m, s, hh] : {std::array{24, 0, 0, 0}, std::array{0, 60, 0, 0}, std::array{0, 0, 60, 0},
                             std::array{0, 0, 0, 100}, std::array{-1, 0, 0, 0}})
    EXPECT_EQ(d.SetTime(h, m, s, hh), LNERR_BAD_TIME) << h << ":" << m << ":" << s << "." << hh;
  EXPECT_EQ(d, before);
}

}  // namespace
