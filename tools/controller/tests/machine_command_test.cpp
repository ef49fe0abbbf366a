// brackenford machine, run as a program: damaged machine files, names that
// would leave the machine root, files that are no PST, and machine roots
// that are missing or lost their libraries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli_run.h"
#include "mapi/install.h"
#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/registry.h"

namespace fs = std::filesystem;

namespace {

class MachineCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run("machine init").status, 0);
    pst_ = MakePst("mail");
  }
  cli_test::Run Run(const std::string& args) { return cli_test::Brackenford(args, machine_.scratch()); }
  fs::path MakePst(const std::string& name) {
    const fs::path json = machine_.scratch() / (name + ".json"), pst = machine_.scratch() / (name + ".pst");
    std::ofstream(json) << R"({"folders": [{"name": "Inbox", "messages": [{}]}]})";
    const std::string cmd =
        (testing_support::BuildDir() / "bin" / "pstgen").string() + " '" + json.string() + "' '" + pst.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return pst;
  }
  // What each failing run must show: its exit status (1 a failure, 2 a
  // usage error; not a crash) and the texts on standard error.
  void ExpectFailure(const std::string& args, std::initializer_list<std::string> texts, int status = 1) {
    const cli_test::Run run = Run(args);
    EXPECT_EQ(run.status, status) << args << "\n" << run.err;
    for (const std::string& text : texts) EXPECT_NE(run.err.find(text), std::string::npos) << args << "\n" << run.err;
  }

  testing_support::TempMachine machine_;
  fs::path pst_;
};

TEST_F(MachineCommand, DamagedFilesAreNamedWithWhatIsWrong) {
  ASSERT_EQ(Run("machine add-profile Good --pst " + pst_.string()).status, 0);
  const fs::path profile = win32::ProfilesFolder() / "broken.json";
  std::ofstream(profile) << R"({"name": "Broken", "services": [{"kind": "pst", "path": 12}]})";
  const cli_test::Run listed = Run("machine profiles");
  EXPECT_EQ(listed.status, 1);
  EXPECT_EQ(listed.out, "Good\n  pst mail: " + pst_.string() + "\n") << "the sound profile is still listed";
  EXPECT_NE(listed.err.find("damaged file " + profile.string() + ": services[0].path: expected a string"),
            std::string::npos)
      << listed.err;

  ASSERT_EQ(Run("machine add-mailbox --server EXSRV --alias ann --pst " + pst_.string()).status, 0);
  const fs::path list = win32::ExchangeFolder() / "exsrv" / "mailboxes.json";
  const std::string damaged = R"([{"alias": "ann", "displayName": ["Ann"], "pst": "ann.pst"}])";
  std::ofstream(list) << damaged;
  ExpectFailure("machine add-mailbox --server EXSRV --alias bob --pst " + pst_.string(),
                {"damaged file " + list.string() + ": [0].displayName: expected a string"});
  EXPECT_EQ(cli_test::ReadFile(list), damaged) << "left as it was";
}

TEST_F(MachineCommand, ServerNamesAndAliasesStayInsideTheMachineRoot) {
  const std::string pst = " --pst " + pst_.string();
  ExpectFailure("machine add-mailbox --server EXSRV --alias ../../x" + pst, {"--alias '../../x' is not a plain name"}, 2);
  ExpectFailure("machine add-mailbox --server ../../x --alias ann" + pst, {"--server '../../x' is not a plain name"}, 2);
  ExpectFailure("machine add-mailbox --server 'a/b' --alias ann" + pst, {"--server 'a/b' is not a plain name"}, 2);
  ExpectFailure("machine add-mailbox --server .. --alias ann" + pst, {"--server '..' is not a plain name"}, 2);
  ExpectFailure("machine add-exchange-profile Ex --server ../x --mailbox ann", {"--server '../x' is not a plain name"}, 2);
  EXPECT_TRUE(fs::is_empty(win32::ExchangeFolder()));
  EXPECT_FALSE(fs::exists(win32::ProfilesFolder() / "ex.json"));
  // Only the machine root and the scratch folder stand beside each other.
  EXPECT_EQ(std::distance(fs::directory_iterator(machine_.root().parent_path()), {}), 2);
  EXPECT_FALSE(fs::exists(machine_.root().parent_path().parent_path() / "x.pst"));
}

TEST_F(MachineCommand, PstOptionsMustNameFilesThatOpenAsPst) {
  const fs::path text = machine_.scratch() / "notes.txt";
  std::ofstream(text) << "not a PST at all\n";
  const fs::path missing = machine_.scratch() / "missing.pst";
  const struct {
    fs::path file;
    const char* reason;
  } cases[] = {
      {missing, "no such file"},
      {machine_.scratch(), "a folder, not a PST file"},
      {text, "not a PST file (no PST file signature)"},
  };
  for (const auto& c : cases) {
    const std::string named = c.file.string() + ": " + c.reason;
    ExpectFailure("machine add-profile P --pst " + pst_.string() + " --pst '" + c.file.string() + "'", {named});
    ExpectFailure("machine add-mailbox --server EXSRV --alias ann --pst '" + c.file.string() + "'", {named});
  }
  EXPECT_TRUE(Run("machine profiles").out.empty()) << "no profile was made";
  EXPECT_FALSE(fs::exists(win32::ExchangeFolder() / "exsrv" / "mailboxes.json"));
  EXPECT_EQ(Run("machine add-profile P --pst " + pst_.string()).status, 0);
}

TEST_F(MachineCommand, AMissingMachineIsNamedAndNotCreated) {
  const fs::path elsewhere = machine_.scratch() / "no-machine";
  for (const char* command :
       {"machine profiles", "machine add-profile P --pst x.pst", "machine delete-profile P",
        "machine add-mailbox --server S --alias a --pst x.pst", "machine add-exchange-profile E --server S --mailbox a",
        "send --list", "send --title t --message 16"}) {
    ExpectFailure("--machine '" + elsewhere.string() + "' " + command,
                  {"no machine at " + elsewhere.string(), "run 'brackenford machine init'"});
    EXPECT_FALSE(fs::exists(elsewhere)) << command;
  }
  EXPECT_EQ(Run("--machine '" + elsewhere.string() + "' machine profiles --help").status, 0);

  // A root that lost part of its set-up says which part.
  fs::remove_all(win32::ProfilesFolder());
  ExpectFailure("machine profiles", {"is not set up (no profiles)", "run 'brackenford machine init'"});
  ASSERT_EQ(Run("machine init").status, 0);
  EXPECT_EQ(Run("machine profiles").status, 0);
}

TEST_F(MachineCommand, LibrariesThatAreGoneAreNamed) {
  const fs::path gone = machine_.scratch() / "gone-build" / "libbrackenford_mapi.so";
  const fs::path link = win32::SystemFolder() / "mapi32.dll";
  const std::u16string component = std::u16string(mapi::kComponentsKey) + u"\\" + mapi::kMapiComponentId;
  // The system library's link and the MAPI component, as a build that went
  // away leaves them.
  for (int which = 0; which < 2; ++which) {
    ASSERT_EQ(Run("machine init").status, 0);
    if (which == 0) {
      fs::remove(link);
      fs::create_symlink(gone, link);
    } else {
      ASSERT_EQ(win32::RegSetString(HKEY_LOCAL_MACHINE, component, u"", gone.u16string()), ERROR_SUCCESS);
    }
    const std::string named = which == 0 ? link.string() : gone.string();
    ExpectFailure("machine profiles", {"the library " + named, "run 'brackenford machine init' again"});
    ExpectFailure("send --list", {"the library " + named});
  }
  ASSERT_EQ(Run("machine init").status, 0);
  EXPECT_EQ(Run("machine profiles").status, 0) << "init registers the libraries anew";
}

}  // namespace
