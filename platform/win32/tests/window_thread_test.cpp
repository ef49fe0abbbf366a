// Windows on two threads of one process: each thread serves only its own
// windows, also while it waits in SendMessageW, and a message to a window of
// another thread of this process is run by that window's own thread.
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "peer.h"
#include "testing/temp_machine.h"
#include "win32/errors.h"
#include "win32/machine.h"
#include "win32/process.h"
#include "win32/window.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr UINT WM_ASK = WM_USER + 1;     // wParam: the asker's window, lParam: a number
constexpr UINT WM_ANSWER = WM_USER + 2;  // the call-back: answers lParam * 2
constexpr UINT WM_COUNT = WM_USER + 3;   // posted: counted

// What a window's procedure saw; reached through GWLP_USERDATA.
struct Seen {
  std::thread::id owner = std::this_thread::get_id();
  int index = 0;
  std::atomic<int> calls{0};
  std::atomic<int> wrongThread{0};
  std::atomic<int> wrongWindow{0};  // a call-back meant for another thread's window
  std::atomic<int> posted{0};
  bool quitOnDestroy = false;  // a thread that runs a loop for this window alone
  HWND partner = nullptr;      // another thread's window, asked during each call-back
  std::atomic<int> wrongPartnerAnswers{0};
};

// The request both threads send the peer, and the call-back it makes.
struct Ask {
  int index;
  int round;
};

Seen* SeenOf(HWND self) { return reinterpret_cast<Seen*>(GetWindowLongPtrW(self, GWLP_USERDATA)); }

// A window of this process: answers the peer's call-backs and the other
// thread's requests, noting on which thread it ran.
LRESULT Threaded(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  Seen* seen = SeenOf(self);
  if (!seen) return DefWindowProcW(self, message, wParam, lParam);
  if (std::this_thread::get_id() != seen->owner) ++seen->wrongThread;
  switch (message) {
    case WM_COPYDATA: {
      const auto ask = win32::ReadRecord<Ask>(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      ++seen->calls;
      if (ask.index != seen->index) ++seen->wrongWindow;
      if (seen->partner && SendMessageW(seen->partner, WM_ANSWER, 0, ask.round) != 2 * ask.round)
        ++seen->wrongPartnerAnswers;
      return ask.index * 100000 + ask.round;
    }
    case WM_ASK:  // calls the asker back before it answers
      ++seen->calls;
      return SendMessageW(reinterpret_cast<HWND>(wParam), WM_ANSWER, 0, lParam) + 1;
    case WM_ANSWER:
      ++seen->calls;
      return lParam * 2;
    case WM_COUNT:
      ++seen->posted;
      return 0;
    case WM_DESTROY:
      if (seen->quitOnDestroy) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(self, message, wParam, lParam);
  }
}

HWND MakeThreadedWindow(const std::u16string& title, Seen& seen) {
  HWND w = peer::MakeWindow(title, Threaded);
  if (w) SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));
  return w;
}

// The engine-like peer: calls the sender (wParam) back with the request's
// bytes, and answers with the sender's answer plus one.
LRESULT CallingBack(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  if (message != WM_COPYDATA || !lParam) return DefWindowProcW(self, message, wParam, lParam);
  auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lParam);
  COPYDATASTRUCT back{cds->dwData, cds->cbData, cds->lpData};
  return SendMessageW(reinterpret_cast<HWND>(wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(self),
                      reinterpret_cast<LPARAM>(&back)) +
         1;
}

int ServeCallingBack() {
  if (!peer::MakeWindow(u"calling back", CallingBack)) return 9;
  return peer::RunLoop();
}

// Serves the thread's windows until `done` holds.
template <class Done>
void ServeUntil(Done done) {
  MSG msg;
  while (!done()) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    std::this_thread::sleep_for(1ms);
  }
}

fs::path SocketOf(HWND hwnd) {
  char name[16];
  std::snprintf(name, sizeof name, "%08x.sock", static_cast<unsigned>(win32::HandleValue(hwnd)));
  return win32::DesktopFolder() / name;
}

// Each thread asks the peer, which calls it back; inside that call-back it
// asks the other thread's window, which is itself waiting on the peer (busy
// with us) and must serve it meanwhile.
TEST(WindowThreads, EachThreadServesOnlyItsOwnWindowWhileItWaits) {
  testing_support::TempMachine machine;
  peer::Process engine(ServeCallingBack);  // forked before this process has threads or windows
  const HWND target = peer::WaitForWindow(u"calling back");
  ASSERT_NE(target, nullptr);

  constexpr int kRounds = 400;
  std::array<Seen, 2> seen;
  std::array<int, 2> wrongAnswers{};
  std::array<std::atomic<HWND>, 2> made{};
  std::atomic<int> ready{0}, finished{0};
  auto run = [&](int index) {
    seen[index].owner = std::this_thread::get_id();
    seen[index].index = index + 1;
    const HWND self = MakeThreadedWindow(u"thread " + std::u16string(1, u'1' + index), seen[index]);
    made[index] = self;
    ++ready;
    ServeUntil([&] { return ready == 2; });
    seen[index].partner = made[1 - index];
    if (!self || !seen[index].partner) {
      wrongAnswers[index] = -1;
      ++finished;
      return;
    }
    for (int round = 0; round < kRounds; ++round) {
      Ask ask{index + 1, round};
      COPYDATASTRUCT cds{7, sizeof ask, &ask};
      const LRESULT r =
          SendMessageW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(self), reinterpret_cast<LPARAM>(&cds));
      if (r != (index + 1) * 100000 + round + 1) ++wrongAnswers[index];
    }
    ++finished;
    ServeUntil([&] { return finished == 2; });  // the other may still ask us
    DestroyWindow(self);
  };
  std::thread first(run, 0), second(run, 1);
  first.join();
  second.join();
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE("thread " + std::to_string(i + 1));
    EXPECT_EQ(wrongAnswers[i], 0);
    EXPECT_EQ(seen[i].calls, 2 * kRounds) << "every call-back and every ask reached its own window once";
    EXPECT_EQ(seen[i].wrongPartnerAnswers, 0);
    EXPECT_EQ(seen[i].wrongThread, 0) << "call-backs ran on the window's own thread";
    EXPECT_EQ(seen[i].wrongWindow, 0);
  }
}

TEST(WindowThreads, AMessageToAnotherThreadsWindowRunsOnThatThread) {
  testing_support::TempMachine machine;
  Seen mine;
  const HWND self = MakeThreadedWindow(u"asker", mine);
  ASSERT_NE(self, nullptr);

  Seen theirs;
  std::promise<HWND> made;
  std::thread server([&] {
    theirs.owner = std::this_thread::get_id();
    theirs.quitOnDestroy = true;
    made.set_value(MakeThreadedWindow(u"server", theirs));
    peer::RunLoop();  // until its WM_DESTROY posts the quit
  });
  const HWND other = made.get_future().get();
  ASSERT_NE(other, nullptr);

  constexpr int kRounds = 300;
  int wrong = 0;
  for (int i = 0; i < kRounds; ++i) {
    if (SendMessageW(other, WM_ASK, reinterpret_cast<WPARAM>(self), i) != 2 * i + 1) ++wrong;
    if (i % 10 == 0) PostMessageW(other, WM_COUNT, 0, 0);
  }
  EXPECT_EQ(wrong, 0) << "each request called us back, and we answered while we waited";
  EXPECT_FALSE(DestroyWindow(other)) << "only the owner thread destroys a window";
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  ASSERT_TRUE(PostMessageW(other, WM_CLOSE, 0, 0));
  server.join();
  EXPECT_EQ(theirs.calls, kRounds);
  EXPECT_EQ(theirs.posted, kRounds / 10) << "posted messages went to the owner's queue";
  EXPECT_EQ(mine.calls, kRounds);
  EXPECT_EQ(mine.wrongThread + theirs.wrongThread, 0);
  EXPECT_FALSE(IsWindow(other));

  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "the other thread's quit stays its own";
  DestroyWindow(self);
}

TEST(WindowThreads, AThreadsWindowsGoWithIt) {
  testing_support::TempMachine machine;
  Seen seen;
  HWND left = nullptr;
  std::thread([&] {
    seen.owner = std::this_thread::get_id();
    left = MakeThreadedWindow(u"left behind", seen);
  }).join();
  ASSERT_NE(left, nullptr);
  EXPECT_FALSE(IsWindow(left));
  EXPECT_FALSE(fs::exists(SocketOf(left)));
  EXPECT_EQ(FindWindowW(nullptr, u"left behind"), nullptr);
  SetLastError(0);
  EXPECT_EQ(SendMessageW(left, WM_ANSWER, 0, 1), 0) << "nobody would ever answer it";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(WindowThreads, ThreadAndProcessOfAWindow) {
  testing_support::TempMachine machine;
  Seen seen;
  const HWND self = MakeThreadedWindow(u"mine", seen);
  ASSERT_NE(self, nullptr);
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(self, &pid), GetCurrentThreadId());
  EXPECT_EQ(pid, static_cast<DWORD>(::getpid()));
  DWORD otherThread = 0;
  std::thread([&] { otherThread = GetCurrentThreadId(); }).join();
  EXPECT_NE(otherThread, GetCurrentThreadId());
  EXPECT_EQ(GetWindowThreadProcessId(win32::HandleFromValue(0x1234abcd), &pid), 0u);
  DestroyWindow(self);
}

}  // namespace
