// The message queue of one thread. As on Windows, a window belongs to the
// thread that made it: the messages posted to it go to that thread's queue,
// and only that thread serves what is sent to it (in GetMessageW,
// PeekMessageW, WaitMessage and while it waits in SendMessageW).
#pragma once

#include <deque>
#include <memory>
#include <mutex>

#include "win32/window.h"

namespace win32::messages {

class ThreadQueue {
 public:
  ThreadQueue();
  ~ThreadQueue();
  ThreadQueue(const ThreadQueue&) = delete;
  ThreadQueue& operator=(const ThreadQueue&) = delete;

  // Queues a posted message and wakes the thread if it waits.
  void Post(const MSG& msg);
  void Quit(int exitCode);
  // The first posted message that matches (then WM_QUIT, once asked for).
  bool Take(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
  bool Waiting();
  void Forget(HWND hwnd);

  // Becomes readable when something was posted; drained by the thread.
  int WakeFd() const { return wakeFd_; }
  void DrainWake();

  DWORD ThreadId() const { return threadId_; }

  // In a forked child, for the thread that forked: empty, with a lock and
  // an event of its own.
  void ResetAfterFork();

 private:
  void Wake();

  std::mutex mutex_;
  std::deque<MSG> posted_;
  bool quit_ = false;
  int quitCode_ = 0;
  int wakeFd_;
  DWORD threadId_;
};

// The calling thread's queue, made on first use; it lives as long as the
// thread or a window of the thread holds it.
ThreadQueue& CurrentQueue();
std::shared_ptr<ThreadQueue> CurrentQueueShared();

// Called by CreateWindowExW: when the thread ends, the windows it still owns
// go with it (nobody would serve them again).
void NoteWindowMade();

}  // namespace win32::messages
