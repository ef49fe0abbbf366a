// The cost of one WM_COPYDATA round trip between two processes against the
// floor under it: a raw Unix-socket ping-pong carrying the same bytes (the
// record one way, an 8-byte answer back, on a connection kept open).
// Where the scheduler puts the peers weighs more than either path, so both
// are measured twice, pinned: all on one core, then the peers on another
// core than the sender.
//
//   sendmessage_bench [--iterations N]
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "win32/machine.h"
#include "win32/window.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kRecordSize = 40012;  // an ITEM_INFO record
constexpr int kWarmUp = 200;
constexpr int kRounds = 20;

LRESULT Receiver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) return static_cast<LRESULT>(reinterpret_cast<COPYDATASTRUCT*>(lParam)->cbData);
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeWindow(const char16_t* title, WNDPROC proc) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = title;
  RegisterClassW(&wc);
  return CreateWindowExW(0, title, title, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

pid_t Fork(int (*body)(int), int arg) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::_exit(body(arg));
  }
  return pid;
}

int ServeWindow(int) {
  if (!MakeWindow(u"bench receiver", Receiver)) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  return 0;
}

bool ReadFull(int fd, void* p, std::size_t n) {
  auto* c = static_cast<char*>(p);
  while (n) {
    const ssize_t r = ::read(fd, c, n);
    if (r <= 0) return false;
    c += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

bool WriteFull(int fd, const void* p, std::size_t n) {
  auto* c = static_cast<const char*>(p);
  while (n) {
    const ssize_t r = ::write(fd, c, n);
    if (r <= 0) return false;
    c += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

int g_senderEnd = -1;  // closed in the child, so that the sender's close ends it

int ServeRaw(int fd) {
  ::close(g_senderEnd);
  std::vector<char> buf(kRecordSize);
  for (;;) {
    if (!ReadFull(fd, buf.data(), buf.size())) return 0;
    const std::int64_t answer = static_cast<std::int64_t>(buf.size());
    if (!WriteFull(fd, &answer, sizeof answer)) return 0;
  }
}

// Times one round trip into `samples` (microseconds); false when it failed.
template <class RoundTrip>
bool Time(RoundTrip& roundTrip, std::vector<double>& samples) {
  const auto start = Clock::now();
  if (!roundTrip()) return false;
  samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  return true;
}

// Whole decimal numbers only; fewer than one run a round is raised to it.
bool ParseIterations(const char* text, int* out) {
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text, &end, 10);
  if (*text < '0' || *text > '9' || *end || errno || n < 1 || n > 100000000) return false;
  *out = std::max(kRounds, static_cast<int>(n));
  return true;
}

double Median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// The first two cores this process may run on; the second is -1 when there is one.
std::pair<int, int> TwoCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  std::pair<int, int> cores{-1, -1};
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return cores;
  for (int c = 0; c < CPU_SETSIZE; ++c) {
    if (!CPU_ISSET(c, &set)) continue;
    (cores.first < 0 ? cores.first : cores.second) = c;
    if (cores.second >= 0) break;
  }
  return cores;
}

bool Pin(pid_t pid, int core) {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(core, &set);
  return ::sched_setaffinity(pid, sizeof set, &set) == 0;
}

struct Placement {
  const char* name;
  int senderCore, peerCore;
};

}  // namespace

int main(int argc, char** argv) {
  int iterations = 4000;
  for (int i = 1; i < argc; ++i) {
    const bool help = std::strcmp(argv[i], "--help") == 0;
    if (std::strcmp(argv[i], "--iterations") == 0 && i + 1 < argc && ParseIterations(argv[i + 1], &iterations)) {
      ++i;
    } else {
      std::fputs("usage: sendmessage_bench [--iterations N]\n", help ? stdout : stderr);
      return help ? 0 : 2;
    }
  }

  // A machine root of our own, so that the desktop holds only our windows.
  char tmpl[] = "/tmp/brackenford-bench-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const fs::path root = fs::path(tmpl) / "machine";
  win32::InitMachineRoot(root);
  win32::SetMachineRoot(root);

  std::vector<BYTE> record(kRecordSize);
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<BYTE>(i);

  // Both peers are forked before this process has a window of its own.
  const pid_t windowPeer = Fork(ServeWindow, 0);
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 1;
  g_senderEnd = pair[0];
  const pid_t rawPeer = Fork(ServeRaw, pair[1]);
  ::close(pair[1]);

  HWND target = nullptr;
  for (int i = 0; i < 2000 && !target; ++i) {
    target = FindWindowW(nullptr, u"bench receiver");
    if (!target) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  HWND self = MakeWindow(u"bench sender", DefWindowProcW);
  if (!target || !self) {
    std::fprintf(stderr, "sendmessage_bench: the receiving window did not appear\n");
    return 1;
  }

  COPYDATASTRUCT cds{0x40700000407ull, static_cast<DWORD>(record.size()), record.data()};
  auto message = [&] {
    return SendMessageW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(self), reinterpret_cast<LPARAM>(&cds)) ==
           static_cast<LRESULT>(kRecordSize);
  };
  auto raw = [&] {
    std::int64_t answer = 0;
    return WriteFull(pair[0], record.data(), record.size()) && ReadFull(pair[0], &answer, sizeof answer) &&
           answer == static_cast<std::int64_t>(kRecordSize);
  };
  const auto [first, second] = TwoCores();
  std::vector<Placement> placements{{"one core", first, first}};
  if (second >= 0) placements.push_back({"two cores", first, second});

  // Measured in alternating rounds, so that the load of a shared machine
  // weighs on both alike.
  struct Result {
    const char* name;
    double message, raw;
  };
  std::vector<Result> results;
  bool ok = first >= 0;
  for (const Placement& place : placements) {
    ok = ok && Pin(0, place.senderCore) && Pin(windowPeer, place.peerCore) && Pin(rawPeer, place.peerCore);
    std::vector<double> messageUs, rawUs, discard;
    for (int i = 0; i < kWarmUp && ok; ++i) ok = Time(message, discard) && Time(raw, discard);
    for (int round = 0; round < kRounds && ok; ++round) {
      for (int i = 0; i < iterations / kRounds && ok; ++i) ok = Time(message, messageUs);
      for (int i = 0; i < iterations / kRounds && ok; ++i) ok = Time(raw, rawUs);
    }
    if (!ok || messageUs.empty() || rawUs.empty()) break;
    results.push_back({place.name, Median(messageUs), Median(rawUs)});
  }

  PostMessageW(target, WM_CLOSE, 0, 0);
  ::waitpid(windowPeer, nullptr, 0);
  ::close(pair[0]);
  ::waitpid(rawPeer, nullptr, 0);
  DestroyWindow(self);
  std::error_code ec;
  fs::remove_all(tmpl, ec);

  if (!ok) {
    std::fprintf(stderr, "sendmessage_bench: a round trip failed, or the peers could not be pinned\n");
    return 1;
  }
  const int runs = iterations / kRounds * kRounds;
  for (const Result& r : results) {
    std::printf("%s: WM_COPYDATA round trip, %zu bytes: median %.1f us (%d runs)\n", r.name, kRecordSize, r.message,
                runs);
    std::printf("%s: raw Unix-socket ping-pong, %zu bytes: median %.1f us (%d runs)\n", r.name, kRecordSize, r.raw,
                runs);
    std::printf("%s: ratio: %.2f (goal: at most 1.3)\n", r.name, r.message / r.raw);
  }
  return 0;
}
