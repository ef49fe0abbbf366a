#include "connections.h"

#include <unistd.h>

#include <algorithm>
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
};

struct Pool {
  std::mutex mutex;
  std::vector<Outgoing> idleOut;
  std::vector<Accepted> in;
};

Pool& P() {
  static Pool pool;
  return pool;
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
  P().in.push_back({window, fd, true});
}

std::vector<Incoming> Idle() {
  std::lock_guard lock(P().mutex);
  std::vector<Incoming> out;
  for (const auto& a : P().in)
    if (!a.serving) out.push_back({a.window, a.fd});
  return out;
}

bool Claim(int fd) {
  std::lock_guard lock(P().mutex);
  for (auto& a : P().in) {
    if (a.fd != fd || a.serving) continue;
    a.serving = true;
    return true;
  }
  return false;
}

void Done(int fd, bool keep) {
  std::lock_guard lock(P().mutex);
  auto& in = P().in;
  auto it = std::find_if(in.begin(), in.end(), [&](const Accepted& a) { return a.fd == fd; });
  if (it == in.end()) return;
  if (keep && windows::IsLocal(it->window)) {
    it->serving = false;
    return;
  }
  ::close(fd);
  in.erase(it);
}

void ForgetWindow(DWORD window) {
  std::lock_guard lock(P().mutex);
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
}

}  // namespace win32::connections
