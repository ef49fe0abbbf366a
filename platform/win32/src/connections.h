// Connections kept open between processes' windows. A sender reuses its idle
// connection to a target window instead of connecting for every message,
// and a window keeps serving the frames that arrive on a connection it
// accepted until the peer hangs up.
#pragma once

#include <vector>

#include "win32/types.h"

namespace win32::connections {

// A connection to another process's window for one request.
struct Lease {
  int fd = -1;          // -1: nobody listens there
  bool reused = false;  // an idle connection of an earlier request
};

// An idle connection to `target`, else a new one.
Lease Acquire(DWORD target);
// Keeps a healthy connection as the target's idle one (one per target);
// closes any other.
void Release(DWORD target, const Lease& lease, bool healthy);

// A connection accepted on a window's socket, with the window it serves.
struct Incoming {
  DWORD window;
  int fd;
};

// Takes an accepted connection, marked as being served.
void Adopt(DWORD window, int fd);
// The accepted connections waiting for their next frame.
std::vector<Incoming> Idle();
// Marks an idle connection as being served; false when it is gone.
bool Claim(int fd);
// After a frame: waits for the next one, or is closed.
void Done(int fd, bool keep);
// Closes the idle connections of a destroyed window; those being served are
// closed when they are done.
void ForgetWindow(DWORD window);

// A forked child closes its copies and starts with none.
void ResetAfterFork();

}  // namespace win32::connections
