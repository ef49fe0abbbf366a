#include "thread_queue.h"

#include <sys/eventfd.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "connections.h"
#include "win32/process.h"
#include "window_registry.h"

namespace win32::messages {

namespace {

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
  if (hwnd && m.hwnd != hwnd) return false;
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

void ResetInherited();

// The thread's own hold on its queue; when the thread ends, its windows end
// with it, without their procedures (what they point to may be gone).
struct ThreadHold {
  std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
  bool madeWindows = false;

  ThreadHold() {
    static const bool registered = [] { return ::pthread_atfork(nullptr, nullptr, ResetInherited) == 0; }();
    (void)registered;
  }
  ~ThreadHold() {
    if (madeWindows) windows::DropThreadWindows(*queue);
  }
};

ThreadHold& Hold() {
  thread_local ThreadHold hold;
  return hold;
}

// A forked child has only the thread that forked, with a fresh queue, and
// none of its parent's connections.
void ResetInherited() {
  Hold().queue->ResetAfterFork();
  connections::ResetAfterFork();
}

}  // namespace

ThreadQueue::ThreadQueue()
    : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), threadId_(GetCurrentThreadId()) {}

ThreadQueue::~ThreadQueue() {
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void ThreadQueue::Wake() {
  const std::uint64_t one = 1;
  if (::write(wakeFd_, &one, sizeof one) < 0) {
    // A full counter still wakes the loop.
  }
}

void ThreadQueue::Post(const MSG& msg) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(msg);
  }
  Wake();
}

void ThreadQueue::Quit(int exitCode) {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    quitCode_ = exitCode;
  }
  Wake();
}

bool ThreadQueue::Take(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
  std::lock_guard lock(mutex_);
  for (auto it = posted_.begin(); it != posted_.end(); ++it) {
    if (!Matches(*it, hwnd, filterMin, filterMax)) continue;
    if (msg) *msg = *it;
    if (remove) posted_.erase(it);
    return true;
  }
  if (quit_ && Matches(MSG{nullptr, WM_QUIT, 0, 0, 0, {0, 0}}, nullptr, filterMin, filterMax)) {
    if (msg) *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, 0, {0, 0}};
    if (remove) quit_ = false;
    return true;
  }
  return false;
}

bool ThreadQueue::Waiting() {
  std::lock_guard lock(mutex_);
  return !posted_.empty() || quit_;
}

void ThreadQueue::Forget(HWND hwnd) {
  std::lock_guard lock(mutex_);
  std::erase_if(posted_, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
}

void ThreadQueue::DrainWake() {
  std::uint64_t count;
  while (::read(wakeFd_, &count, sizeof count) > 0) {
  }
}

void ThreadQueue::ResetAfterFork() {
  new (&mutex_) std::mutex;
  posted_.clear();
  quit_ = false;
  ::close(wakeFd_);
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  threadId_ = GetCurrentThreadId();
}

ThreadQueue& CurrentQueue() { return *Hold().queue; }
std::shared_ptr<ThreadQueue> CurrentQueueShared() { return Hold().queue; }
void NoteWindowMade() { Hold().madeWindows = true; }

}  // namespace win32::messages
