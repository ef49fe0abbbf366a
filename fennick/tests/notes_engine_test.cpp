// The Notes engine in process: the error-text rule, and the database it
// holds open as one creation replaces another or fails.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

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

// Runs that create the same name at once each get a database of their own,
// numbered as one run alone would number them; none falls back to a copy of
// the user's mail file because another took its name first.
TEST_F(NotesEngineDatabases, RunsCreatingTheSameNameAtOnceEachGetTheirOwnDatabase) {
  const fs::path mailDir = machine_.scratch() / "mail";
  fs::create_directories(mailDir);
  ASSERT_EQ(notes::CreateMailTemplate(mailDir / "Mail.nsf", "Mail of Ann"), LNNOERROR);
  constexpr int kRuns = 8;
  const auto Failure = [&](int run) { return machine_.scratch() / ("failed" + std::to_string(run)); };
  for (int round = 0; round < 3; ++round) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> runs;
    for (int i = 0; i < kRuns; ++i) {
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        ::close(start[1]);
        char go;
        (void)!::read(start[0], &go, 1);  // returns once the parent closes its end
        int failed;
        {
          CNotesEngine engine;
          engine.SetMailFileDir(win32::Utf8ToUtf16(mailDir.string()));
          failed = engine.CreateNsf(Out(), u"Box") != 1;
          if (failed) std::ofstream(Failure(i)) << win32::Utf16ToUtf8(engine.GetErrorText());
        }
        ::_exit(failed);
      }
      runs.push_back(pid);
    }
    ::close(start[0]);
    ::close(start[1]);
    for (int i = 0; i < kRuns; ++i) {
      int status = 0;
      ASSERT_EQ(::waitpid(runs[i], &status, 0), runs[i]);
      std::ifstream failure(Failure(i));
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "round " << round << ": " << std::string(std::istreambuf_iterator<char>(failure), {});
      fs::remove(Failure(i));
    }

    std::set<std::string> expected = {"Box.nsf"}, made;
    for (int n = 1; n < kRuns; ++n) expected.insert("Box" + std::to_string(n) + ".nsf");
    LNNotesSession session;
    ASSERT_EQ(session.Initialize(300, 0, nullptr, 1, nullptr), LNNOERROR);
    for (const auto& entry : fs::directory_iterator(out_)) {
      const std::string name = entry.path().filename().string();
      if (name.ends_with("-wal") || name.ends_with("-shm")) continue;
      made.insert(name);
      LNDatabase database;
      ASSERT_EQ(session.GetDatabase(entry.path().string(), &database), LNNOERROR) << name;
      ASSERT_EQ(database.Open(0), LNNOERROR) << name;
      EXPECT_EQ(database.GetTitle().str(), entry.path().stem().string()) << "made from the template, not copied";
      database.Close();
    }
    EXPECT_EQ(made, expected) << "round " << round;
  }
}

TEST(NotesEngineNames, MailUnicodeNeedsADirectory) {
  EXPECT_EQ(CNotesEngine::MakeUniqueNsfPath(u"Box.nsf"), u"Box.nsf");
  EXPECT_EQ(CNotesEngine::MakeUniqueNsfPath(u"/nowhere/at/all\\Box.nsf"), u"/nowhere/at/all\\Mail_Unicode.nsf");
}

}  // namespace
