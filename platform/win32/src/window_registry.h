// This process's windows. The message layer looks them up by handle value;
// nothing here is held while a window procedure runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win32/window.h"

namespace win32::windows {

struct Listener {
  DWORD value;
  int fd;
};

// The procedure of a window of this process.
std::optional<WNDPROC> LocalProc(DWORD value);
bool IsLocal(DWORD value);
// The listening sockets of this process's windows, in creation order.
std::vector<Listener> Listeners();
// Whether `fd` is still the listening socket of `value` (a handler may have
// destroyed the window meanwhile).
bool StillListening(DWORD value, int fd);

}  // namespace win32::windows

namespace win32::messages {
// Drops posted messages of a window that is going away.
void ForgetWindow(HWND hwnd);
}  // namespace win32::messages
