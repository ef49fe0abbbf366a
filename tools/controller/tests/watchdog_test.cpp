// The watchdog stops an engine that neither answers nor works, and leaves one
// that is busy (opening a large file) alone however long it takes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

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

}  // namespace
