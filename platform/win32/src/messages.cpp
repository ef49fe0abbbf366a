// SendMessageW, PostMessageW and the message queue. A message to another
// process travels as one frame (see win32/wire.h) on a connection kept open
// for the next message (connections.h);
// while a thread waits for anything it serves the requests that arrive on
// its own windows' sockets, so a request may call back into its sender.
// Each thread has its own queue (thread_queue.h) and serves only the
// windows it made; a message to another thread's window goes through that
// window's socket.
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "connections.h"
#include "desktop.h"
#include "thread_queue.h"
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

void Drop(const char* why) { std::fprintf(stderr, "win32: dropped a message frame: %s\n", why); }

// Connections accepted on one window's socket in one round of polling: a
// handful, so that a flood of connections cannot push out the ones already
// kept before their frames are read.
constexpr int kAcceptsPerRound = 8;

LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto proc = windows::LocalProc(HandleValue(hwnd));
  return proc ? (*proc)(hwnd, message, wParam, lParam) : 0;
}

// Acts on a whole frame that came on an accepted connection. False when
// the connection is done: the reply could not be written at once (the
// peer gave up, or does not read its replies).
bool ServeFrame(DWORD value, int fd, const connections::Frame& frame) {
  const FrameHeader& h = frame.header;
  const HWND hwnd = HandleFromValue(value);
  if (static_cast<FrameKind>(h.kind) == FrameKind::kPost) {
    CurrentQueue().Post(MSG{hwnd, h.message, static_cast<WPARAM>(h.wParam), static_cast<LPARAM>(h.lParam), 0, {0, 0}});
    return true;
  }
  LRESULT result;
  if (h.message == WM_COPYDATA) {
    COPYDATASTRUCT cds{static_cast<ULONG_PTR>(h.dwData), h.cbData, frame.payload.get()};
    const bool null = (h.flags & wire::kNullCopyData) != 0;
    result = Deliver(hwnd, WM_COPYDATA, static_cast<WPARAM>(h.wParam), null ? 0 : reinterpret_cast<LPARAM>(&cds));
  } else {
    result = Deliver(hwnd, h.message, static_cast<WPARAM>(h.wParam), static_cast<LPARAM>(h.lParam));
  }
  const FrameHeader reply = wire::MakeReply(result);
  return desktop::WriteAll(fd, &reply, sizeof reply);
}

// Reads what arrived on an accepted connection and serves its frame once
// it is whole. True when a frame was served.
bool ServeIncoming(const connections::Incoming& c) {
  connections::Frame frame;
  const char* why = nullptr;
  switch (connections::Receive(c, frame, &why)) {
    case connections::Arrival::kNothing:
      return false;
    case connections::Arrival::kGone:
      if (why) Drop(why);
      return false;
    case connections::Arrival::kFrame:
      break;
  }
  connections::Done(c, ServeFrame(c.window, c.fd, frame));
  return true;
}

// Accepts the connections waiting on a window's socket (a few a round) and
// serves the frames they came with. Short of descriptors it closes the
// idlest connection kept to make room; when that cannot help, accepting
// pauses for a while instead of failing again at once.
bool ServeListener(const windows::Listener& l, const std::vector<DWORD>& owned) {
  bool served = false;
  for (int i = 0; i < kAcceptsPerRound && windows::StillListening(l.value, l.fd); ++i) {
    const int fd = ::accept4(l.fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      if ((errno == EMFILE || errno == ENFILE) && connections::CloseIdlest(owned)) continue;
      connections::PauseAccepting(l.value, connections::Clock::now());
      break;
    }
    connections::Adopt(l.value, fd);
    served = ServeIncoming({l.value, fd}) || served;  // a sender writes its frame as it connects
  }
  return served;
}

// Milliseconds from `now` to `when`, rounded up, capping `timeoutMs`
// (-1: no limit).
int CapTimeout(int timeoutMs, connections::Clock::time_point now, connections::Clock::time_point when) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - now).count();
  const int until = static_cast<int>(std::clamp<long long>(ms, 0, 24 * 3600 * 1000));
  return timeoutMs < 0 ? until : std::min(timeoutMs, until);
}

// One round of waiting: polls `extra` (if any) with the calling thread's
// windows and its wake-up event, serves what arrived on the windows. Returns the
// events of `extra`, or 0. Frames that take too long to come whole are
// dropped on the way; the wait ends when the next of them runs out.
short PollOnce(pollfd* extra, int timeoutMs, bool* servedAny) {
  ThreadQueue& queue = CurrentQueue();
  const auto now = connections::Clock::now();
  std::vector<windows::Listener> listeners = windows::Listeners();
  std::vector<DWORD> owned;
  owned.reserve(listeners.size());
  for (const auto& l : listeners) owned.push_back(l.value);
  if (auto next = connections::DropExpired(now, owned, Drop)) timeoutMs = CapTimeout(timeoutMs, now, *next);
  std::erase_if(listeners, [&](const windows::Listener& l) {
    const auto paused = connections::AcceptingPausedUntil(l.value, now);
    if (paused) timeoutMs = CapTimeout(timeoutMs, now, *paused);
    return paused.has_value();
  });
  std::vector<connections::Incoming> incoming = connections::Idle(owned);
  std::vector<pollfd> fds;
  fds.reserve(listeners.size() + incoming.size() + 2);
  if (extra) fds.push_back(*extra);
  fds.push_back({queue.WakeFd(), POLLIN, 0});
  for (const auto& l : listeners) fds.push_back({l.fd, POLLIN, 0});
  for (const auto& c : incoming) fds.push_back({c.fd, POLLIN, 0});
  int n = ::poll(fds.data(), fds.size(), timeoutMs);
  if (n <= 0) return 0;
  std::size_t i = 0;
  short extraEvents = 0;
  if (extra) extraEvents = fds[i++].revents;
  if (fds[i++].revents) {
    queue.DrainWake();
    if (servedAny) *servedAny = true;
  }
  const std::size_t firstIncoming = i + listeners.size();
  for (std::size_t k = 0; k < incoming.size(); ++k) {
    if (fds[firstIncoming + k].revents && ServeIncoming(incoming[k]) && servedAny) *servedAny = true;
  }
  for (const auto& l : listeners) {
    if (fds[i++].revents && ServeListener(l, owned) && servedAny) *servedAny = true;
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

}  // namespace

void ForgetWindow(HWND hwnd) {
  connections::ForgetWindow(HandleValue(hwnd));
  CurrentQueue().Forget(hwnd);  // the owner's: only it destroys the window
}

}  // namespace win32::messages

using namespace win32;
using namespace win32::messages;

// A window of another thread of this process is sent to as another
// process's would be: its own thread runs the procedure.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto proc = windows::OwnProc(HandleValue(hwnd))) return (*proc)(hwnd, message, wParam, lParam);
  return SendRemote(hwnd, message, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA || wire::CarriesPointer(message)) return Fail(ERROR_INVALID_PARAMETER);
  if (auto owner = windows::OwnerQueue(HandleValue(hwnd))) {
    owner->Post(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
    return TRUE;
  }
  Socket conn(desktop::Connect(HandleValue(hwnd)));
  const wire::FrameHeader frame = wire::MakeRequest(wire::FrameKind::kPost, message, wParam, lParam);
  if (!conn || !desktop::WriteAll(conn.get(), &frame, sizeof frame)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  return TRUE;
}

void PostQuitMessage(int exitCode) { CurrentQueue().Quit(exitCode); }

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
  PollOnce(nullptr, 0, nullptr);  // serve what was sent meanwhile
  return CurrentQueue().Take(msg, hwnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL WaitMessage() {
  if (CurrentQueue().Waiting()) return TRUE;
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
