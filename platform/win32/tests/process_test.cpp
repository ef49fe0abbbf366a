#include <gtest/gtest.h>

#include "win32/process.h"

namespace {

TEST(CommandLine, JoinsArgumentsTheWayWindowsShowsThem) {
  struct Case {
    std::vector<std::string> args;
    std::u16string line;
  };
  const Case cases[] = {
      {{"/bin/cressing", "<GUID>abc"}, u"/bin/cressing <GUID>abc"},
      {{"/opt/my tools/fennick", "x"}, u"\"/opt/my tools/fennick\" x"},
      {{"p", "<GUID> two words"}, u"p \"<GUID> two words\""},
      {{"p", ""}, u"p \"\""},
      {{"p", "say \"hi\""}, u"p \"say \\\"hi\\\"\""},
      {{"p", "a\\b c\\"}, u"p \"a\\b c\\\\\""},
      {{"p", "\xc3\xa9t\xc3\xa9"}, u"p \u00e9t\u00e9"},
  };
  for (const Case& c : cases) EXPECT_EQ(win32::JoinCommandLine(c.args), c.line) << c.args.back();
}

TEST(CommandLine, IsThisProcessesArguments) {
  const std::u16string line = GetCommandLineW();
  EXPECT_NE(line.find(u"win32_tests"), std::u16string::npos);
}

}  // namespace
