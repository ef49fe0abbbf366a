#include <gtest/gtest.h>

#include "win32/path.h"

namespace {

TEST(Path, BackslashesAndRunsOfSeparatorsMap) {
  struct Case {
    std::u16string in;
    std::string out;
  };
  const Case cases[] = {
      {u"/tmp/\\DisplayName.txt", "/tmp/DisplayName.txt"},
      {u"\\tmp\\a\\b.txt", "/tmp/a/b.txt"},
      {u"/tmp//x///y", "/tmp/x/y"},
      {u"rel\\name", "rel/name"},
      {u"/t\u00e9st/\u20ac.txt", "/t\xC3\xA9st/\xE2\x82\xAC.txt"},
      {u"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(win32::MapPath(c.in).string(), c.out);
}

}  // namespace
