// Ctrl-C during a run, sent to the real controller: the first one lets the
// item at hand arrive and stops the export after it, the second stops the
// engine waited on at once; each says so on a line of its own, the summary
// follows and the status is 1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "migrate_process.h"
#include "migrate_support.h"
#include "terminal_screen.h"

namespace migrate_test {
namespace {

constexpr int kArchived = 300;

class MigrateInterrupted : public MigrateTest {
 protected:
  // The controller's run of the long mailbox, caught once the Archive's
  // export has begun.
  std::unique_ptr<Controller> StartLong() {
    const fs::path pst = Pst("long", LongMailbox(kArchived));
    auto controller = std::make_unique<Controller>(
        std::vector<std::string>{"migrate", "--pst", pst.string(), "--out", out_.string(), "--report", report_.string()},
        machine_.scratch());
    EXPECT_TRUE(controller->WaitForError("long\\Inbox:")) << controller->Err();
    return controller;
  }
  // The Archive's entry of the report: every item in, named, or never exported.
  Json Archive(const Json& report) { return FolderEntry(report, "long\\Archive", out_ / "long.nsf", kArchived); }
  static bool OnALineOfItsOwn(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos;
  }

  fs::path report_ = machine_.scratch() / "report.json";
};

TEST_F(MigrateInterrupted, TheFirstCtrlCLetsTheItemAtHandArriveAndStopsTheExport) {
  const auto controller = StartLong();
  ::kill(controller->Pid(), SIGINT);
  const int status = controller->Wait();
  ASSERT_TRUE(WIFEXITED(status)) << controller->Err();
  EXPECT_EQ(WEXITSTATUS(status), 1) << controller->Err();
  EXPECT_TRUE(OnALineOfItsOwn(controller->Err(), "brackenford migrate: stopping after the item at hand (again: at once)"))
      << controller->Err();
  EXPECT_NE(controller->Out().find("Total"), std::string::npos) << "the summary: " << controller->Out();

  const Json r = ReadJson(report_);
  EXPECT_TRUE(r["interrupted"].get<bool>());
  EXPECT_EQ(r["failures"], Json::array()) << "the item at hand arrives";
  const Json archive = Archive(r);
  EXPECT_EQ(archive["failed"], 0);
  EXPECT_GT(archive["not_exported"].get<int>(), 0) << archive;
  EXPECT_EQ(Profiles(), std::vector<std::string>{});
  EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});
}

TEST_F(MigrateInterrupted, ASecondCtrlCStopsTheEngineWaitedOnAtOnce) {
  const auto controller = StartLong();
  // The importer hangs on an item: the first Ctrl-C waits for it in vain.
  const pid_t fennick = ProcessNamed(temp_, "fennick");
  ASSERT_GT(fennick, 0);
  ::kill(fennick, SIGSTOP);
  std::this_thread::sleep_for(200ms);
  ::kill(controller->Pid(), SIGINT);
  std::this_thread::sleep_for(500ms);
  EXPECT_TRUE(controller->Running()) << "the item at hand is waited for";
  ::kill(controller->Pid(), SIGINT);
  const int status = controller->Wait();
  ASSERT_TRUE(WIFEXITED(status)) << controller->Err();
  EXPECT_EQ(WEXITSTATUS(status), 1) << controller->Err();
  EXPECT_TRUE(OnALineOfItsOwn(controller->Err(), "brackenford migrate: stopped fennick at once")) << controller->Err();
  EXPECT_NE(controller->Out().find("Total"), std::string::npos) << "the summary: " << controller->Out();

  const Json r = ReadJson(report_);
  EXPECT_TRUE(r["interrupted"].get<bool>());
  // The item it held, those queued for it and the one at hand: each named
  // with its files.
  ASSERT_GE(r["failures"].size(), 1u) << r.dump(2);
  for (const Json& failure : r["failures"]) {
    EXPECT_EQ(failure["reason"], "fennick was stopped at once at the user's request");
    EXPECT_FALSE(failure["files"].empty()) << failure;
    for (const Json& file : failure["files"]) EXPECT_TRUE(fs::exists(file.get<std::string>())) << file;
  }
  EXPECT_EQ(Archive(r)["failed"], r["failures"].size());
  EXPECT_EQ(Profiles(), std::vector<std::string>{});
}

TEST_F(MigrateInterrupted, OnATerminalTheNoticeIsALineOfItsOwnNotPartOfABar) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const winsize size{24, 80, 0, 0};
  ::ioctl(master, TIOCSWINSZ, &size);
  const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  std::string shown;
  std::mutex mutex;
  std::atomic<bool> ended{false};
  // Reads until the controller has ended and nothing more comes.
  std::thread reader([&] {
    char buffer[4096];
    for (;;) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 200) != 1) {
        if (ended) return;
        continue;
      }
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n <= 0) return;
      std::lock_guard lock(mutex);
      shown.append(buffer, static_cast<std::size_t>(n));
    }
  });
  auto text = [&] {
    std::lock_guard lock(mutex);
    return shown;
  };

  const fs::path pst = Pst("long", LongMailbox(kArchived));
  const std::string program = (testing_support::BuildDir() / "bin" / "brackenford").string();
  std::vector<std::string> args{program, "migrate", "--pst", pst.string(), "--out", out_.string()};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2}) posix_spawn_file_actions_adddup2(&actions, terminal, fd);
  pid_t controller = -1;
  ASSERT_EQ(posix_spawn(&controller, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(terminal);

  const auto end = std::chrono::steady_clock::now() + 60s;
  while (text().find("long\\Inbox:") == std::string::npos && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(2ms);
  ::kill(controller, SIGINT);
  int status = 0;
  ::waitpid(controller, &status, 0);
  ended = true;
  reader.join();
  ::close(master);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << text();
  const std::vector<std::string> rows = ScreenRows(text(), 80);
  EXPECT_NE(std::find(rows.begin(), rows.end(), "brackenford migrate: stopping after the item at hand (again: at once)"),
            rows.end())
      << testing::PrintToString(rows);
}

}  // namespace
}  // namespace migrate_test
