#include <cstring>
#include <functional>

#include "notes_fixture.h"

namespace {

using ErrorModeTest = NotesTest;

// Each call fails with `status` on an object that was never bound, opened,
// or was closed.
struct Call {
  const char* what;
  LNSTATUS status;
  std::function<LNSTATUS()> run;
};

std::vector<Call> CallsOnDeadObjects(LNDatabase closedDb, LNDocument closedDoc) {
  static const std::string bytes = "ab";
  return {
      {"Open of an unbound database", LNERR_OBJECT_NOT_BOUND, [] { return LNDatabase().Open(); }},
      {"Close of an unbound database", LNERR_OBJECT_NOT_BOUND, [] { return LNDatabase().Close(); }},
      {"Close of a closed database", LNERR_OBJECT_NOT_OPEN, [=]() mutable { return closedDb.Close(); }},
      {"CreateDocument in a closed database", LNERR_OBJECT_NOT_OPEN,
       [=]() mutable {
         LNDocument d;
         return closedDb.CreateDocument(&d);
       }},
      {"CreateFolder in a closed database", LNERR_OBJECT_NOT_OPEN,
       [=]() mutable { return closedDb.CreateFolder("x"); }},
      {"GetViewFolder in a closed database", LNERR_OBJECT_NOT_OPEN,
       [=]() mutable {
         LNViewFolder f;
         return closedDb.GetViewFolder("($Inbox)", &f);
       }},
      {"Open of an unbound folder", LNERR_OBJECT_NOT_BOUND, [] { return LNViewFolder().Open(); }},
      {"Close of an unbound folder", LNERR_OBJECT_NOT_BOUND, [] { return LNViewFolder().Close(); }},
      {"FolderAddDocument of an unbound folder", LNERR_OBJECT_NOT_BOUND,
       [] { return LNViewFolder().FolderAddDocument(LNDocument()); }},
      {"Open of an unbound document", LNERR_OBJECT_NOT_BOUND, [] { return LNDocument().Open(); }},
      {"Save of an unbound document", LNERR_OBJECT_NOT_BOUND, [] { return LNDocument().Save(); }},
      {"Close of an unbound document", LNERR_OBJECT_NOT_BOUND, [] { return LNDocument().Close(); }},
      {"CreateItem on an unbound document", LNERR_OBJECT_NOT_BOUND,
       [] { return LNDocument().CreateItem("x", LNText()); }},
      {"CreateItem on a closed document", LNERR_OBJECT_NOT_OPEN,
       [=]() mutable { return closedDoc.CreateItem("x", LNITEMTYPE_HTML, bytes.data(), 2); }},
      {"CreateAttachment on a closed document", LNERR_OBJECT_NOT_OPEN,
       [=]() mutable { return closedDoc.CreateAttachment("/etc/hostname", "h"); }},
      {"Save of a closed document", LNERR_OBJECT_NOT_OPEN, [=]() mutable { return closedDoc.Save(); }},
      {"Open of a saved document in a closed database", LNERR_OBJECT_NOT_OPEN,
       [=]() mutable { return closedDoc.Open(); }},
  };
}

TEST_F(ErrorModeTest, CallsOnDeadObjectsReturnOrThrowTheirStatus) {
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  ASSERT_EQ(doc.Close(), LNNOERROR);
  ASSERT_EQ(db.Close(), LNNOERROR);

  for (const Call& call : CallsOnDeadObjects(db, doc)) EXPECT_EQ(call.run(), call.status) << call.what;
  EXPECT_EQ(db.ViewFolderExists("($Inbox)"), 0);
  EXPECT_EQ(db.GetTitle(), LNString());
  EXPECT_EQ(LNDatabase().GetFilepath(), LNString());

  session.SetThrowAllErrors(1);
  ASSERT_EQ(session.GetThrowAllErrors(), 1);
  for (const Call& call : CallsOnDeadObjects(db, doc)) {
    try {
      call.run();
      ADD_FAILURE() << call.what << " did not throw";
    } catch (LNSTATUS s) {
      EXPECT_EQ(s, call.status) << call.what;
    }
  }
  EXPECT_THROW(db.ViewFolderExists("($Inbox)"), LNSTATUS);
  EXPECT_THROW(db.GetTitle(), LNSTATUS);
}

TEST_F(ErrorModeTest, InitializeChoosesTheMode) {
  ASSERT_EQ(session.Initialize(300, 0, nullptr, 0, nullptr), LNNOERROR);
  EXPECT_EQ(session.GetThrowAllErrors(), 1);
  try {
    session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("\xC3\xA9.nsf"), "");
    ADD_FAILURE() << "no exception";
  } catch (LNSTATUS s) {
    EXPECT_EQ(s, LNERR_BAD_DATABASE_NAME);
  }
  LNDatetime d;
  EXPECT_THROW(d.SetDate(2, 30, 2024), LNSTATUS);
  LNText t;
  EXPECT_THROW(t.Insert(2, "x"), LNSTATUS);
  // Success throws nothing.
  EXPECT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("ok.nsf"), ""), LNNOERROR);

  ASSERT_EQ(session.Initialize(300, 0, nullptr, 1, nullptr), LNNOERROR);
  EXPECT_EQ(session.GetThrowAllErrors(), 0);
  EXPECT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("ok.nsf"), ""), LNERR_FILE_EXISTS);
}

TEST(ErrorMessages, EveryStatusHasAShortTextWithoutLineBreak) {
  const LNSTATUS raised[] = {
      LNERR_BAD_DATABASE_NAME, LNERR_NOTES_NOT_INSTALLED, LNERR_SERVER_NOT_REACHABLE, LNERR_NOT_INITIALIZED,
      LNERR_NULL_ARGUMENT,     LNERR_BAD_ARGUMENT,        LNERR_OBJECT_NOT_BOUND,     LNERR_OBJECT_NOT_OPEN,
      LNERR_FILE_NOT_FOUND,    LNERR_FILE_EXISTS,         LNERR_DIRECTORY_NOT_FOUND,  LNERR_NOT_A_DATABASE,
      LNERR_DATABASE_DAMAGED,  LNERR_DATABASE_IO,         LNERR_DATABASE_VERSION,     LNERR_BAD_DATABASE_TYPE,
      LNERR_FOLDER_EXISTS,     LNERR_BAD_FOLDER_NAME,     LNERR_FOLDER_NOT_FOUND,     LNERR_NOT_A_FOLDER,
      LNERR_NOTE_NOT_SAVED,    LNERR_NOTE_DELETED,        LNERR_WRONG_DATABASE,       LNERR_BAD_ITEM_NAME,
      LNERR_BAD_DATETIME,      LNERR_BAD_DATE,            LNERR_BAD_TIME,             LNERR_BAD_CHARSET,
      LNERR_ATTACH_FILE_UNREADABLE, LNERR_BAD_ATTACHMENT_NAME, LNERR_ID_FILE};
  for (LNSTATUS s : raised) {
    char buffer[512];
    std::memset(buffer, 'x', sizeof buffer);
    const LNINT n = LNGetErrorMessageText(s, buffer, 512, 0);
    EXPECT_GT(n, 0) << s;
    EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(buffer)) << s;
    EXPECT_EQ(std::string(buffer).find("Unknown status"), std::string::npos) << s;
    EXPECT_NE(buffer[n - 1], '\n') << s;
    for (int i = 0; i < n; ++i) EXPECT_TRUE(buffer[i] >= 0x20 && buffer[i] < 0x7F) << s;
  }
  char buffer[512];
  LNGetErrorMessageText(LNERR_ID_FILE, buffer, 512);
  EXPECT_NE(std::string(buffer).find("Could not open the ID file"), std::string::npos);
}

TEST(ErrorMessages, TextIsCutToTheBuffer) {
  char small[6];
  LNINT full = 0;
  EXPECT_EQ(LNGetErrorMessageText(LNERR_FILE_EXISTS, small, sizeof small, &full), 5);
  EXPECT_STREQ(small, "A fil");
  EXPECT_GT(full, 5);
  char buffer[64];
  LNGetErrorMessageText(0xBEEF, buffer, sizeof buffer);
  EXPECT_STRNE(buffer, "");
}

}  // namespace
