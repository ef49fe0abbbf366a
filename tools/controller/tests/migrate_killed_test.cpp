// The controller itself killed mid-run: there is no report, but the source
// is untouched, its engines end (closed by the guard, so the profile goes),
// and a second run delivers everything.
#include <gtest/gtest.h>

#include "migrate_process.h"
#include "migrate_support.h"

namespace migrate_test {
namespace {

constexpr int kArchived = 300;

class MigrateKilled : public MigrateTest {};

TEST_F(MigrateKilled, TheControllerKilledMidExportLeavesNothingRunning) {
  const fs::path pst = Pst("long", LongMailbox(kArchived));
  const std::string source = cli_test::ReadFile(pst);
  Controller controller({"migrate", "--pst", pst.string(), "--out", out_.string()}, machine_.scratch());
  ASSERT_GT(controller.Pid(), 0);

  // Killed once the Inbox is done, while the Archive is being exported.
  controller.WaitForError("long\\Inbox:");
  ::kill(controller.Pid(), SIGKILL);
  const int status = controller.Wait();
  ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it was killed: " << controller.Err();

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
