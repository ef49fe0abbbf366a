// The columns UTF-8 text takes on a terminal, and cutting it to a width
// without splitting a character.
#include <gtest/gtest.h>

#include "controller/TextWidth.h"

namespace {

using controller::DisplayWidth;

TEST(TextWidth, WideCharactersTakeTwoColumnsAndMarksNone) {
  const struct {
    const char* text;
    std::size_t width;
  } cases[] = {
      {"", 0},
      {"Inbox", 5},
      {"Grüße", 5},                  // precomposed
      {"Gru\u0308\u00DFe", 5},       // u + combining diaeresis
      {"受信トレイ", 10},            // kanji and katakana
      {"ｼﾞｭｼﾝ", 5},                  // halfwidth katakana
      {"ＡＢＣ", 6},                 // fullwidth Latin
      {"받은 편지함", 11},           // Hangul and a blank
      {"が", 2},                     // precomposed
      {"か\xE3\x82\x99", 2},         // ka + combining voiced mark
      {"\xF0\xA0\x80\x8B", 2},       // CJK extension B
      {"\xF0\x9F\x93\xA7 mail", 7},  // an envelope emoji
      {"a\377b", 3},                 // a byte that starts no character
      {"\xE5\x8F", 2},               // a character cut short: two stray bytes
      {"\xED\xA0\x80", 3},           // a surrogate is no character
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayWidth(c.text), c.width) << c.text;
}

TEST(TextWidth, CutsFallBetweenCharactersAndFit) {
  const std::string name = "個人\\受信トレイ\\Projects";  // 4 + 1 + 10 + 1 + 8 = 24 columns
  for (std::size_t width = 0; width <= 26; ++width) {
    const std::string head = controller::HeadWithin(name, width), tail = controller::TailWithin(name, width);
    EXPECT_LE(DisplayWidth(head), width) << width;
    EXPECT_LE(DisplayWidth(tail), width) << width;
    EXPECT_GE(DisplayWidth(head) + 1, std::min<std::size_t>(width, 24)) << "as much as fits: " << head;
    EXPECT_EQ(name.compare(0, head.size(), head), 0) << width;
    if (width >= 24) {
      EXPECT_EQ(tail, name);
    } else if (width >= 3) {
      ASSERT_EQ(tail.compare(0, 3, "..."), 0) << tail;
      EXPECT_TRUE(name.ends_with(tail.substr(3))) << tail;
      EXPECT_GE(DisplayWidth(tail) + 1, width) << "as much as fits: " << tail;
    }
  }
  EXPECT_EQ(controller::TailWithin("トレイ", 6), "トレイ");
  EXPECT_EQ(controller::TailWithin("受信トレイ", 9), "...トレイ");
  EXPECT_EQ(controller::TailWithin("受信トレイ", 8), "...レイ");
  EXPECT_EQ(controller::TailWithin("受信トレイ", 2), "..");
  // A combining mark stays with its character.
  EXPECT_EQ(controller::TailWithin("abcdeか\xE3\x82\x99", 5), "...か\xE3\x82\x99");
  EXPECT_EQ(controller::HeadWithin("か\xE3\x82\x99xyz", 3), "か\xE3\x82\x99x");
}

TEST(TextWidth, PaddingCountsColumnsAndControlsArePrintedAsQuestionMarks) {
  EXPECT_EQ(controller::PadRight("受信", 6), "受信  ");
  EXPECT_EQ(controller::PadLeft("受信", 6), "  受信");
  EXPECT_EQ(controller::PadRight("too wide", 3), "too wide");
  EXPECT_EQ(controller::Printable("a\tb\033[2Jc\177\302\233d\377受信"), "a?b?[2Jc??d?受信");
}

}  // namespace
