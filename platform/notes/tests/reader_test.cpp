#include <sqlite3.h>

#include <fstream>

#include "notes_fixture.h"

namespace fs = std::filesystem;

namespace {

using ReaderTest = NotesTest;

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(ReaderTest, ForeignFilesAreRefusedAndLeftAlone) {
  std::ofstream(Scratch("empty.nsf"));
  std::ofstream(Scratch("text.nsf")) << "Subject: not a database\r\n";
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Scratch("other.nsf").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  fs::create_directories(Scratch("folder.nsf"));
  const struct {
    const char* file;
    LNSTATUS status;
  } cases[] = {{"missing.nsf", LNERR_FILE_NOT_FOUND},
               {"empty.nsf", LNERR_NOT_A_DATABASE},
               {"text.nsf", LNERR_NOT_A_DATABASE},
               {"other.nsf", LNERR_NOT_A_DATABASE},
               {"folder.nsf", LNERR_NOT_A_DATABASE}};
  for (const auto& c : cases) {
    const std::string before = fs::is_regular_file(Scratch(c.file)) ? Bytes(Scratch(c.file)) : "";
    notes::NsfReader reader;
    EXPECT_EQ(reader.Open(Scratch(c.file)), c.status) << c.file;
    LNDatabase db;
    if (session.GetDatabase(Scratch(c.file), &db) == LNNOERROR) {
      EXPECT_EQ(db.Open(), c.status) << c.file;
    }
    if (fs::is_regular_file(Scratch(c.file))) {
      EXPECT_EQ(Bytes(Scratch(c.file)), before) << c.file;
    }
  }
  EXPECT_FALSE(fs::exists(Scratch("missing.nsf")));
}

TEST_F(ReaderTest, DamagedValuesAndAttachmentsAreReported) {
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  std::ofstream(Scratch("a.txt")) << std::string(1000, 'a');
  ASSERT_EQ(doc.CreateItem("Subject", Text({"Hi"})), LNNOERROR);
  ASSERT_EQ(doc.CreateAttachment(Scratch("a.txt"), "a.txt"), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  ASSERT_EQ(db.Close(), LNNOERROR);
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(Scratch("mail.nsf").c_str(), &raw), SQLITE_OK);
    // A list entry that claims more bytes than it has, and content cut short.
    sqlite3_exec(raw, "UPDATE items SET value = x'FF000000414243'; UPDATE attachments SET data = substr(data, 1, 5)",
                 nullptr, nullptr, nullptr);
    sqlite3_close(raw);
  }
  notes::NsfReader reader;
  notes::DatabaseRecord r;
  ASSERT_EQ(reader.Open(Scratch("mail.nsf")), LNNOERROR);
  EXPECT_EQ(reader.Read(&r), LNERR_DATABASE_DAMAGED);
  std::string content;
  EXPECT_EQ(reader.ReadAttachment(1, &content), LNERR_DATABASE_DAMAGED);
  EXPECT_EQ(reader.ReadAttachment(99, &content), LNERR_BAD_ARGUMENT);
}

TEST_F(ReaderTest, TruncatedFileIsNotReadAsValid) {
  LNDatabase db = NewMailDatabase();
  for (int i = 0; i < 50; ++i) {
    LNDocument doc = NewDocument(db);
    ASSERT_EQ(doc.CreateItem("Body", Text({std::string(2000, 'b').c_str()})), LNNOERROR);
    ASSERT_EQ(doc.Save(), LNNOERROR);
  }
  ASSERT_EQ(db.Close(), LNNOERROR);
  fs::resize_file(Scratch("mail.nsf"), fs::file_size(Scratch("mail.nsf")) / 2);
  notes::NsfReader reader;
  notes::DatabaseRecord r;
  LNSTATUS s = reader.Open(Scratch("mail.nsf"));
  if (s == LNNOERROR) s = reader.Read(&r);
  EXPECT_EQ(s, LNERR_DATABASE_DAMAGED);
}

TEST_F(ReaderTest, ReadsCommittedStateWhileTheDatabaseStaysOpen) {
  LNDatabase db = NewMailDatabase();
  LNViewFolder inbox;
  ASSERT_EQ(db.CreateFolder("Inbox"), LNNOERROR);
  ASSERT_EQ(db.GetViewFolder("Inbox", &inbox), LNNOERROR);
  ASSERT_EQ(inbox.Open(), LNNOERROR);
  LNDocument doc = NewDocument(db);
  ASSERT_EQ(doc.CreateItem("Subject", Text({"first"})), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  ASSERT_EQ(inbox.FolderAddDocument(doc), LNNOERROR);

  // A reader started now keeps its view while the writer goes on.
  notes::NsfReader early;
  ASSERT_EQ(early.Open(Scratch("mail.nsf")), LNNOERROR);
  notes::DatabaseRecord first;
  ASSERT_EQ(early.Read(&first), LNNOERROR);
  LNDocument second = NewDocument(db);
  ASSERT_EQ(second.CreateItem("Subject", Text({"second"})), LNNOERROR);
  ASSERT_EQ(second.Save(), LNNOERROR);

  notes::DatabaseRecord again;
  ASSERT_EQ(early.Read(&again), LNNOERROR);
  EXPECT_EQ(again.documents.size(), 1u);
  EXPECT_EQ(Dump(Scratch("mail.nsf")).documents.size(), 2u);
  EXPECT_EQ(Dump(Scratch("mail.nsf")).folders.back().documents, std::vector<std::int64_t>{doc.GetNoteID()});
}

}  // namespace
