// CD_CREATE_FOLDER through the real engine: the final names it answers, the
// numbering of names already taken, and CD_INSERT_ITEM finding each folder
// again by its answered name and the extra final character.
#include "fennick_engine.h"

namespace {

namespace fs = std::filesystem;
using fennick_test::FennickEngine;
using fennick_test::FolderName;
using fennick_test::NotesError;
using fennick_test::Reply;

std::u16string Repeat(char16_t c, std::size_t n) { return std::u16string(n, c); }

// The folder holding each document of the database, by document.
std::vector<std::string> DocumentFolders(const nlohmann::json& dump) {
  std::vector<std::string> where;
  for (const auto& folder : dump["folders"])
    for (std::size_t i = 0; i < folder["documents"].size(); ++i) where.push_back(folder["name"]);
  return where;
}

class FennickFolders : public FennickEngine {
 protected:
  void SetUp() override {
    Start();
    ASSERT_EQ(CreateNsf(u"Box"), 1);
    item_ = WriteMailText(u"Round trip");
  }
  fs::path item_;
};

TEST_F(FennickFolders, AnswersTheFinalNameAndFindsTheFolderByIt) {
  struct Case {
    const char* what;
    std::u16string request;  // the extra final character included
    std::u16string name;
  };
  const std::u16string level60 = Repeat(u'a', 60), level63 = Repeat(u'b', 63), level64 = Repeat(u'c', 64);
  const std::u16string level71 = u"Quarterly " + Repeat(u'q', 53) + u" reports", level125 = Repeat(u'L', 125);
  const Case cases[] = {
      {"two levels and a closing separator", u"Mailbox\\Inbox\\", u"Mailbox\\Inbox"},
      {"any extra character", u"Mailbox\\Inbox\\Sub#", u"Mailbox\\Inbox\\Sub"},
      {"pipes become blanks", u"Mailbox\\Re|Fw\\a|b\\", u"Mailbox\\Re Fw\\a b"},
      {"bracketed levels", u"Mailbox\\(Sent)\\Keep(1)\\((Old))\\(Open\\", u"Mailbox\\_Sent_\\Keep(1)\\__Old__\\(Open"},
      {"an opening bracket alone", u"Mailbox\\(Drafts\\", u"Mailbox\\(Drafts"},
      {"a closing bracket alone", u"Mailbox\\Drafts)\\", u"Mailbox\\Drafts)"},
      {"brackets not around the level", u"Mailbox\\(Drafts)x\\", u"Mailbox\\(Drafts)x"},
      {"the top level is kept", u"(Top|1)\\Inbox\\", u"(Top|1)\\Inbox"},
      {"a rest of 124 characters", u"Long\\" + level60 + u"\\" + level63 + u"\\",
       u"Long\\" + level60 + u"\\" + level63},
      {"a long level shortened", u"Long\\" + level125 + u"\\",
       u"Long\\Exchange Files\\" + Repeat(u'L', 20) + u"..." + Repeat(u'L', 20)},
      {"levels kept and shortened", u"Long\\" + level71 + u"\\" + level60 + u"\\",
       u"Long\\Exchange Files\\Quarterly qqqqqqqqqq...qqqqqqqqqqqq reports\\" + level60},
      {"still too long: the last level alone", u"Long\\" + level60 + u"\\" + level64 + u"\\",
       u"Long\\Exchange Files\\" + level64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CreateFolder(c.request), 1);
    EXPECT_EQ(TakeReplies(), std::vector<Reply>{FolderName(c.name)});
    EXPECT_EQ(InsertItem(c.name + u"x", item_), 1);
    EXPECT_TRUE(TakeReplies().empty());
  }
  const auto dump = Dump(out_ / "Box.nsf");
  std::vector<std::string> expected;
  for (const Case& c : cases) expected.push_back(win32::Utf16ToUtf8(c.name));
  EXPECT_EQ(DocumentFolders(dump), expected) << "one document in each folder";
}

TEST_F(FennickFolders, ATakenNameIsNumbered) {
  const std::u16string names[] = {u"Top\\Dup", u"Top\\Dup1", u"Top\\Dup2", u"Top\\Dup3"};
  for (const std::u16string& name : names) {
    EXPECT_EQ(CreateFolder(u"Top\\Dup\\"), 1);
    EXPECT_EQ(TakeReplies(), std::vector<Reply>{FolderName(name)});
  }
  for (const std::u16string& name : names) EXPECT_EQ(InsertItem(name + u"\\", item_), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_EQ(DocumentFolders(Dump(out_ / "Box.nsf")),
            (std::vector<std::string>{"Top\\Dup", "Top\\Dup1", "Top\\Dup2", "Top\\Dup3"}));
}

TEST_F(FennickFolders, APathWithoutALevelAfterTheTopIsRefusedByTheLibrary) {
  const auto before = Dump(out_ / "Box.nsf");
  for (const std::u16string request : {u"Top\\x", u"Top\\", u"", u"x", u"NoSeparator"}) {
    SCOPED_TRACE(win32::Utf16ToUtf8(request));
    EXPECT_EQ(CreateFolder(request), 0);
    EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(u"The folder name has an empty level.")});
    EXPECT_EQ(InsertItem(request, item_), 0);
    EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(u"Folder or view not found.")});
  }
  EXPECT_EQ(Dump(out_ / "Box.nsf"), before);
}

TEST_F(FennickFolders, AnItemForAFolderThatIsNotThereIsRefusedAndItsFilesStay) {
  EXPECT_EQ(InsertItem(u"Top\\Missing\\", item_), 0);
  EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(u"Folder or view not found.")});
  EXPECT_TRUE(fs::exists(item_));
  EXPECT_TRUE(Dump(out_ / "Box.nsf")["documents"].empty());
}

TEST_F(FennickFolders, AnItemWithoutItsTextFileIsStillInserted) {
  ASSERT_EQ(CreateFolder(u"Top\\Inbox\\"), 1);
  TakeReplies();
  EXPECT_EQ(InsertItem(u"Top\\Inbox\\", machine_.scratch() / "missing.txt"), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_EQ(DocumentFolders(Dump(out_ / "Box.nsf")), std::vector<std::string>{"Top\\Inbox"});
}

TEST_F(FennickEngine, FoldersAndItemsNeedADatabase) {
  Start();
  const std::vector<Reply> noDatabase = {NotesError(u"The object does not refer to a database, folder or document.")};
  EXPECT_EQ(CreateFolder(u"Top\\Inbox\\"), 0);
  EXPECT_EQ(TakeReplies(), noDatabase);
  EXPECT_EQ(InsertItem(u"Top\\Inbox\\", WriteMailText(u"lost")), 0);
  EXPECT_EQ(TakeReplies(), noDatabase);
}

}  // namespace
