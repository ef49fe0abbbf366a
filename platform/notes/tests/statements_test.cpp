// Statements kept per open database: shared safely, not kept when they did
// not prepare, and gone with the connection, so that closing folds the
// write-ahead log back into the file.
#include <sqlite3.h>

#include <filesystem>

#include "notes_fixture.h"
#include "sqlite_handles.h"

namespace fs = std::filesystem;
using notes_internal::Connection;
using notes_internal::Statement;
using notes_internal::Store;

namespace {

Store OpenScratchStore(const fs::path& file) {
  sqlite3* raw = nullptr;
  EXPECT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
  return Store(Connection(raw));
}

TEST(StoreStatements, OneInUseIsNotHandedOutAgainAndOneThatFailedIsPreparedAgain) {
  testing_support::TempMachine machine;
  Store store = OpenScratchStore(machine.scratch() / "s.db");
  const char* select = "SELECT x FROM t ORDER BY x";
  {
    Statement early(store, select);
    EXPECT_EQ(early.Step(), SQLITE_ERROR) << "no such table yet";
  }
  ASSERT_EQ(notes_internal::Exec(store.db(), "CREATE TABLE t(x); INSERT INTO t VALUES(1), (2), (3)"), LNNOERROR);

  // The same query twice at once, as a walk that looks things up again.
  std::vector<std::pair<int, int>> pairs;
  for (int round = 0; round < 2; ++round) {
    Statement outer(store, select);
    while (outer.Step() == SQLITE_ROW) {
      Statement inner(store, select);
      while (inner.Step() == SQLITE_ROW) pairs.emplace_back(outer.Int(0), inner.Int(0));
    }
  }
  ASSERT_EQ(pairs.size(), 18u);
  EXPECT_EQ(pairs.front(), std::make_pair(1, 1));
  EXPECT_EQ(pairs[8], std::make_pair(3, 3));

  // Bindings do not outlive the use that made them.
  ASSERT_EQ(notes_internal::Exec(store.db(), "CREATE TABLE u(x)"), LNNOERROR);
  {
    Statement insert(store, "INSERT INTO u VALUES(?)");
    EXPECT_EQ(insert.Bind(1, std::int64_t{7}).Step(), SQLITE_DONE);
  }
  {
    Statement insert(store, "INSERT INTO u VALUES(?)");
    EXPECT_EQ(insert.Step(), SQLITE_DONE);
  }
  Statement read(store, "SELECT count(*), count(x) FROM u");
  ASSERT_EQ(read.Step(), SQLITE_ROW);
  EXPECT_EQ(read.Int(0), 2);
  EXPECT_EQ(read.Int(1), 1);
}

using KeptStatements = NotesTest;

TEST_F(KeptStatements, EachDocumentIsInTheFileWhenSavedAndClosingFoldsTheLogBack) {
  const fs::path file = Scratch("mail.nsf");
  LNDatabase db = NewMailDatabase();
  ASSERT_EQ(db.CreateFolder("Box"), LNNOERROR);
  LNViewFolder folder;
  ASSERT_EQ(db.GetViewFolder("Box", &folder), LNNOERROR);
  ASSERT_EQ(folder.Open(), LNNOERROR);
  for (int i = 1; i <= 30; ++i) {
    LNDocument doc = NewDocument(db);
    ASSERT_EQ(doc.CreateItem("Subject", Text({("Note " + std::to_string(i)).c_str()})), LNNOERROR);
    ASSERT_EQ(doc.Save(), LNNOERROR);
    ASSERT_EQ(folder.FolderAddDocument(doc), LNNOERROR);
    if (i % 10 == 0) {
      const notes::DatabaseRecord seen = Dump(file);  // another connection, while this one is open
      ASSERT_EQ(seen.documents.size(), static_cast<std::size_t>(i));
      EXPECT_EQ(seen.documents.back().items.at(0).values, std::vector<std::string>{"Note " + std::to_string(i)});
    }
  }
  ASSERT_EQ(db.Close(), LNNOERROR);
  EXPECT_FALSE(fs::exists(file.string() + "-wal"));
  EXPECT_FALSE(fs::exists(file.string() + "-shm"));
  EXPECT_EQ(Dump(file).documents.size(), 30u);
  // Opened again, it takes documents as before.
  ASSERT_EQ(db.Open(), LNNOERROR);
  LNDocument doc = NewDocument(db);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  EXPECT_EQ(doc.GetNoteID(), 31);
}

}  // namespace
