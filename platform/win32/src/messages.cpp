// SendMessageW, PostMessageW and the message queue. A message to another
// process travels as one frame (see win32/wire.h) on a connection kept open
// for the next message (connections.h);
// while this process waits for anything it serves the requests that arrive
// on its own windows' sockets, so a request may call back into its sender.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <pthread.h>
#include <unistd.h>

#include <new>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "connections.h"
#include "desktop.h"
#include "win32/errors.h"
#include "win32/text.h"
#include "win32/window.h"
#include "win32/wire.h"
#include "window_registry.h"

namespace win32::messages {

namespace {

using wire::FrameHeader;
using wire::FrameKind;

// A connection closed on every path out.
class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_;
};

struct Queue {
  std::mutex mutex;
  std::deque<MSG> posted;
  bool quit = false;
  int quitCode = 0;
  int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);  // local posts wake a waiting loop
};

Queue& Q();

// A forked child starts with an empty queue and its own wake-up event.
void ResetInheritedQueue() {
  Queue& q = Q();
  new (&q.mutex) std::mutex;
  q.posted.clear();
  q.quit = false;
  ::close(q.wakeFd);
  q.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  connections::ResetAfterFork();
}

Queue& Q() {
  static Queue* queue = [] {
    static Queue instance;
    ::pthread_atfork(nullptr, nullptr, ResetInheritedQueue);
    return &instance;
  }();
  return *queue;
}

void Wake() {
  const std::uint64_t one = 1;
  if (::write(Q().wakeFd, &one, sizeof one) < 0) {
    // A full counter still wakes the loop.
  }
}

void Enqueue(const MSG& msg) {
  {
    std::lock_guard lock(Q().mutex);
    Q().posted.push_back(msg);
  }
  Wake();
}

void Drop(const char* why) { std::fprintf(stderr, "win32: dropped a message frame: %s\n", why); }

// Receive timeout for the frame of an accepted connection: senders write the
// whole frame before they wait, so only a broken peer is ever this slow.
constexpr int kFrameTimeoutSeconds = 5;

LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto proc = windows::LocalProc(HandleValue(hwnd));
  return proc ? (*proc)(hwnd, message, wParam, lParam) : 0;
}

// Reads whole `size` bytes of a frame; a peer that stalls longer than the
// frame timeout gets less.
std::size_t ReadFrameBytes(int fd, void* data, std::size_t size) {
  auto* p = static_cast<BYTE*>(data);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::recv(fd, p + got, size - got, MSG_DONTWAIT);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      break;
    } else if (errno == EAGAIN) {
      pollfd pfd{fd, POLLIN, 0};
      if (::poll(&pfd, 1, kFrameTimeoutSeconds * 1000) <= 0) break;
    }
  }
  return got;
}

bool Dropped(const char* why) {
  Drop(why);
  return false;
}

// Reads one frame from an accepted connection and acts on it. False when
// the connection is done: the peer hung up (a probe hangs up at once) or
// sent what is refused.
bool ServeFrame(DWORD value, int fd) {
  FrameHeader h;
  const std::size_t got = ReadFrameBytes(fd, &h, sizeof h);
  if (got == 0) return false;
  if (got < sizeof h) return Dropped("truncated header");
  if (auto check = wire::CheckHeader(h); check != wire::FrameCheck::kOk) return Dropped(wire::FrameCheckText(check));
  if (static_cast<FrameKind>(h.kind) == FrameKind::kReply) return Dropped("reply without a request");
  // Exactly cbData bytes, not initialised first: all of them are read.
  std::unique_ptr<BYTE[]> payload(h.payloadSize ? new BYTE[h.payloadSize] : nullptr);
  if (ReadFrameBytes(fd, payload.get(), h.payloadSize) != h.payloadSize) return Dropped("truncated payload");

  const HWND hwnd = HandleFromValue(value);
  if (static_cast<FrameKind>(h.kind) == FrameKind::kPost) {
    Enqueue(MSG{hwnd, h.message, static_cast<WPARAM>(h.wParam), static_cast<LPARAM>(h.lParam), 0, {0, 0}});
    return true;
  }
  LRESULT result;
  if (h.message == WM_COPYDATA) {
    COPYDATASTRUCT cds{static_cast<ULONG_PTR>(h.dwData), h.cbData, payload.get()};
    const bool null = (h.flags & wire::kNullCopyData) != 0;
    result = Deliver(hwnd, WM_COPYDATA, static_cast<WPARAM>(h.wParam), null ? 0 : reinterpret_cast<LPARAM>(&cds));
  } else {
    result = Deliver(hwnd, h.message, static_cast<WPARAM>(h.wParam), static_cast<LPARAM>(h.lParam));
  }
  const FrameHeader reply = wire::MakeReply(result);
  return desktop::WriteAll(fd, &reply, sizeof reply);  // a sender that gave up hangs up
}

// Accepts one connection waiting on a window's socket and serves its first
// frame; the next round of polling finds any others.
bool ServeListener(const windows::Listener& l) {
  if (!windows::StillListening(l.value, l.fd)) return false;
  const int fd = ::accept4(l.fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return false;
  connections::Adopt(l.value, fd);
  connections::Done(fd, ServeFrame(l.value, fd));
  return true;
}

// Serves the next frame of a connection accepted earlier.
bool ServeIncoming(const connections::Incoming& c) {
  if (!connections::Claim(c.fd)) return false;
  const bool keep = ServeFrame(c.window, c.fd);
  connections::Done(c.fd, keep);
  return keep;
}

void DrainWake() {
  std::uint64_t count;
  while (::read(Q().wakeFd, &count, sizeof count) > 0) {
  }
}

// One round of waiting: polls `extra` (if any) with this process's windows
// and the wake-up event, serves what arrived on the windows. Returns the
// events of `extra`, or 0.
short PollOnce(pollfd* extra, int timeoutMs, bool* servedAny) {
  std::vector<windows::Listener> listeners = windows::Listeners();
  std::vector<connections::Incoming> incoming = connections::Idle();
  std::vector<pollfd> fds;
  fds.reserve(listeners.size() + incoming.size() + 2);
  if (extra) fds.push_back(*extra);
  fds.push_back({Q().wakeFd, POLLIN, 0});
  for (const auto& l : listeners) fds.push_back({l.fd, POLLIN, 0});
  for (const auto& c : incoming) fds.push_back({c.fd, POLLIN, 0});
  int n = ::poll(fds.data(), fds.size(), timeoutMs);
  if (n <= 0) return 0;
  std::size_t i = 0;
  short extraEvents = 0;
  if (extra) extraEvents = fds[i++].revents;
  if (fds[i++].revents) {
    DrainWake();
    if (servedAny) *servedAny = true;
  }
  for (const auto& l : listeners) {
    if (fds[i++].revents && ServeListener(l) && servedAny) *servedAny = true;
  }
  for (const auto& c : incoming) {
    if (fds[i++].revents && ServeIncoming(c) && servedAny) *servedAny = true;
  }
  return extraEvents;
}

// Writes the request and waits for the reply, serving meanwhile. False when
// the target hung up first. The frame goes out straight away when the socket
// takes it; only a target slow to read makes this wait for room.
bool Exchange(int fd, const FrameHeader& request, const void* payload, std::size_t payloadSize,
              FrameHeader& reply) {
  const std::size_t total = sizeof request + payloadSize;
  std::size_t sent = 0;
  std::size_t got = 0;
  auto* in = reinterpret_cast<BYTE*>(&reply);
  auto writeSome = [&]() -> bool {
    iovec iov[2];
    int count = 0;
    if (sent < sizeof request) {
      iov[count++] = {const_cast<BYTE*>(reinterpret_cast<const BYTE*>(&request)) + sent, sizeof request - sent};
      if (payloadSize) iov[count++] = {const_cast<void*>(payload), payloadSize};
    } else {
      const std::size_t done = sent - sizeof request;
      iov[count++] = {static_cast<BYTE*>(const_cast<void*>(payload)) + done, payloadSize - done};
    }
    msghdr msg{};
    msg.msg_iov = iov;
    msg.msg_iovlen = static_cast<std::size_t>(count);
    const ssize_t n = ::sendmsg(fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    sent += static_cast<std::size_t>(n);
    return true;
  };
  if (!writeSome()) return false;
  for (;;) {
    const bool writing = sent < total;
    pollfd p{fd, static_cast<short>(writing ? POLLOUT : POLLIN), 0};
    const short ev = PollOnce(&p, -1, nullptr);
    if (writing && (ev & POLLOUT)) {
      if (!writeSome()) return false;
    } else if (!writing && (ev & (POLLIN | POLLHUP))) {
      const ssize_t n = ::recv(fd, in + got, sizeof reply - got, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
      if (n > 0) got += static_cast<std::size_t>(n);
      if (got == sizeof reply) return true;
    } else if (ev & (POLLERR | POLLHUP | POLLNVAL)) {
      return false;
    }
  }
}

LRESULT SendRemote(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  FrameHeader request;
  const void* payload = nullptr;
  std::size_t payloadSize = 0;
  if (message == WM_COPYDATA) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (cds && cds->cbData > wire::kMaxPayload) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    if (cds && cds->cbData && !cds->lpData) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    request = wire::MakeCopyData(wParam, cds ? cds->dwData : 0, cds ? cds->cbData : 0);
    if (!cds) request.flags = wire::kNullCopyData;
    payload = cds ? cds->lpData : nullptr;
    payloadSize = cds ? cds->cbData : 0;
  } else if (wire::CarriesPointer(message)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  } else {
    request = wire::MakeRequest(FrameKind::kSend, message, wParam, lParam);
  }
  // A kept connection the target has hung up on since fails at once; the
  // request then goes on a new one, which fails only when the target is gone.
  const DWORD target = HandleValue(hwnd);
  for (;;) {
    const connections::Lease lease = connections::Acquire(target);
    if (lease.fd < 0) break;
    FrameHeader reply;
    const bool answered = Exchange(lease.fd, request, payload, payloadSize, reply) &&
                          wire::CheckHeader(reply) == wire::FrameCheck::kOk &&
                          static_cast<FrameKind>(reply.kind) == FrameKind::kReply;
    connections::Release(target, lease, answered);
    if (answered) {
      SetLastError(ERROR_SUCCESS);  // answered, whatever the call-backs meanwhile left behind
      return static_cast<LRESULT>(reply.result);
    }
    if (!lease.reused) break;
  }
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return 0;
}

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
  if (hwnd && m.hwnd != hwnd) return false;
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

}  // namespace

void ForgetWindow(HWND hwnd) {
  connections::ForgetWindow(HandleValue(hwnd));
  std::lock_guard lock(Q().mutex);
  std::erase_if(Q().posted, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
}

}  // namespace win32::messages

using namespace win32;
using namespace win32::messages;

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto proc = windows::LocalProc(HandleValue(hwnd))) return (*proc)(hwnd, message, wParam, lParam);
  return SendRemote(hwnd, message, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA || wire::CarriesPointer(message)) return Fail(ERROR_INVALID_PARAMETER);
  if (windows::IsLocal(HandleValue(hwnd))) {
    Enqueue(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
    return TRUE;
  }
  Socket conn(desktop::Connect(HandleValue(hwnd)));
  const wire::FrameHeader frame = wire::MakeRequest(wire::FrameKind::kPost, message, wParam, lParam);
  if (!conn || !desktop::WriteAll(conn.get(), &frame, sizeof frame)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  {
    std::lock_guard lock(Q().mutex);
    Q().quit = true;
    Q().quitCode = exitCode;
  }
  Wake();
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageW(hwnd, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  PollOnce(nullptr, 0, nullptr);  // serve what other processes sent meanwhile
  std::lock_guard lock(Q().mutex);
  auto& posted = Q().posted;
  for (auto it = posted.begin(); it != posted.end(); ++it) {
    if (!Matches(*it, hwnd, filterMin, filterMax)) continue;
    if (msg) *msg = *it;
    if (removeMsg & PM_REMOVE) posted.erase(it);
    return TRUE;
  }
  if (Q().quit && Matches(MSG{nullptr, WM_QUIT, 0, 0, 0, {0, 0}}, nullptr, filterMin, filterMax)) {
    if (msg) *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(Q().quitCode), 0, 0, {0, 0}};
    if (removeMsg & PM_REMOVE) Q().quit = false;
    return TRUE;
  }
  return FALSE;
}

BOOL WaitMessage() {
  {
    std::lock_guard lock(Q().mutex);
    if (!Q().posted.empty() || Q().quit) return TRUE;
  }
  bool served = false;
  while (!served) PollOnce(nullptr, -1, &served);
  return TRUE;
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  MSG m;
  while (!PeekMessageW(&m, hwnd, filterMin, filterMax, PM_REMOVE)) WaitMessage();
  if (msg) *msg = m;
  return m.message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  return Deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
