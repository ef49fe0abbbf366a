#include "connections.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <new>

#include "desktop.h"
#include "window_registry.h"

namespace win32::connections {

namespace {

struct Outgoing {
  DWORD target;
  int fd;
};

struct Accepted {
  DWORD window;
  int fd;
  bool serving;
  FrameReader reader;
  Clock::time_point lastActive;
};

struct Pool {
  std::mutex mutex;
  std::vector<Outgoing> idleOut;
  std::vector<Accepted> in;
  std::map<DWORD, Clock::time_point> acceptPausedUntil;
};

Pool& P() {
  static Pool pool;
  return pool;
}

std::vector<Accepted>::iterator FindIn(const Incoming& c) {
  auto& in = P().in;
  return std::find_if(in.begin(), in.end(), [&](const Accepted& a) { return a.fd == c.fd && a.window == c.window; });
}

bool Among(DWORD window, const std::vector<DWORD>& windows) {
  return std::find(windows.begin(), windows.end(), window) != windows.end();
}

// Nothing of a frame read and nothing waiting on the socket (or hung up).
bool Quiet(const Accepted& a) {
  char byte;
  return !a.reader.Started() && ::recv(a.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0;
}

// Closes the idle connection of `windows` that was active longest ago,
// preferring one that has nothing in flight. Pool locked.
bool CloseIdlestLocked(const std::vector<DWORD>& windows) {
  auto& in = P().in;
  auto best = in.end();
  bool bestQuiet = false;
  for (auto it = in.begin(); it != in.end(); ++it) {
    if (it->serving || !Among(it->window, windows)) continue;
    const bool quiet = Quiet(*it);
    if (best == in.end() || (quiet && !bestQuiet) || (quiet == bestQuiet && it->lastActive < best->lastActive)) {
      best = it;
      bestQuiet = quiet;
    }
  }
  if (best == in.end()) return false;
  ::close(best->fd);
  in.erase(best);
  return true;
}

}  // namespace

Lease Acquire(DWORD target) {
  {
    std::lock_guard lock(P().mutex);
    auto& idle = P().idleOut;
    auto it = std::find_if(idle.begin(), idle.end(), [&](const Outgoing& o) { return o.target == target; });
    if (it != idle.end()) {
      const int fd = it->fd;
      idle.erase(it);
      return {fd, true};
    }
  }
  return {desktop::Connect(target), false};
}

void Release(DWORD target, const Lease& lease, bool healthy) {
  if (lease.fd < 0) return;
  if (healthy) {
    std::lock_guard lock(P().mutex);
    auto& idle = P().idleOut;
    if (std::none_of(idle.begin(), idle.end(), [&](const Outgoing& o) { return o.target == target; })) {
      idle.push_back({target, lease.fd});
      return;
    }
  }
  ::close(lease.fd);
}

void Adopt(DWORD window, int fd) {
  std::lock_guard lock(P().mutex);
  auto& in = P().in;
  const auto kept = std::count_if(in.begin(), in.end(), [&](const Accepted& a) { return a.window == window; });
  if (static_cast<std::size_t>(kept) >= kMaxKeptPerWindow) CloseIdlestLocked({window});
  in.push_back({window, fd, false, FrameReader(), Clock::now()});
}

std::vector<Incoming> Idle(const std::vector<DWORD>& windows) {
  std::lock_guard lock(P().mutex);
  std::vector<Incoming> out;
  for (const auto& a : P().in)
    if (!a.serving && Among(a.window, windows)) out.push_back({a.window, a.fd});
  return out;
}

Arrival Receive(const Incoming& c, Frame& frame, const char** why) {
  *why = nullptr;
  std::lock_guard lock(P().mutex);
  auto it = FindIn(c);
  const int fd = c.fd;
  if (it == P().in.end() || it->serving) return Arrival::kNothing;
  const Clock::time_point now = Clock::now();
  switch (it->reader.ReadFrom(fd, now)) {
    case FrameReader::Status::kPartial:
      it->lastActive = now;
      return Arrival::kNothing;
    case FrameReader::Status::kFrame:
      frame = it->reader.Take();
      it->serving = true;
      it->lastActive = now;
      return Arrival::kFrame;
    case FrameReader::Status::kRefused:
      *why = it->reader.Why();
      break;
    case FrameReader::Status::kClosed:
      break;
  }
  ::close(fd);
  P().in.erase(it);
  return Arrival::kGone;
}

void Done(const Incoming& c, bool keep) {
  std::lock_guard lock(P().mutex);
  auto it = FindIn(c);
  if (it == P().in.end()) return;
  if (keep && windows::IsLocal(it->window)) {
    it->serving = false;
    it->lastActive = Clock::now();
    return;
  }
  ::close(c.fd);
  P().in.erase(it);
}

std::optional<Clock::time_point> DropExpired(Clock::time_point now, const std::vector<DWORD>& windows,
                                             void (*dropped)(const char* why)) {
  std::lock_guard lock(P().mutex);
  std::optional<Clock::time_point> next;
  std::erase_if(P().in, [&](const Accepted& a) {
    if (a.serving || !a.reader.Started() || !Among(a.window, windows)) return false;
    const Clock::time_point end = a.reader.StartedAt() + kFrameLimit;
    if (end > now) {
      next = next ? std::min(*next, end) : end;
      return false;
    }
    ::close(a.fd);
    dropped("frame not complete within the time limit");
    return true;
  });
  return next;
}

bool CloseIdlest(const std::vector<DWORD>& windows) {
  std::lock_guard lock(P().mutex);
  return CloseIdlestLocked(windows);
}

void PauseAccepting(DWORD window, Clock::time_point now) {
  std::lock_guard lock(P().mutex);
  P().acceptPausedUntil[window] = now + kAcceptPause;
}

std::optional<Clock::time_point> AcceptingPausedUntil(DWORD window, Clock::time_point now) {
  std::lock_guard lock(P().mutex);
  auto& paused = P().acceptPausedUntil;
  if (paused.empty()) return std::nullopt;
  auto it = paused.find(window);
  if (it == paused.end()) return std::nullopt;
  if (it->second > now) return it->second;
  paused.erase(it);
  return std::nullopt;
}

void ForgetWindow(DWORD window) {
  std::lock_guard lock(P().mutex);
  P().acceptPausedUntil.erase(window);
  std::erase_if(P().in, [&](const Accepted& a) {
    if (a.window != window || a.serving) return false;
    ::close(a.fd);
    return true;
  });
}

void ResetAfterFork() {
  Pool& p = P();
  new (&p.mutex) std::mutex;
  for (const auto& o : p.idleOut) ::close(o.fd);
  for (const auto& a : p.in) ::close(a.fd);
  p.idleOut.clear();
  p.in.clear();
  p.acceptPausedUntil.clear();
}

}  // namespace win32::connections
