// Faults while items wait in the queue between the exporter and the
// importer, through the real controller: the importer stopped until the
// queue is full, then killed, left silent past the time limit, or the run
// interrupted or the controller killed. Every queued item is inserted or
// named with its files, and a second run delivers everything.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "migrate_process.h"
#include "migrate_support.h"

namespace migrate_test {
namespace {

constexpr int kArchived = 300;
// What the controller's queue holds when the importer takes none: its
// bound (the item the importer holds among them).
constexpr std::size_t kFullQueue = 8;

class MigratePipeline : public MigrateTest {
 protected:
  // The run of the long mailbox, caught with the importer stopped and the
  // queue full in the Archive's export; the importer's pid in *fennick.
  std::unique_ptr<Controller> StartWithQueueFull(pid_t* fennick, const std::vector<std::string>& more = {}) {
    if (pst_.empty()) pst_ = Pst("long", LongMailbox(kArchived));
    std::vector<std::string> args{"migrate", "--pst", pst_.string(), "--out", out_.string(), "--report",
                                  report_.string()};
    args.insert(args.end(), more.begin(), more.end());
    auto controller = std::make_unique<Controller>(args, machine_.scratch());
    EXPECT_TRUE(controller->WaitForError("long\\Inbox:")) << controller->Err();
    *fennick = ProcessNamed(temp_, "fennick");
    EXPECT_GT(*fennick, 0);
    ::kill(*fennick, SIGSTOP);
    const auto end = std::chrono::steady_clock::now() + 60s;
    // Full, with the item at hand waiting for room.
    while (Queued().size() < kFullQueue + 1 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(300ms);  // an item the importer finished as it was stopped goes meanwhile
    EXPECT_EQ(Queued().size(), kFullQueue + 1) << "the queue did not fill";
    return controller;
  }
  // The items in the run's queue, by their MIME files ("<n>-MSG1.eml").
  std::vector<fs::path> Queued() const {
    std::vector<fs::path> items;
    std::error_code ec;
    for (const auto& run : fs::directory_iterator(temp_, ec))
      for (const auto& file : fs::directory_iterator(run.path() / "queue", ec))
        if (file.path().string().ends_with("-MSG1.eml")) items.push_back(file.path());
    return items;
  }
  // The Archive's entry of the report: every item in, named, or never exported.
  Json Archive(const Json& report) { return FolderEntry(report, "long\\Archive", out_ / "long.nsf", kArchived); }
  void ExpectSecondRunDeliversAll() {
    const fs::path again = machine_.scratch() / "again";
    const cli_test::Run run = Run("migrate --quiet --pst " + pst_.string() + " --out " + again.string());
    ASSERT_EQ(run.status, 0) << run.err;
    const Json whole = Dump(again / "long.nsf");
    EXPECT_EQ(Documents(whole, "long\\Inbox").size(), 5u);
    EXPECT_EQ(Documents(whole, "long\\Archive").size(), static_cast<std::size_t>(kArchived));
  }

  fs::path pst_;
  fs::path report_ = machine_.scratch() / "report.json";
};

TEST_F(MigratePipeline, AnImporterGoneWithItemsQueuedNamesEveryOneWithItsFiles) {
  const struct {
    const char* what;
    std::vector<std::string> options;
    std::function<void(pid_t)> strike;
    std::string reason;
  } cases[] = {
      {"killed", {}, [](pid_t fennick) { ::kill(fennick, SIGKILL); }, "fennick ended unexpectedly"},
      {"silent past the limit", {"--timeout", "3"}, [](pid_t) {}, "fennick did not answer within 3 s and was stopped"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    pid_t fennick = -1;
    const auto controller = StartWithQueueFull(&fennick, c.options);
    c.strike(fennick);
    const int status = controller->Wait();
    ASSERT_TRUE(WIFEXITED(status)) << controller->Err();
    EXPECT_EQ(WEXITSTATUS(status), 1) << controller->Err();

    const Json r = ReadJson(report_);
    const Json archive = Archive(r);
    EXPECT_GT(archive["not_exported"].get<int>(), 0) << "the export stopped";
    // The queued items and the one at hand, in order after the last one in.
    ASSERT_EQ(r["failures"].size(), kFullQueue + 1) << r.dump(2);
    EXPECT_EQ(archive["failed"], r["failures"].size());
    int next = archive["inserted"].get<int>() + 1;
    for (const Json& failure : r["failures"]) {
      EXPECT_EQ(failure["item"], next++) << failure;
      EXPECT_TRUE(failure["reason"].get<std::string>().starts_with(c.reason)) << failure;
      EXPECT_TRUE(std::any_of(failure["files"].begin(), failure["files"].end(),
                              [](const Json& file) { return file.get<std::string>().ends_with(".eml"); }))
          << "its MIME file: " << failure;
      for (const Json& file : failure["files"]) EXPECT_TRUE(fs::exists(file.get<std::string>())) << file;
    }
    EXPECT_TRUE(Queued().empty()) << "the queue's files are named where they were kept";
    const std::string problems = r["problems"].dump();
    EXPECT_EQ(problems.find("cressing"), std::string::npos) << "the exporter waited on the queue: " << problems;
    EXPECT_EQ(Profiles(), std::vector<std::string>{});
    ExpectSecondRunDeliversAll();
    fs::remove_all(temp_);
    fs::remove_all(out_);
    fs::remove_all(machine_.scratch() / "again");
    fs::create_directories(temp_);
  }
}

TEST_F(MigratePipeline, CtrlCWithItemsQueuedInsertsThemAll) {
  pid_t fennick = -1;
  const auto controller = StartWithQueueFull(&fennick);
  ::kill(controller->Pid(), SIGINT);
  std::this_thread::sleep_for(300ms);
  ::kill(fennick, SIGCONT);
  const int status = controller->Wait();
  ASSERT_TRUE(WIFEXITED(status)) << controller->Err();
  EXPECT_EQ(WEXITSTATUS(status), 1) << controller->Err();

  const Json r = ReadJson(report_);
  EXPECT_TRUE(r["interrupted"].get<bool>());
  EXPECT_EQ(r["failures"], Json::array()) << "the queued items and the one at hand arrive";
  const Json archive = Archive(r);
  EXPECT_EQ(archive["failed"], 0);
  EXPECT_GE(archive["inserted"].get<std::size_t>(), kFullQueue + 1);
  EXPECT_GT(archive["not_exported"].get<int>(), 0) << archive;
  EXPECT_EQ(Profiles(), std::vector<std::string>{});
  EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});
  ExpectSecondRunDeliversAll();
}

TEST_F(MigratePipeline, TheControllerKilledWithItemsQueuedKeepsTheirFiles) {
  pid_t fennick = -1;
  const auto controller = StartWithQueueFull(&fennick);
  ::kill(controller->Pid(), SIGKILL);
  const int status = controller->Wait();
  ASSERT_TRUE(WIFSIGNALED(status)) << controller->Err();
  ::kill(fennick, SIGCONT);

  // The engines end: the guard closes them.
  const auto ended = std::chrono::steady_clock::now() + 60s;
  while (!ProcessesOf(temp_).empty() && std::chrono::steady_clock::now() < ended) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ProcessesOf(temp_), std::vector<pid_t>{}) << "engines left running";
  EXPECT_EQ(Profiles(), std::vector<std::string>{});
  // The exporter deleted its names of the queued items: the queue's are
  // their files, whole.
  const std::vector<fs::path> queued = Queued();
  EXPECT_EQ(queued.size(), kFullQueue + 1);
  for (const fs::path& mime : queued) {
    EXPECT_NE(cli_test::ReadFile(mime).size(), 0u) << mime;
    const std::string name = mime.filename().string();
    const fs::path text = mime.parent_path() / (name.substr(0, name.find('-')) + "-Mail.txt");
    EXPECT_NE(cli_test::ReadFile(text).size(), 0u) << text;
  }
  ExpectSecondRunDeliversAll();
}

}  // namespace
}  // namespace migrate_test
