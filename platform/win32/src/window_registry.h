// This process's windows. The message layer looks them up by handle value;
// nothing here is held while a window procedure runs.
//
// Each window belongs to the thread that made it (its queue): only that
// thread serves it and destroys it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "win32/window.h"

namespace win32::messages {
class ThreadQueue;
}

namespace win32::windows {

struct Listener {
  DWORD value;
  int fd;
};

// The procedure of a window of this process, whichever thread owns it.
std::optional<WNDPROC> LocalProc(DWORD value);
// The procedure of a window of the calling thread.
std::optional<WNDPROC> OwnProc(DWORD value);
bool IsLocal(DWORD value);
// The queue of the thread that owns a window of this process.
std::shared_ptr<messages::ThreadQueue> OwnerQueue(DWORD value);
// The listening sockets of the calling thread's windows, in creation order.
std::vector<Listener> Listeners();
// Whether `fd` is still the listening socket of `value` (a handler may have
// destroyed the window meanwhile).
bool StillListening(DWORD value, int fd);
// Closes and removes the windows a thread still owns as it ends.
void DropThreadWindows(const messages::ThreadQueue& owner);

}  // namespace win32::windows

namespace win32::messages {
// Drops posted messages of a window that is going away.
void ForgetWindow(HWND hwnd);
}  // namespace win32::messages
