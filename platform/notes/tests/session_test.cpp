#include <sys/stat.h>

#include <fstream>

#include "notes_fixture.h"
#include "win32/machine.h"

namespace fs = std::filesystem;

namespace {

using SessionTest = NotesTest;

std::vector<std::string> FileNames(const LNDatabaseArray& dbs) {
  std::vector<std::string> names;
  for (LNINT i = 0; i < dbs.GetCount(); ++i) names.push_back(fs::path(dbs[i].GetFilepath().str()).filename());
  return names;
}

TEST_F(SessionTest, InitializeWithoutDataFolderFailsEveryLaterCall) {
  fs::remove_all(win32::NotesFolder());
  LNNotesSession s;
  EXPECT_EQ(s.Initialize(300, 0, nullptr, 1, nullptr), LNERR_NOTES_NOT_INSTALLED);
  EXPECT_FALSE(s.IsInitialized());
  LNDatabaseArray dbs;
  EXPECT_EQ(s.GetDatabases(&dbs, "", "", 6), LNERR_NOTES_NOT_INSTALLED);
  LNDatabase db;
  EXPECT_EQ(s.GetDatabase(Scratch("x.nsf"), &db), LNERR_NOTES_NOT_INSTALLED);

  // Called again once the folder is there, the session is usable.
  fs::create_directories(win32::NotesFolder());
  EXPECT_EQ(s.Initialize(300, 0, nullptr, 1, nullptr), LNNOERROR);
  EXPECT_EQ(s.GetDatabases(&dbs, "", "", 6), LNNOERROR);
}

TEST_F(SessionTest, UninitializedSessionRefusesCalls) {
  LNNotesSession s;
  LNDatabaseArray dbs;
  EXPECT_EQ(s.GetDatabases(&dbs, "", "", 6), LNERR_NOT_INITIALIZED);
  EXPECT_EQ(s.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("a.nsf"), ""), LNERR_NOT_INITIALIZED);
}

TEST_F(SessionTest, GetDatabasesListsByTypeInFileNameOrder) {
  const fs::path data = win32::NotesFolder();
  for (const char* name : {"zeta.nsf", "Alpha.NSF", "beta.ntf"}) std::ofstream(data / name) << "x";
  fs::create_directories(data / "sub.nsf");  // a folder is no database
  std::ofstream(data / "notes.txt") << "x";

  LNDatabaseArray dbs;
  ASSERT_EQ(session.GetDatabases(&dbs, "", "", LNDBTYPE_TEMPLATE), LNNOERROR);
  EXPECT_EQ(FileNames(dbs), (std::vector<std::string>{"beta.ntf", "mail8.ntf", "mailr8.ntf"}));
  ASSERT_EQ(session.GetDatabases(&dbs, "", "", LNDBTYPE_DATABASE), LNNOERROR);
  EXPECT_EQ(FileNames(dbs), (std::vector<std::string>{"Alpha.NSF", "zeta.nsf"}));
  ASSERT_EQ(session.GetDatabases(&dbs, "", data.string(), 6), LNNOERROR);
  EXPECT_EQ(dbs.GetCount(), 5);

  EXPECT_EQ(session.GetDatabases(&dbs, "", Scratch("missing"), 6), LNERR_DIRECTORY_NOT_FOUND);
  EXPECT_EQ(dbs.GetCount(), 0);
  EXPECT_EQ(session.GetDatabases(&dbs, "server1", "", 6), LNERR_SERVER_NOT_REACHABLE);
  EXPECT_EQ(session.GetDatabases(&dbs, "", "", 1), LNERR_BAD_DATABASE_TYPE);
  EXPECT_EQ(session.GetDatabases(nullptr, "", "", 6), LNERR_NULL_ARGUMENT);
}

TEST_F(SessionTest, TemplatesOfTheDataFolderHaveTheirTitles) {
  LNDatabaseArray dbs;
  ASSERT_EQ(session.GetDatabases(&dbs, "", "", 6), LNNOERROR);
  ASSERT_EQ(dbs.GetCount(), 2);
  std::vector<std::string> titles;
  for (LNINT i = 0; i < dbs.GetCount(); ++i) {
    LNDatabase db = dbs[i];
    EXPECT_EQ(db.GetTitle(), LNString());  // not open yet
    ASSERT_EQ(db.Open(), LNNOERROR);
    titles.push_back(db.GetTitle().str());
    EXPECT_EQ(db.Close(), LNNOERROR);
  }
  EXPECT_EQ(titles[1], notes::kMailReleaseTemplateTitle);
  EXPECT_EQ(titles[0].find("Mail (R"), std::string::npos);
}

TEST_F(SessionTest, CreateFromTemplateCopiesDesignAndSetsTitle) {
  // Bare template name from the data folder; the title defaults to the file name.
  LNDatabase db;
  ASSERT_EQ(session.CreateDatabaseFromTemplate("mailr8.ntf", "", Scratch("Jane Doe.nsf"), "",
                                               LNCreateDatabaseOptions(), &db),
            LNNOERROR);
  EXPECT_EQ(db.IsOpen(), 0);
  ASSERT_EQ(db.Open(), LNNOERROR);
  EXPECT_EQ(db.GetTitle(), LNString("Jane Doe"));
  EXPECT_EQ(db.GetFilepath(), LNString(Scratch("Jane Doe.nsf")));
  EXPECT_TRUE(db.ViewFolderExists("($Inbox)"));

  const notes::DatabaseRecord r = Dump(Scratch("Jane Doe.nsf"));
  EXPECT_EQ(r.cls, "database");
  EXPECT_EQ(r.templateFile, "mailr8.ntf");
  std::vector<std::string> names;
  for (const auto& f : r.folders) names.push_back(f.name + (f.view ? " view" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"($Inbox)", "($Sent)", "($Drafts)", "($Trash)", "($JunkMail)",
                                             "($All) view", "($Calendar) view", "($ToDo) view",
                                             "($Contacts) view", "($Journal) view"}));
  EXPECT_TRUE(r.documents.empty());

  // A template by full path, a title from the options, a target in the data folder.
  LNCreateDatabaseOptions options;
  options.SetTitle("Archive 2024");
  const std::string templatePath = (win32::NotesFolder() / "mail8.ntf").string();
  ASSERT_EQ(session.CreateDatabaseFromTemplate(templatePath, "", "archive.nsf", "", options), LNNOERROR);
  const notes::DatabaseRecord a = Dump(win32::NotesFolder() / "archive.nsf");
  EXPECT_EQ(a.title, "Archive 2024");
  EXPECT_EQ(a.templateFile, "mail8.ntf");
}

TEST_F(SessionTest, CreateFromTemplateRefusesTargetNamesWith283) {
  const char* refused[] = {"J\xC3\xBCrgen.nsf", "a:b.nsf", "a*b.nsf", "a?.nsf", "a\"b.nsf",
                           "a<b.nsf",           "a>b.nsf", "a|b.nsf", "tab\t.nsf"};
  for (const char* name : refused) {
    EXPECT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch(name), ""), LNERR_BAD_DATABASE_NAME)
        << name;
    EXPECT_FALSE(fs::exists(machine.scratch() / name)) << name;
  }
  EXPECT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("") + "/", ""), LNERR_BAD_DATABASE_NAME);
  // The folder may hold any character; only the file name is judged.
  fs::create_directories(machine.scratch() / "J\xC3\xBCrgen");
  EXPECT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("J\xC3\xBCrgen\\Mail_Unicode.nsf"), ""),
            LNNOERROR);
}

TEST_F(SessionTest, CreateFromTemplateFailures) {
  ASSERT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("a.nsf"), ""), LNNOERROR);
  const auto before = fs::last_write_time(Scratch("a.nsf"));
  EXPECT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("a.nsf"), ""), LNERR_FILE_EXISTS);
  EXPECT_EQ(fs::last_write_time(Scratch("a.nsf")), before);

  std::ofstream(Scratch("text.ntf")) << "not a database";
  struct Case {
    const char* templ;
    std::string target;
    LNSTATUS status;
  } cases[] = {
      {"missing.ntf", Scratch("b.nsf"), LNERR_FILE_NOT_FOUND},
      {"", Scratch("b.nsf"), LNERR_FILE_NOT_FOUND},
      {"mail8.ntf", Scratch("no-such-folder/b.nsf"), LNERR_DIRECTORY_NOT_FOUND},
  };
  for (const Case& c : cases)
    EXPECT_EQ(session.CreateDatabaseFromTemplate(c.templ, "", c.target, ""), c.status) << c.templ << c.target;
  EXPECT_EQ(session.CreateDatabaseFromTemplate(Scratch("text.ntf"), "", Scratch("b.nsf"), ""), LNERR_NOT_A_DATABASE);
  EXPECT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("b.nsf"), "srv"),
            LNERR_SERVER_NOT_REACHABLE);
  EXPECT_FALSE(fs::exists(Scratch("b.nsf")));
  // Nothing half-made is left beside the targets.
  for (const auto& e : fs::directory_iterator(machine.scratch()))
    EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}

TEST_F(SessionTest, GetDatabaseBindsExistingFilesOnly) {
  ASSERT_EQ(session.CreateDatabaseFromTemplate("mail8.ntf", "", Scratch("a.nsf"), ""), LNNOERROR);
  LNDatabase db;
  EXPECT_EQ(session.GetDatabase(Scratch("missing.nsf"), &db, ""), LNERR_FILE_NOT_FOUND);
  EXPECT_EQ(session.GetDatabase(Scratch("a.nsf"), nullptr, ""), LNERR_NULL_ARGUMENT);
  ASSERT_EQ(session.GetDatabase(Scratch("a.nsf"), &db, ""), LNNOERROR);
  EXPECT_EQ(db.GetFilepath(), LNString(Scratch("a.nsf")));
  EXPECT_EQ(db.Open(), LNNOERROR);
  EXPECT_EQ(db.Open(), LNNOERROR);
  EXPECT_EQ(db.GetTitle(), LNString("a"));
  // A Windows-style path names the same file.
  LNDatabase same;
  std::string windows = Scratch("a.nsf");
  std::replace(windows.begin(), windows.end(), '/', '\\');
  ASSERT_EQ(session.GetDatabase(windows, &same, ""), LNNOERROR);
  EXPECT_EQ(same.Open(), LNNOERROR);
}

// The database and the files the library keeps beside it while it is
// written are the user's to share: the umask decides, as for any new file.
TEST_F(SessionTest, DatabaseAndItsWorkingFilesTakeTheUmask) {
  const auto Mode = [](const fs::path& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
    return st.st_mode & 0777;
  };
  for (const mode_t mask : {mode_t{077}, mode_t{022}, mode_t{002}}) {
    const mode_t before = ::umask(mask);
    const std::string name = "mask" + std::to_string(mask) + ".nsf";
    LNDatabase db = NewMailDatabase(name);
    EXPECT_EQ(db.CreateFolder("Kept"), LNNOERROR);
    for (const std::string& file : {name, name + "-wal", name + "-shm"})
      EXPECT_EQ(Mode(Scratch(file)), 0666 & ~mask) << file << " under umask 0" << std::oct << mask;
    db.Close();
    ::umask(before);
  }
}

}  // namespace
