// CD_CREATE_NSF through the real engine: the first free name, the template
// found by its title, the fall-backs to "mail8.ntf" and to the user's mail
// file, and the retry under "Mail_Unicode"; migrations into one name at
// once.
#include <set>
#include <sstream>

#include "fennick_engine.h"
#include "notes/lnerror.h"
#include "notes/templates.h"
#include "testing/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using fennick_test::FennickEngine;
using fennick_test::FolderName;
using fennick_test::NotesError;
using fennick_test::Reply;
using fennick_test::U16;

const std::vector<std::string> kMailDesign = {"($Inbox)", "($Sent)", "($Drafts)", "($Trash)", "($JunkMail)"};

TEST_F(FennickEngine, CreatesTheFirstFreeNameFromTheTemplateWhoseTitleSaysMailR) {
  std::ofstream(out_ / "Box.nsf") << "taken";
  fs::create_directories(out_ / "Box1.nsf");
  Start();
  EXPECT_EQ(CreateNsf(u"Box"), 1);
  EXPECT_TRUE(TakeReplies().empty());
  ASSERT_TRUE(fs::is_regular_file(out_ / "Box2.nsf"));
  const auto dump = Dump(out_ / "Box2.nsf");
  EXPECT_EQ(dump["title"], "Box2");
  EXPECT_EQ(dump["template"], notes::kMailReleaseTemplateFile);
  EXPECT_EQ(FolderNames(dump), kMailDesign);
}

TEST_F(FennickEngine, TemplateSearchTakesTheFirstTitleWithMailRAndSkipsWhatCannotBeOpened) {
  const fs::path notesFolder = win32::NotesFolder();
  std::ofstream(notesFolder / "0broken.nsf") << "not a database";
  ASSERT_EQ(notes::CreateMailTemplate(notesFolder / "a-first.ntf", "Team mail (r9)"), LNNOERROR);
  ASSERT_EQ(notes::CreateMailTemplate(notesFolder / "b-second.ntf", "MAIL (R7)"), LNNOERROR);
  Start();
  EXPECT_EQ(CreateNsf(u"Box"), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_EQ(Dump(out_ / "Box.nsf")["template"], "a-first.ntf");
}

TEST_F(FennickEngine, WithoutATitleSayingMailRTheTemplateIsMail8) {
  fs::remove(win32::NotesFolder() / notes::kMailReleaseTemplateFile);
  Start();
  EXPECT_EQ(CreateNsf(u"Box"), 1);
  EXPECT_EQ(Dump(out_ / "Box.nsf")["template"], notes::kMailTemplateFile);
}

TEST_F(FennickEngine, WithoutAnyTemplateTheUsersMailFileIsCopied) {
  fs::remove(win32::NotesFolder() / notes::kMailTemplateFile);
  fs::remove(win32::NotesFolder() / notes::kMailReleaseTemplateFile);
  const fs::path mailDir = machine_.scratch() / "mail";
  fs::create_directories(mailDir);
  ASSERT_EQ(notes::CreateMailTemplate(mailDir / "Mail.nsf", "Mail of Ann"), LNNOERROR);
  Start();

  // No mail-file folder yet: the copy fails with the system's text, ended
  // by its own full stop.
  const std::vector<Reply> copyFailed = {NotesError(u"The system cannot find the file specified.")};
  EXPECT_EQ(CreateNsf(u"Box"), 0);
  EXPECT_EQ(TakeReplies(), copyFailed);
  // A mail-file folder in a record of another size is not taken.
  for (int extra : {-1, 1}) EXPECT_EQ(SetMailFileDir(U16(mailDir), extra), 0);
  EXPECT_EQ(CreateNsf(u"Box"), 0);
  EXPECT_EQ(TakeReplies(), copyFailed);
  EXPECT_TRUE(OutFiles().empty());

  EXPECT_EQ(SetMailFileDir(U16(mailDir)), 0) << "the default handling answers";
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_EQ(CreateNsf(u"Box"), 1);
  EXPECT_TRUE(TakeReplies().empty());
  // The copy is the database now open: folders go into it.
  EXPECT_EQ(CreateFolder(u"Ann\\Archive\\"), 1);
  EXPECT_EQ(TakeReplies(), std::vector<Reply>{FolderName(u"Ann\\Archive")});
  const auto dump = Dump(out_ / "Box.nsf");
  EXPECT_EQ(dump["title"], "Mail of Ann");
  EXPECT_EQ(FolderNames(dump).back(), "Ann\\Archive");
}

TEST_F(FennickEngine, AFileNameTheLibraryRefusesIsCreatedAsMailUnicode) {
  Start();
  EXPECT_EQ(CreateNsf(u"M\u00fcller"), 1);
  EXPECT_EQ(CreateNsf(u"Star*"), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"Mail_Unicode.nsf", "Mail_Unicode1.nsf"}));
  // The last one made is the open one.
  EXPECT_EQ(CreateFolder(u"Top\\Last\\"), 1);
  EXPECT_EQ(FolderNames(Dump(out_ / "Mail_Unicode1.nsf")).back(), "Top\\Last");
  EXPECT_EQ(FolderNames(Dump(out_ / "Mail_Unicode.nsf")), kMailDesign);
}

TEST_F(FennickEngine, ADatabaseNameReachesNoOtherFolder) {
  fs::create_directories(out_ / "sub");
  Start();
  for (const std::u16string name : {u"..\\escape", u"../escape", u"sub\\inner", u"sub/inner", u".."}) {
    EXPECT_EQ(CreateNsf(name), 0);
    EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(u"The database name \"" + name +
                                                           u"\" is not a file name of the target folder.")});
  }
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"sub"});
  EXPECT_TRUE(fs::is_empty(out_ / "sub"));
  EXPECT_FALSE(fs::exists(machine_.scratch() / "escape.nsf"));
}

// Migrations started together into the same folder and name: each makes a
// database of its own from the template, and none takes a copy of the
// user's mail file in the Notes data folder because another took its name.
TEST_F(FennickEngine, MigrationsIntoOneNameAtOnceEachGetTheirOwnDatabase) {
  ASSERT_EQ(notes::CreateMailTemplate(win32::NotesFolder() / "Mail.nsf", "Mail of Ann"), LNNOERROR);
  const fs::path pst = testing_support::MakePst(machine_.scratch(), "box", R"({"folders": [{"name": "Inbox",
      "messages": [{"props": {"PR_SUBJECT_W": "Hello"}}]}]})");
  constexpr int kRuns = 4;
  const fs::path logs = machine_.scratch() / "runs";
  fs::create_directories(logs);
  const std::string migrate = (testing_support::BuildDir() / "bin" / "brackenford").string() + " migrate --pst '" +
                              pst.string() + "' --out '" + out_.string() + "' --name Box";
  std::string all;
  for (int i = 0; i < kRuns; ++i) {
    const std::string log = (logs / std::to_string(i)).string();
    all += "{ " + migrate + " >'" + log + ".log' 2>&1; echo $? >'" + log + ".rc'; } & ";
  }
  ASSERT_EQ(std::system((all + "wait").c_str()), 0);

  // Each run names its own database, not one another run made beside it.
  std::set<std::string> named;
  for (int i = 0; i < kRuns; ++i) {
    std::ifstream rc(logs / (std::to_string(i) + ".rc")), log(logs / (std::to_string(i) + ".log"));
    int status = -1;
    rc >> status;
    const std::string text(std::istreambuf_iterator<char>(log), {});
    EXPECT_EQ(status, 0) << text;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
      if (line.rfind(out_.string(), 0) == 0) named.insert(fs::path(line).filename().string());
  }
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"Box.nsf", "Box1.nsf", "Box2.nsf", "Box3.nsf"}));
  EXPECT_EQ(named, (std::set<std::string>{"Box.nsf", "Box1.nsf", "Box2.nsf", "Box3.nsf"}));
  for (const std::string& name : OutFiles()) {
    const auto dump = Dump(out_ / name);
    EXPECT_EQ(dump["title"], fs::path(name).stem().string()) << "made from the template, not copied";
    ASSERT_EQ(dump["documents"].size(), 1u) << name;
  }
}

}  // namespace
