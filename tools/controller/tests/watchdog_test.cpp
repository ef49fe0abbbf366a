// The watchdog stops an engine that neither answers nor works, and leaves one
// that is busy (opening a large file) alone however long it takes; each
// thread's waits are watched, and a wait on none keeps those below it from
// counting as silence.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Watchdog.h"

namespace {

using namespace std::chrono_literals;

// A child that works the processor for `busy`, or sleeps for it, then ends.
pid_t Child(std::chrono::milliseconds busy, bool working) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const auto end = std::chrono::steady_clock::now() + busy;
    volatile unsigned long spin = 0;
    while (std::chrono::steady_clock::now() < end)
      if (working)
        spin = spin + 1;
      else
        ::usleep(10000);
    ::_exit(0);
  }
  return pid;
}

TEST(Watchdog, StopsTheSilentAndSparesTheBusy) {
  struct Case {
    bool working;
    bool killed;
  };
  for (const Case c : {Case{true, false}, Case{false, true}}) {
    SCOPED_TRACE(c.working ? "working" : "sleeping");
    const pid_t child = Child(2500ms, c.working);
    ASSERT_GT(child, 0);
    {
      controller::Watchdog watchdog(800ms, nullptr);
      watchdog.Enter(child, "engine");
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      watchdog.Leave();
      EXPECT_EQ(!watchdog.TakeKilled().empty(), c.killed);
      EXPECT_EQ(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, c.killed);
    }
  }
}

// The exporter's thread waits on the exporter, or on its own queue; the
// importer's thread, meanwhile, on the importer.
TEST(Watchdog, WatchesTheWaitsOfEveryThread) {
  const pid_t exporter = Child(2500ms, false), importer = Child(2500ms, false);
  ASSERT_GT(exporter, 0);
  ASSERT_GT(importer, 0);
  controller::Watchdog watchdog(800ms, nullptr);
  std::thread other([&] {
    watchdog.Enter(importer, "importer");
    int status = 0;
    EXPECT_EQ(::waitpid(importer, &status, 0), importer);
    watchdog.Leave();
    EXPECT_TRUE(WIFSIGNALED(status)) << "the importer was silent while another thread waited";
  });
  watchdog.Enter(exporter, "exporter");
  watchdog.Enter(0, "the queue");  // the exporter waits on us
  std::this_thread::sleep_for(1500ms);
  watchdog.Leave();
  other.join();
  EXPECT_EQ(watchdog.TakeKilled(), std::vector<std::string>{"importer"});
  // Back in the exporter's wait, which its call-back has just renewed.
  int status = 0;
  ::kill(exporter, SIGTERM);
  ASSERT_EQ(::waitpid(exporter, &status, 0), exporter);
  watchdog.Leave();
  EXPECT_EQ(WIFSIGNALED(status) ? WTERMSIG(status) : 0, SIGTERM) << "the exporter was not stopped";
}

}  // namespace
