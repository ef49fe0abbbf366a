// A peer process for message tests: a forked child that runs `body` (which
// usually creates a window and serves it) and exits with its result.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "win32/text.h"
#include "win32/window.h"

namespace peer {

class Process {
 public:
  explicit Process(const std::function<int()>& body) {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that crashed
      ::_exit(body());
    }
  }
  ~Process() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  void Kill() {
    ::kill(pid_, SIGKILL);
    Wait();
  }
  // Exit status, or -1 when it did not exit within `limit` (or died by a signal).
  int Wait(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
      pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) break;
      if (std::chrono::steady_clock::now() > end) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// Waits until a window with this title is on the desktop.
inline HWND WaitForWindow(const std::u16string& title, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (HWND h = FindWindowW(nullptr, title.c_str())) return h;
    if (std::chrono::steady_clock::now() > end) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Registers `proc` under a class named like the window and creates a window titled `title`.
inline HWND MakeWindow(const std::u16string& title, WNDPROC proc) {
  const char16_t* cls = title.c_str();  // a class per window: the procedures differ
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = cls;
  RegisterClassW(&wc);
  return CreateWindowExW(0, cls, title.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

// A message loop until WM_QUIT; returns its exit code.
inline int RunLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  return static_cast<int>(msg.wParam);
}

}  // namespace peer
