// The Notes engine in process: the error-text rule, and the database it
// holds open as one creation replaces another or fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "NotesEngine.h"
#include "notes/lnerror.h"
#include "notes/templates.h"
#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;

TEST(NotesEngineErrorText, EndsWithAFullStopOrTakesTheFixedText) {
  const std::u16string network =
      u"There is a problem in network connection. Please check the network connection and try again.";
  const std::u16string idFile =
      u"An incorrect path or file name might have supplied for the User ID you are trying to use. It is also "
      u"possible that the User ID is on a file server that is inaccessible to IBM Lotus Notes.";
  const struct {
    std::u16string text;
    LNSTATUS status;
    std::u16string formed;
  } cases[] = {
      {u"File does not exist", 0x0A06, u"File does not exist."},
      {u"Already ended.", 0, u"Already ended."},
      {u"", 0, u""},
      {u"The system cannot find the file specified.\r\n", 0, u"The system cannot find the file specified."},
      {u"No network line break\r\n", 0, u"No network line break."},
      {u"Whatever the library said", 0x2140, network},
      {u"Whatever the library said", 0x1902, u"Lotus Notes is not installed or configured properly."},
      {u"Could not open the ID file", 0x0A30, idFile},
      {u"Template Error:- Could not open the ID file", 0, idFile},
  };
  CNotesEngine engine;
  for (const auto& c : cases) {
    engine.SetErrorText(c.text, c.status);
    EXPECT_EQ(win32::Utf16ToUtf8(engine.GetErrorText()), win32::Utf16ToUtf8(c.formed)) << c.status;
  }
}

class NotesEngineDatabases : public ::testing::Test {
 protected:
  NotesEngineDatabases() : out_(machine_.scratch() / "out") {
    std::string error;
    EXPECT_TRUE(notes::InstallMailTemplates(&error)) << error;
    fs::create_directories(out_);
  }
  std::u16string Out() const { return win32::Utf8ToUtf16(out_.string()); }

  testing_support::TempMachine machine_;
  fs::path out_;
  CNotesEngine engine_;
};

TEST_F(NotesEngineDatabases, TheDatabaseItReplacesIsClosedAndTheFlagSaysWhatIsOpen) {
  ASSERT_EQ(engine_.CreateNsf(Out(), u"First"), 1);
  const LNDatabase first = engine_.Database();
  ASSERT_TRUE(first.IsOpen());

  ASSERT_EQ(engine_.CreateNsf(Out(), u"Second"), 1);
  EXPECT_FALSE(first.IsOpen()) << "closed before the next one is opened";
  EXPECT_TRUE(engine_.Database().IsOpen());
  EXPECT_TRUE(engine_.IsDatabaseOpen());

  // A folder that cannot be made leaves the database open, and says so.
  CString path = u"Top\\x";
  EXPECT_EQ(engine_.CreateNotesFolder(path), 0);
  EXPECT_TRUE(engine_.IsDatabaseOpen());
  EXPECT_TRUE(engine_.Database().IsOpen());

  // A creation that ends with a file that does not open: nothing is open.
  fs::remove(win32::NotesFolder() / notes::kMailTemplateFile);
  fs::remove(win32::NotesFolder() / notes::kMailReleaseTemplateFile);
  const fs::path mailDir = machine_.scratch() / "mail";
  fs::create_directories(mailDir);
  std::ofstream(mailDir / "Mail.nsf") << "not a database";
  engine_.SetMailFileDir(win32::Utf8ToUtf16(mailDir.string()));
  const LNDatabase second = engine_.Database();
  EXPECT_EQ(engine_.CreateNsf(Out(), u"Third"), 0);
  EXPECT_EQ(win32::Utf16ToUtf8(engine_.GetErrorText()), "The file is not a Notes database.");
  EXPECT_FALSE(second.IsOpen());
  EXPECT_FALSE(engine_.IsDatabaseOpen());
}

TEST(NotesEngineNames, MailUnicodeNeedsADirectory) {
  EXPECT_EQ(CNotesEngine::MakeUniqueNsfPath(u"Box.nsf"), u"Box.nsf");
  EXPECT_EQ(CNotesEngine::MakeUniqueNsfPath(u"/nowhere/at/all\\Box.nsf"), u"/nowhere/at/all\\Mail_Unicode.nsf");
}

}  // namespace
