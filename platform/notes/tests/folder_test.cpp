#include "notes_fixture.h"

namespace {

using FolderTest = NotesTest;

TEST_F(FolderTest, CreateFolderRefusesEmptyLevels) {
  LNDatabase db = NewMailDatabase();
  for (const char* name : {"", "\\Inbox", "Mailbox\\", "Mailbox\\\\Inbox", " \\Inbox", "Mailbox\\  "})
    EXPECT_EQ(db.CreateFolder(name), LNERR_BAD_FOLDER_NAME) << '"' << name << '"';
  EXPECT_EQ(db.CreateFolder("Mailbox\\Inbox"), LNNOERROR);
  EXPECT_EQ(db.CreateFolder("Mailbox\\ Inbox "), LNNOERROR);  // blanks are part of a level
}

TEST_F(FolderTest, NamesCompareWithoutCaseInCreateAndExists) {
  LNDatabase db = NewMailDatabase();
  ASSERT_EQ(db.CreateFolder("Mailbox\\Inbox"), LNNOERROR);
  ASSERT_EQ(db.CreateFolder("\xC3\x9C" "bersicht\\\xC3\x84rger"), LNNOERROR);  // Übersicht\Ärger
  struct Case {
    const char* name;
    bool taken;
  } cases[] = {
      {"Mailbox\\Inbox", true},
      {"MAILBOX\\inbox", true},
      {"\xC3\xBC" "BERSICHT\\\xC3\xA4RGER", true},  // übersicht\ärger
      {"($inbox)", true},                          // the template's folder
      {"($all)", true},                            // and its view share the names
      {"Mailbox\\Inbox1", false},
      {"Mailbox", false},                          // no parent is made
      {"Mailbox\\Inbox ", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(db.ViewFolderExists(c.name), c.taken ? 1 : 0) << c.name;
    EXPECT_EQ(db.CreateFolder(c.name), c.taken ? LNERR_FOLDER_EXISTS : LNNOERROR) << c.name;
    EXPECT_EQ(db.ViewFolderExists(c.name), 1) << c.name;
  }
}

TEST_F(FolderTest, FoldersPersistAndReceiveSavedDocuments) {
  LNDatabase db = NewMailDatabase();
  LNViewFolder created;
  ASSERT_EQ(db.CreateFolder("Mailbox\\Inbox", &created), LNNOERROR);
  EXPECT_EQ(created.GetName(), LNString("Mailbox\\Inbox"));

  LNViewFolder folder;
  EXPECT_EQ(db.GetViewFolder("Nothing", &folder), LNERR_FOLDER_NOT_FOUND);
  ASSERT_EQ(db.GetViewFolder("mailbox\\INBOX", &folder), LNNOERROR);
  EXPECT_EQ(folder.GetName(), LNString("Mailbox\\Inbox"));

  LNDocument doc = NewDocument(db);
  EXPECT_EQ(folder.FolderAddDocument(doc), LNERR_OBJECT_NOT_OPEN);  // folder not open
  ASSERT_EQ(folder.Open(0), LNNOERROR);
  EXPECT_EQ(folder.FolderAddDocument(doc), LNERR_NOTE_NOT_SAVED);
  ASSERT_EQ(doc.Save(0), LNNOERROR);
  EXPECT_EQ(folder.FolderAddDocument(doc), LNNOERROR);
  EXPECT_EQ(folder.FolderAddDocument(doc), LNNOERROR);  // twice is once
  LNDocument outside = NewDocument(db);
  ASSERT_EQ(outside.Save(0), LNNOERROR);
  EXPECT_EQ(folder.Close(), LNNOERROR);
  EXPECT_EQ(folder.Close(), LNERR_OBJECT_NOT_OPEN);

  const notes::DatabaseRecord r = Dump(Scratch("mail.nsf"));
  ASSERT_EQ(r.folders.back().name, "Mailbox\\Inbox");
  EXPECT_EQ(r.folders.back().documents, std::vector<std::int64_t>{doc.GetNoteID()});
  ASSERT_EQ(r.documents.size(), 2u);  // the one in no folder is there too
  EXPECT_EQ(r.documents[1].id, outside.GetNoteID());
}

TEST_F(FolderTest, FolderAddDocumentRefusesViewsAndOtherDatabases) {
  LNDatabase db = NewMailDatabase();
  LNDatabase other = NewMailDatabase("other.nsf");
  LNViewFolder view;
  ASSERT_EQ(db.GetViewFolder("($All)", &view), LNNOERROR);
  ASSERT_EQ(view.Open(), LNNOERROR);
  LNDocument doc = NewDocument(db);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  EXPECT_EQ(view.FolderAddDocument(doc), LNERR_NOT_A_FOLDER);

  LNViewFolder foreign;
  ASSERT_EQ(other.GetViewFolder("($Inbox)", &foreign), LNNOERROR);
  ASSERT_EQ(foreign.Open(), LNNOERROR);
  EXPECT_EQ(foreign.FolderAddDocument(doc), LNERR_WRONG_DATABASE);

  // A second handle on the same file is the same database.
  LNDatabase again;
  ASSERT_EQ(session.GetDatabase(Scratch("mail.nsf"), &again), LNNOERROR);
  ASSERT_EQ(again.Open(), LNNOERROR);
  LNViewFolder inbox;
  ASSERT_EQ(again.GetViewFolder("($Inbox)", &inbox), LNNOERROR);
  ASSERT_EQ(inbox.Open(), LNNOERROR);
  EXPECT_EQ(inbox.FolderAddDocument(doc), LNNOERROR);
}

}  // namespace
