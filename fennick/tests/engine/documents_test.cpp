// The outcome of CD_INSERT_ITEM through the real engine: a document that
// the folder refuses answers 1 with its Notes error (result 2), a request
// that cannot build a document answers 0, and neither touches the item's
// files when it fails before the document.
#include <sqlite3.h>

#include "insert_engine.h"
#include "notes/lnerror.h"

namespace {

using namespace fennick_test;

std::u16string Message(LNSTATUS status) {
  char text[512];
  LNGetErrorMessageText(status, text, sizeof text);
  return win32::Utf8ToUtf16(text) + u".";
}

// Every file of the item as it stands, by path.
std::map<std::string, std::string> Snapshot(const std::vector<fs::path>& folders) {
  std::map<std::string, std::string> files;
  for (const fs::path& folder : folders)
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      files[entry.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  return files;
}

class FennickDocuments : public FennickInsert {
 protected:
  void WriteItem() {
    WriteMail({});
    WriteEml("From: ann@example.com\r\nSubject: Mime\r\n\r\nMime text\r\n");
    WriteList({{u"{G1}", u"one.txt", "one"}});
  }
  // Changes the database behind the engine's back, by the library's own schema.
  void ExecSql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((out_ / "Box.nsf").c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 10000);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  // A view: a name that folder requests can reach, but that takes no documents.
  void AddView(const char* name, const char* key) {
    ExecSql(std::string("INSERT INTO design(name, name_key, kind) VALUES('") + name + "', '" + key + "', 2)");
  }
  // The database refuses to store what `when` picks out of `table`.
  void Refuse(const std::string& table, const std::string& when = "1") {
    ExecSql("CREATE TRIGGER refuse_" + table + " BEFORE INSERT ON " + table + " WHEN " + when +
            " BEGIN SELECT RAISE(ABORT, 'refused'); END");
  }
};

TEST_F(FennickDocuments, FolderThatRefusesTheDocumentAnswersOneWithItsError) {
  AddView("Mail\\Views", "mail\\views");
  WriteItem();
  EXPECT_EQ(Insert(0, u"Mail\\Views\\"), 1);
  EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(Message(LNERR_NOT_A_FOLDER))});

  // The saved document stays in the database, outside every folder.
  const nlohmann::json dump = Database();
  ASSERT_EQ(dump["documents"].size(), 1u);
  EXPECT_EQ(ItemsNamed(dump["documents"][0], "Subject"), std::vector<Item>{Text("Subject", {"Item subject"})});
  for (const auto& folder : dump["folders"]) EXPECT_TRUE(folder["documents"].empty()) << folder["name"];
  EXPECT_EQ(Attachments(dump["documents"][0]),
            (std::vector<std::pair<std::string, std::string>>{{"one.txt", Sha256("one")}}));

  // The next item goes in as ever.
  WriteItem();
  EXPECT_EQ(Insert(), 1);
  EXPECT_TRUE(TakeReplies().empty());
}

// A save that fails is the document's Notes failure: the request answers 1
// with the error, and no file of an attachment that did not go in is lost.
TEST_F(FennickDocuments, SavesTheDatabaseRefusesKeepTheFilesAndAreReported) {
  // One attachment refused: the one before it is in and its file removed.
  Refuse("attachments", "NEW.name = 'refused.txt'");
  WriteItem();
  WriteList({{u"{G1}", u"one.txt", "one"}, {u"{G2}", u"refused.txt", "refused"}, {u"{G3}", u"three.txt", "three"}});
  EXPECT_EQ(Insert(), 1);
  EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(Message(LNERR_DATABASE_IO))});
  EXPECT_EQ(AttachmentFolder(), (std::map<std::string, std::string>{{"{G2}", "refused"}, {"{G3}", "three"}}));
  nlohmann::json dump = Database();
  ASSERT_EQ(dump["documents"].size(), 1u);
  EXPECT_EQ(Attachments(dump["documents"][0]),
            (std::vector<std::pair<std::string, std::string>>{{"one.txt", Sha256("one")}}));
  for (const auto& folder : dump["folders"]) EXPECT_TRUE(folder["documents"].empty()) << folder["name"];

  // No document stored at all: every file stays under its stored name.
  Refuse("notes");
  WriteItem();
  const auto before = AttachmentFolder();
  EXPECT_EQ(Insert(), 1);
  EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(Message(LNERR_DATABASE_IO))});
  EXPECT_EQ(AttachmentFolder(), before);
  EXPECT_EQ(Database()["documents"].size(), 1u);
}

TEST_F(FennickDocuments, RequestsThatBuildNoDocumentAnswerZeroAndTouchNothing) {
  WriteItem();
  const auto before = Snapshot({machine_.scratch(), attachments_});
  EXPECT_EQ(Insert(0, u"Mail\\Nowhere\\"), 0);
  EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(Message(LNERR_FOLDER_NOT_FOUND))});
  EXPECT_EQ(Snapshot({machine_.scratch(), attachments_}), before);
  EXPECT_TRUE(Database()["documents"].empty());
}

class FennickWithoutDatabase : public FennickDocuments {
 protected:
  void SetUp() override { Start(); }
};

TEST_F(FennickWithoutDatabase, AnswersZeroAndTouchesNothing) {
  WriteItem();
  const auto before = Snapshot({machine_.scratch(), attachments_});
  EXPECT_EQ(Insert(), 0);
  const std::vector<Reply> replies = TakeReplies();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].code, CD_NOTES_ERROR);
  EXPECT_FALSE(replies[0].text.empty());
  EXPECT_EQ(Snapshot({machine_.scratch(), attachments_}), before);
}

}  // namespace
