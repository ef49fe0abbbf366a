// The folder lines of a walk become folders numbered as the engine numbers
// its entries: typed leaves written twice, folders without a class seen only
// through their sub-folders, names holding the separators' look-alikes.
#include <gtest/gtest.h>

#include "ListFiles.h"
#include "win32/text.h"

namespace {

using controller::ListedFolder;
using controller::ParseFolderList;

struct Expected {
  std::vector<std::u16string> levels;
  std::int32_t count;
  std::int32_t type;
};

struct Case {
  const char* what;
  std::vector<std::u16string> lines;
  std::vector<Expected> folders;  // numbered from 3
};

TEST(ParseFolderList, FoldersInWalkOrder) {
  const Case cases[] = {
      {"typed leaves twice, a typed parent once",
       {u"Inbox (3)<//FolderType//> 6", u"Inbox (3)<//FolderType//> 6", u"Calendar (0)<//FolderType//> 7",
        u"Calendar (0)<//FolderType//> 7<TagName>Holidays (1)<//FolderType//> 7",
        u"Calendar (0)<//FolderType//> 7<TagName>Holidays (1)<//FolderType//> 7"},
       {{{u"Inbox"}, 3, 6}, {{u"Calendar"}, 0, 7}, {{u"Calendar", u"Holidays"}, 1, 7}}},
      {"a folder without a class shows only in its sub-folders' lines",
       {u"Archive (0)<TagName>2023 (4)<//FolderType//> 6", u"Archive (0)<TagName>2023 (4)<//FolderType//> 6",
        u"Archive (0)<TagName>2024 (2)<//FolderType//> 6", u"Archive (0)<TagName>2024 (2)<//FolderType//> 6"},
       {{{u"Archive"}, 0, -1}, {{u"Archive", u"2023"}, 4, 6}, {{u"Archive", u"2024"}, 2, 6}}},
      {"a leaf without a class has one line without type",
       {u"Loose (2)", u"Inbox (1)<//FolderType//> 6", u"Inbox (1)<//FolderType//> 6"},
       {{{u"Loose"}, 2, -1}, {{u"Inbox"}, 1, 6}}},
      {"two sibling leaves of one name are two folders",
       {u"Same (1)<//FolderType//> 6", u"Same (1)<//FolderType//> 6", u"Same (1)<//FolderType//> 6",
        u"Same (1)<//FolderType//> 6"},
       {{{u"Same"}, 1, 6}, {{u"Same"}, 1, 6}}},
      {"names that end like a count or hold brackets",
       {u"Q (1) (2) (5)<//FolderType//> 6", u"Q (1) (2) (5)<//FolderType//> 6", u"Größe (x) (0)<//FolderType//> 11",
        u"Größe (x) (0)<//FolderType//> 11"},
       {{{u"Q (1) (2)"}, 5, 6}, {{u"Größe (x)"}, 0, 11}}},
      {"nothing", {}, {}},
  };
  for (const Case& c : cases) {
    const std::vector<ListedFolder> folders = ParseFolderList(c.lines, 3);
    ASSERT_EQ(folders.size(), c.folders.size()) << c.what;
    for (std::size_t i = 0; i < folders.size(); ++i) {
      EXPECT_EQ(folders[i].entryIndex, static_cast<std::int32_t>(3 + i)) << c.what;
      EXPECT_EQ(folders[i].levels, c.folders[i].levels) << c.what << ", folder " << i;
      EXPECT_EQ(folders[i].count, c.folders[i].count) << c.what << ", folder " << i;
      EXPECT_EQ(folders[i].folderType, c.folders[i].type) << c.what << ", folder " << i;
    }
  }
}

}  // namespace
