// Texts to and from the Notes library: every character survives the round
// trip, and a text longer than the engine's buffer is cut at it, never
// written past it.
#include <gtest/gtest.h>

#include "NotesText.h"
#include "notes/lnvalues.h"

namespace {

TEST(NotesText, RoundTripsAndCutsLongTextsAtTheBuffer) {
  const std::u16string smiley = u"\U0001F600";
  struct Case {
    const char* what;
    std::u16string text;
    std::u16string back;
  };
  const Case cases[] = {
      {"empty", u"", u""},
      {"ASCII", u"Inbox", u"Inbox"},
      {"beyond Latin-1 and the BMP", u"caf\u00E9 \u20AC " + smiley, u"caf\u00E9 \u20AC " + smiley},
      {"longest that fits", std::u16string(65535, u'x'), std::u16string(65535, u'x')},
      {"longer: cut", std::u16string(70000, u'y'), std::u16string(65535, u'y')},
      {"a pair across the cut stays whole", std::u16string(65534, u'z') + smiley, std::u16string(65534, u'z')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const LNString value = ToLNString(c.text);
    EXPECT_EQ(value.IsNull() != 0, c.text.empty());
    EXPECT_EQ(FromLNString(value), c.back);
    EXPECT_EQ(ToLNStringQuiet(c.text), value);
  }
}

}  // namespace
