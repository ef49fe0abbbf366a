// Connections kept open between processes' windows. A sender reuses its idle
// connection to a target window instead of connecting for every message,
// and a window keeps the connections it accepted, assembling each one's
// frames as their bytes arrive, until the peer hangs up.
//
// What a window keeps is bounded: a frame must come whole within
// kFrameLimit of its first byte, a window keeps at most
// kMaxKeptPerWindow connections (a new one closes the idlest), and a window
// whose accept fails for want of descriptors or memory pauses accepting
// instead of trying again at once.
//
// Threads: the pool is shared and locked. A sender leases a connection for
// one request alone. An accepted connection is served only by the thread
// that owns its window, so the window's side is asked about by window and
// connection together, and for a given set of windows: the caller's own.
#pragma once

#include <optional>
#include <vector>

#include "frame_reader.h"
#include "win32/types.h"

namespace win32::connections {

constexpr auto kFrameLimit = std::chrono::seconds(5);
constexpr std::size_t kMaxKeptPerWindow = 64;
constexpr auto kAcceptPause = std::chrono::milliseconds(200);

// --- the sender's side

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

// --- the window's side

// A connection accepted on a window's socket, with the window it serves.
struct Incoming {
  DWORD window;
  int fd;
};

// Keeps a non-blocking connection accepted for `window`, closing the
// window's idlest one when it already keeps the most it may.
void Adopt(DWORD window, int fd);
// The kept connections of `windows` that no frame is being served on.
std::vector<Incoming> Idle(const std::vector<DWORD>& windows);

enum class Arrival {
  kNothing,  // no whole frame yet (or the connection is being served)
  kFrame,    // a whole frame: the connection is being served until Done
  kGone,     // closed: the peer hung up, or `why` tells what was refused
};
// Reads what arrived on an idle connection.
Arrival Receive(const Incoming& c, Frame& frame, const char** why);
// After a frame: waits for the next one, or is closed.
void Done(const Incoming& c, bool keep);

// Closes the connections of `windows` whose frame did not come whole within
// the limit (each `why` goes to `dropped`); returns when the next one runs out.
std::optional<Clock::time_point> DropExpired(Clock::time_point now, const std::vector<DWORD>& windows,
                                             void (*dropped)(const char* why));
// Closes the idlest kept connection of any of `windows`; false when none is idle.
bool CloseIdlest(const std::vector<DWORD>& windows);

// Accepting for a window paused after a failed accept; whether it is paused
// now, and until when.
void PauseAccepting(DWORD window, Clock::time_point now);
std::optional<Clock::time_point> AcceptingPausedUntil(DWORD window, Clock::time_point now);

// Closes the idle connections of a destroyed window; those being served are
// closed when they are done.
void ForgetWindow(DWORD window);

// A forked child closes its copies and starts with none.
void ResetAfterFork();

}  // namespace win32::connections
