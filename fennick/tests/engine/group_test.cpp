// Distribution lists through the real engine: the group's items in order,
// its members from the members file (empty lines kept), the file removed
// once the group is saved and kept when it does not open, and a group the
// folder refuses.
#include <sqlite3.h>

#include "builder_engine.h"
#include "notes/lnerror.h"

namespace {

using namespace fennick_test;

class FennickGroup : public FennickBuilder {
 protected:
  void WriteList(const std::u16string& entries) { WriteItemText(HeaderText(u"CONTC_DIST_LIST", {}) + entries); }
  void WriteMembers(const std::string& bytes) { std::ofstream(MembersPath(), std::ios::binary) << bytes; }
  std::u16string Team() const {
    return Entry(u"Comment", u"The team\r\nof two") + Entry(u"Name", u"Team") + Entry(u"Category", u"2: Red; Blue");
  }
};

TEST_F(FennickGroup, ItemsInOrderWithTheMembersOfTheFile) {
  WriteList(Team() + Entry(u"Categories", u"x") + Entry(u"Members", u"y"));
  WriteMembers("al@example.com\r\nbo@example.com\r\n");
  WriteEml(kMimeMessage);  // not read for a group
  EXPECT_EQ(Items(Inserted()), (std::vector<Item>{
                                   Text("Comment", {"The team\rof two"}),
                                   Text("DisplayName", {"Team"}),
                                   Text("ListName", {"Team"}),
                                   Text("Categories", {" Red; Blue"}),
                                   Text("Form", {"Group"}),
                                   Text("Members", {"al@example.com", "bo@example.com"}),
                                   Text("ExcludeFromView", {"S", "D"}),
                               }));
  EXPECT_FALSE(fs::exists(MembersPath()));

  // The next list names the same file, which the first one took: no members.
  WriteList(Team());
  EXPECT_EQ(Names(Items(Inserted())),
            (std::vector<std::string>{"Comment", "DisplayName", "ListName", "Categories", "Form", "ExcludeFromView"}));
}

TEST_F(FennickGroup, MembersLineByLine) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> members;
  };
  const Case cases[] = {
      {"three lines", "a@x\r\nb@x\r\nc@x\r\n", {"a@x", "b@x", "c@x"}},
      {"an empty line in the middle", "a@x\r\n\r\nc@x\r\n", {"a@x", "", "c@x"}},
      {"no line end at the end", "a@x\r\nb@x", {"a@x", "b@x"}},
      {"line feeds alone, a carriage return inside", "a@x\nb\r@x\n", {"a@x", "b@x"}},
      {"bytes as the characters of their value", "\xe9@x\r\n", {"\xc3\xa9@x"}},
      {"Notes text ends at a NUL", std::string("a@x\0b@x\r\nc@x\r\n", 14), {"a@x", "c@x"}},
      {"an empty file", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteList(Team());
    WriteMembers(c.bytes);
    EXPECT_EQ(ItemsNamed(Inserted(), "Members"), std::vector<Item>{Text("Members", c.members)});
    EXPECT_FALSE(fs::exists(MembersPath()));
  }
}

// A file that does not open gives an empty "Members" and stays; no path,
// or nothing under it, gives none.
TEST_F(FennickGroup, MembersFileThatDoesNotOpenStays) {
  WriteList(Team());
  fs::create_directories(MembersPath());
  EXPECT_EQ(ItemsNamed(Inserted(), "Members"), std::vector<Item>{Text("Members", {})});
  EXPECT_TRUE(fs::is_directory(MembersPath()));

  auto info = ItemInfo(u"Mail\\Inbox\\", ItemTextPath());
  EXPECT_EQ(Send(CD_INSERT_ITEM, *info), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_TRUE(ItemsNamed(LastDocument(), "Members").empty());
}

// The folder refuses the group: reported, the group saved outside every
// folder with its members, and the file gone with them into the database.
TEST_F(FennickGroup, GroupTheFolderRefusesIsReported) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((out_ / "Box.nsf").c_str(), &db), SQLITE_OK);
  sqlite3_busy_timeout(db, 10000);
  EXPECT_EQ(sqlite3_exec(db, "INSERT INTO design(name, name_key, kind) VALUES('Mail\\Views', 'mail\\views', 2)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  WriteList(Team());
  WriteMembers("al@example.com\r\n");
  EXPECT_EQ(InsertWithMembers(0, u"Mail\\Views\\"), 1);
  char text[512];
  LNGetErrorMessageText(LNERR_NOT_A_FOLDER, text, sizeof text);
  EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(win32::Utf8ToUtf16(text) + u".")});
  const nlohmann::json dump = Database();
  ASSERT_EQ(dump["documents"].size(), 1u);
  EXPECT_EQ(ItemsNamed(dump["documents"][0], "Members"), std::vector<Item>{Text("Members", {"al@example.com"})});
  for (const auto& folder : dump["folders"]) EXPECT_TRUE(folder["documents"].empty()) << folder["name"];
  EXPECT_FALSE(fs::exists(MembersPath()));
}

}  // namespace
