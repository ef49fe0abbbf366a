// The brackenford command line as a user meets it: usage errors of every
// command exit 2 with the pointer to the help (and only they carry it),
// "--" ends the options, --version, help in aligned columns, counts that
// agree with their nouns, a report that cannot be written refused before
// the run, and a database the importer named otherwise said so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "migrate_support.h"

namespace migrate_test {
namespace {

constexpr char kOneItem[] = R"({"folders": [{"name": "Inbox", "messages": [{"props": {"PR_SUBJECT_W": "Hello"}}]}]})";

class CommandLine : public MigrateTest {};

TEST_F(CommandLine, UsageErrorsExitTwoAndPointToTheHelp) {
  const std::string pst = Pst("office", kOneItem).string();
  const std::string run = " --pst " + pst + " --out " + out_.string();
  const std::string missing = (machine_.scratch() / "missing.pst").string();
  struct Case {
    std::string args;
    int status;
    std::string error;
    std::string help;  // the command whose help the error points to; empty: none
  };
  const Case cases[] = {
      {"", 2, "give a command", "brackenford"},
      {"frobnicate", 2, "unknown command 'frobnicate'", "brackenford"},
      {"--frobnicate", 2, "unknown option '--frobnicate'", "brackenford"},
      {"--machine", 2, "--machine needs a folder", "brackenford"},
      {"-- --version", 2, "unknown command '--version'", "brackenford"},
      {"machine", 2, "give a subcommand", "brackenford machine"},
      {"machine frobnicate", 2, "unknown subcommand 'frobnicate'", "brackenford machine"},
      {"machine init extra", 2, "unexpected argument 'extra'", "brackenford machine init"},
      {"machine add-profile", 2, "give one profile NAME", "brackenford machine add-profile"},
      {"machine add-profile P --pst", 2, "--pst needs a value", "brackenford machine add-profile"},
      {"machine add-profile P --pst=" + pst + " --default=yes", 2, "--default takes no value",
       "brackenford machine add-profile"},
      {"machine add-profile P -- --pst " + pst, 2, "give one profile NAME", "brackenford machine add-profile"},
      {"machine add-profile -- --help", 2, "give at least one --pst FILE", "brackenford machine add-profile"},
      {"machine add-exchange-profile E --server S", 2, "give --server and --mailbox",
       "brackenford machine add-exchange-profile"},
      {"machine add-mailbox --server S --alias a --pst " + pst + " extra", 2, "unexpected argument 'extra'",
       "brackenford machine add-mailbox"},
      {"machine profiles --frobnicate", 2, "unknown option '--frobnicate'", "brackenford machine profiles"},
      {"machine delete-profile", 2, "give one profile NAME", "brackenford machine delete-profile"},
      {"machine add-profile P --pst " + missing, 1, "missing.pst: no such file", ""},
      {"migrate", 2, "give --pst FILE", "brackenford migrate"},
      {"migrate" + run + " extra", 2, "unexpected argument 'extra'", "brackenford migrate"},
      {"migrate" + run + " -- --quiet", 2, "unexpected argument '--quiet'", "brackenford migrate"},
      {"migrate" + run + " --quiet=yes", 2, "--quiet takes no value", "brackenford migrate"},
      {"migrate" + run + " --report ''", 2, "--report needs a value", "brackenford migrate"},
      {"migrate" + run + " --out=", 2, "--out needs a value", "brackenford migrate"},
      {"migrate --pst " + missing + " --out " + out_.string(), 2, "missing.pst: no such file", ""},
      {"migrate" + run + " --report " + machine_.scratch().string(), 2,
       "--report " + machine_.scratch().string() + " is a folder, not a file", ""},
      {"migrate" + run + " --report " + out_.string(), 2,  // the --out folder, which the run makes
       "--report " + out_.string() + " is a folder, not a file", ""},
      {"migrate" + run + " --report /sys/brackenford-report.json", 2,
       "--report /sys/brackenford-report.json cannot be written: Permission denied", ""},
      {"migrate" + run + " --report " + pst, 2, "is a PST file to migrate", ""},
      {"send", 2, "--title is required", "brackenford send"},
      {"send --title t --message 1 extra", 2, "unexpected argument 'extra'", "brackenford send"},
      {"send --title t --message 1 -- --list", 2, "unexpected argument '--list'", "brackenford send"},
      {"send --list=all", 2, "--list takes no value", "brackenford send"},
      {"send --title='<GUID>nobody' --message=1025", 3, "no window has the title '<GUID>nobody'", ""},
  };
  for (const Case& c : cases) {
    const cli_test::Run r = Run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.error), std::string::npos) << c.args << "\n" << r.err;
    const std::string pointer = "Run '" + c.help + " --help' for ";
    if (c.help.empty())
      EXPECT_EQ(r.err.find("--help' for "), std::string::npos) << c.args << ": not a usage error\n" << r.err;
    else
      EXPECT_NE(r.err.find(pointer), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_FALSE(fs::exists(out_)) << c.args << ": refused before the run";
  }
  EXPECT_TRUE(Profiles().empty());
  EXPECT_FALSE(fs::exists("/sys/brackenford-report.json"));
}

TEST_F(CommandLine, VersionAndHelpInAlignedColumns) {
  const cli_test::Run version = Run("--version");
  EXPECT_EQ(version.status, 0);
  const std::string number = version.out.substr(std::min<std::size_t>(12, version.out.size()));
  EXPECT_TRUE(version.out.starts_with("brackenford ") && number.ends_with("\n") && std::isdigit(number[0]) &&
              number.find_first_not_of("0123456789.") == number.size() - 1 &&
              std::count(number.begin(), number.end(), '.') == 2)
      << version.out;

  // Below the usage lines, every indented line's second column (or a
  // continued description) starts in the same column.
  for (const char* command : {"--help", "machine --help", "migrate --help", "send --help"}) {
    const cli_test::Run help = Run(command);
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.out.find('\t'), std::string::npos) << command << ": aligned with blanks\n" << help.out;
    std::istringstream lines(help.out.substr(help.out.find("\n\n")));
    std::set<std::size_t> columns;
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("   ")) {
        columns.insert(line.find_first_not_of(' '));
      } else if (line.starts_with("  ") && line.find("  ", 2) != std::string::npos) {
        columns.insert(line.find_first_not_of(' ', line.find("  ", 2)));
      }
    }
    EXPECT_EQ(columns.size(), 1u) << command << "\n" << help.out;
  }
}

TEST_F(CommandLine, CountsAgreeWithTheirNouns) {
  const fs::path pst = Pst("office", kOneItem);
  const cli_test::Run run = Run("migrate --pst " + pst.string() + " --out " + out_.string());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("migrating 1 item in 2 folders\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("office\\Inbox: 1 of 1 item in "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("office\\Deleted Items: 0 of 0 items in "), std::string::npos) << run.err;
}

TEST_F(CommandLine, ADatabaseNamedOtherwiseThanAskedIsSaid) {
  const fs::path pst = Pst("office", kOneItem);
  const std::string run = "migrate --quiet --pst " + pst.string() + " --out " + out_.string();
  const struct {
    std::string name;
    std::string made;
    std::string said;  // on standard error; empty: nothing
  } cases[] = {
      {"Plain", "Plain.nsf", ""},
      {"M\xC3\xBCller", "Mail_Unicode.nsf",
       "the database is Mail_Unicode.nsf, not M\xC3\xBCller.nsf: the Notes library refuses that name\n"},
      {"Plain", "Plain1.nsf", "the database is Plain1.nsf, not Plain.nsf: that name is taken\n"},
  };
  for (const auto& c : cases) {
    const cli_test::Run r = Run(run + " --name '" + c.name + "'");
    ASSERT_EQ(r.status, 0) << c.name << "\n" << r.err;
    EXPECT_EQ(r.out, (out_ / c.made).string() + "\n");
    EXPECT_EQ(r.err, c.said.empty() ? "" : "brackenford migrate: " + c.said) << c.name;
  }
}

}  // namespace
}  // namespace migrate_test
