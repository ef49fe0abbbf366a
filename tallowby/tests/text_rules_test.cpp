// The manager's text rules: the cut of a failed store add's message, the
// lines of an input file and the profile names.
#include <gtest/gtest.h>

#include <set>

#include "CorvidOutlookProfileManager.h"
#include "InputFile.h"
#include "win32/text.h"

namespace {

TEST(CutAddStoreMessage, KeepsTheTextBetweenErrorAndALaterComponent) {
  const struct {
    std::u16string message, cut;
  } cases[] = {
      {u"Failed.\r\nError: The file is in use\r\nComponent: PST", u"The file is in use"},
      {u"x\r\nError: \r\nComponent: PST", u""},
      {u"No markers at all", u""},
      {u"Failed.\r\nError: no component", u""},
      {u"Failed.\r\nComponent: PST", u""},
      // The markers must stand after the first character.
      {u"\r\nError: first\r\nComponent: PST", u""},
      // A component before the error does not end the cut; a later one does.
      {u"x\r\nComponent: A\r\nError: middle", u""},
      {u"x\r\nComponent: A\r\nError: middle\r\nComponent: B", u"middle"},
      {u"x\r\nError: one\r\nError: two\r\nComponent: C", u"one\r\nError: two"},
  };
  for (const auto& c : cases) EXPECT_EQ(CutAddStoreMessage(c.message), c.cut) << win32::Utf16ToUtf8(c.message);
}

TEST(SplitInputLines, EndsLinesAtLineFeedsOnly) {
  const struct {
    std::u16string text;
    CStringArray lines;
  } cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\n", {u"a"}},
      {u"a\n\nb", {u"a", u"", u"b"}},
      {u"\n", {u""}},
      {u"a\r\nb\r\n", {u"a\r", u"b\r"}},
      {u"\uFEFFa\nb", {u"\uFEFFa", u"b"}},
      {u"a\rb", {u"a\rb"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitInputLines(c.text), c.lines) << win32::Utf16ToUtf8(c.text);
}

TEST(NewGuidString, IsABracedUpperCaseGuidNewEachTime) {
  std::set<CString> seen;
  for (int i = 0; i < 50; ++i) {
    const CString name = NewGuidString();
    ASSERT_EQ(name.size(), 38u);
    EXPECT_EQ(name.front(), u'{');
    EXPECT_EQ(name.back(), u'}');
    for (std::size_t at : {9u, 14u, 19u, 24u}) EXPECT_EQ(name[at], u'-');
    EXPECT_EQ(name.find_first_not_of(u"{}-0123456789ABCDEF"), CString::npos) << win32::Utf16ToUtf8(name);
    seen.insert(name);
  }
  EXPECT_EQ(seen.size(), 50u);
}

}  // namespace
