// The controller itself killed mid-run: there is no report, but the source
// is untouched, its engines end (closed by the guard, so the profile goes),
// and a second run delivers everything.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "migrate_support.h"

extern char** environ;

namespace migrate_test {
namespace {

using namespace std::chrono_literals;

constexpr int kArchived = 300;

// An Inbox of 5, then an Archive long enough to be cut short.
std::string LongMailbox() {
  std::string archive;
  for (int i = 1; i <= kArchived; ++i)
    archive += std::string(i > 1 ? "," : "") + R"({ "props": { "PR_SUBJECT_W": "Old )" + std::to_string(i) +
               R"(", "PR_BODY_W": "kept" } })";
  std::string inbox;
  for (int i = 1; i <= 5; ++i)
    inbox += std::string(i > 1 ? "," : "") + R"({ "props": { "PR_SUBJECT_W": "Mail )" + std::to_string(i) + R"(" } })";
  return R"({ "folders": [ { "name": "Inbox", "messages": [ )" + inbox + R"( ] },
                           { "name": "Archive", "messages": [ )" + archive + " ] } ] }";
}

// The processes whose environment names this folder: the controller's
// engines and guard carry the test's temporary folder in TMPDIR.
std::vector<pid_t> ProcessesOf(const fs::path& temp) {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = std::stoi(name);
    if (pid == ::getpid()) continue;
    const std::string env = cli_test::ReadFile(entry.path() / "environ");  // empty for a zombie
    if (env.find("TMPDIR=" + temp.string()) != std::string::npos) found.push_back(pid);
  }
  return found;
}

class MigrateKilled : public MigrateTest {};

TEST_F(MigrateKilled, TheControllerKilledMidExportLeavesNothingRunning) {
  const fs::path pst = Pst("long", LongMailbox());
  const std::string source = cli_test::ReadFile(pst);
  const fs::path err = machine_.scratch() / "killed-err.txt";
  const std::string program = (testing_support::BuildDir() / "bin" / "brackenford").string();
  std::vector<std::string> args{program, "migrate", "--pst", pst.string(), "--out", out_.string()};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t controller = -1;
  ASSERT_EQ(posix_spawn(&controller, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // Killed once the Inbox is done, while the Archive is being exported.
  const auto limit = std::chrono::steady_clock::now() + 60s;
  while (cli_test::ReadFile(err).find("long\\Inbox:") == std::string::npos &&
         std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(5ms);
  ::kill(controller, SIGKILL);
  int status = 0;
  ::waitpid(controller, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it was killed: " << cli_test::ReadFile(err);

  // The engines end: the guard closes them.
  const auto ended = std::chrono::steady_clock::now() + 60s;
  while (!ProcessesOf(temp_).empty() && std::chrono::steady_clock::now() < ended) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ProcessesOf(temp_), std::vector<pid_t>{}) << "engines left running";

  EXPECT_EQ(cli_test::ReadFile(pst), source) << "the PST file is untouched";
  EXPECT_EQ(Profiles(), std::vector<std::string>{}) << "the profile is gone";
  // What stays is the run's folder: the engines' logs and the files of
  // the item the exporter was announcing.
  for (const std::string& left : LeftInTemp())
    EXPECT_EQ(left.rfind((temp_ / "brackenford-").string(), 0), 0u) << left;

  // The database holds what arrived, and is whole enough to read.
  const Json dump = Dump(out_ / "long.nsf");
  EXPECT_EQ(Documents(dump, "long\\Inbox").size(), 5u);
  EXPECT_LT(Documents(dump, "long\\Archive").size(), static_cast<std::size_t>(kArchived));

  const fs::path again = machine_.scratch() / "again";
  const cli_test::Run run = Run("migrate --quiet --pst " + pst.string() + " --out " + again.string());
  ASSERT_EQ(run.status, 0) << run.err;
  const Json whole = Dump(again / "long.nsf");
  EXPECT_EQ(Documents(whole, "long\\Inbox").size(), 5u);
  EXPECT_EQ(Documents(whole, "long\\Archive").size(), static_cast<std::size_t>(kArchived));
}

}  // namespace
}  // namespace migrate_test
