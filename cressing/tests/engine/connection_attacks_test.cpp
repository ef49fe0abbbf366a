// The engine's window against peers that misuse its socket: frames sent a
// byte at a time, thousands of connections held open, and a process out of
// descriptors. The engine goes on answering the others throughout.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "cressing_engine.h"
#include "win32/wire.h"

namespace {

using cressing_test::CressingEngine;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// How long a frame may take to come whole once its first byte is in.
constexpr auto kFrameLimit = 5s;

fs::path SocketOf(HWND window) {
  char name[16];
  std::snprintf(name, sizeof name, "%08x.sock", static_cast<unsigned>(win32::HandleValue(window)));
  return win32::DesktopFolder() / name;
}

// One attempt at a connection to the window, as any process of the user
// may open one; -1 when the window's queue of connections is full.
int ConnectOnce(HWND window) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string path = SocketOf(window).string();
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

int Connect(HWND window, Clock::time_point until) {
  for (;;) {
    if (const int fd = ConnectOnce(window); fd >= 0 || Clock::now() >= until) return fd;
    std::this_thread::sleep_for(1ms);
  }
}

// WM_STOP_EXPORT on a connection of its own, waiting at most `limit`: the
// engine answers 1 when it serves it.
std::optional<LRESULT> StopExportWithin(HWND window, std::chrono::milliseconds limit) {
  const auto until = Clock::now() + limit;
  const int fd = Connect(window, until);
  if (fd < 0) return std::nullopt;
  const auto request = win32::wire::MakeRequest(win32::wire::FrameKind::kSend, WM_STOP_EXPORT, 0, 0);
  win32::wire::FrameHeader reply{};
  std::size_t got = 0;
  bool sent = ::send(fd, &request, sizeof request, MSG_NOSIGNAL) == sizeof request;
  while (sent && got < sizeof reply && Clock::now() < until) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    const ssize_t n = ::recv(fd, reinterpret_cast<char*>(&reply) + got, sizeof reply - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got != sizeof reply) return std::nullopt;
  return reply.result;
}

std::vector<BYTE> FrameBytes(const win32::wire::FrameHeader& header, std::size_t payload = 0) {
  std::vector<BYTE> bytes(sizeof header + payload);
  std::memcpy(bytes.data(), &header, sizeof header);
  return bytes;
}

// Writes all of a frame but its last byte: `first` bytes at once, then one
// byte every 200 ms, until the engine hangs up or `stop`.
class Dribbler {
 public:
  Dribbler(HWND window, std::vector<BYTE> frame, std::size_t first)
      : fd_(Connect(window, Clock::now() + 5s)), frame_(std::move(frame)) {
    if (fd_ >= 0) thread_ = std::thread([this, first] { Run(first); });
  }
  ~Dribbler() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
  }
  bool Connected() const { return fd_ >= 0; }
  // How long after its first byte the engine hung up, once the thread ended.
  std::optional<Clock::duration> HungUpAfter() {
    if (thread_.joinable()) thread_.join();
    return hungUpAfter_;
  }
  std::size_t Sent() const { return sent_; }

 private:
  void Run(std::size_t first) {
    const auto start = Clock::now();
    sent_ = static_cast<std::size_t>(std::max<ssize_t>(0, ::send(fd_, frame_.data(), first, MSG_NOSIGNAL)));
    while (!stop_ && Clock::now() - start < 3 * kFrameLimit) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 200) > 0) {
        char byte;
        if (::recv(fd_, &byte, 1, MSG_DONTWAIT) <= 0) {
          hungUpAfter_ = Clock::now() - start;
          return;
        }
      }
      if (sent_ + 1 < frame_.size() && ::send(fd_, &frame_[sent_], 1, MSG_NOSIGNAL) == 1) ++sent_;
    }
  }

  int fd_;
  std::vector<BYTE> frame_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> sent_{0};
  std::optional<Clock::duration> hungUpAfter_;
};

std::size_t OpenDescriptors(pid_t pid) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) ++n;
  return n;
}

// User and system time the process has used, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

TEST_F(CressingEngine, SlowSendersNeitherHoldTheEngineNorKeepTheirConnections) {
  Start();
  using namespace win32::wire;
  // One stalls inside a header, the other inside the record of a CD_LOGON.
  Dribbler inHeader(window_, FrameBytes(MakeRequest(FrameKind::kSend, WM_STOP_EXPORT, 0, 0)), 10);
  Dribbler inPayload(window_, FrameBytes(MakeCopyData(0, CD_LOGON, sizeof(LOGON_INFO)), sizeof(LOGON_INFO)),
                     sizeof(FrameHeader) + 100);
  ASSERT_TRUE(inHeader.Connected() && inPayload.Connected());
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(StopExportWithin(window_, 2s), 1) << "asked while they dribble, round " << i;
    std::this_thread::sleep_for(100ms);
  }
  for (Dribbler* d : {&inHeader, &inPayload}) {
    const auto after = d->HungUpAfter();
    ASSERT_TRUE(after) << "the engine kept a frame coming a byte at a time";
    EXPECT_LT(*after, kFrameLimit + 2s) << "the limit is for the whole frame, not for each byte";
    EXPECT_GT(d->Sent(), 20u) << "the bytes kept coming";
  }
  EXPECT_EQ(Message(WM_STOP_EXPORT), 1);
}

TEST_F(CressingEngine, APeerThatNeverReadsItsAnswersIsLetGo) {
  Start();
  const int fd = Connect(window_, Clock::now() + 5s);
  ASSERT_GE(fd, 0);
  // Requests without end, none of the answers read: once they fill the
  // connection the engine cannot answer at once and hangs up.
  const auto request = win32::wire::MakeRequest(win32::wire::FrameKind::kSend, WM_NULL, 0, 0);
  const std::vector<BYTE> one = FrameBytes(request);
  std::vector<BYTE> burst;
  for (int i = 0; i < 64; ++i) burst.insert(burst.end(), one.begin(), one.end());
  std::size_t offset = 0;
  bool hungUp = false;
  for (const auto until = Clock::now() + 10s; !hungUp && Clock::now() < until;) {
    const std::size_t at = offset % burst.size();
    const ssize_t n = ::send(fd, burst.data() + at, burst.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) offset += static_cast<std::size_t>(n);
    else if (errno == EAGAIN) std::this_thread::sleep_for(10ms);
    else hungUp = true;
  }
  EXPECT_TRUE(hungUp);
  EXPECT_EQ(StopExportWithin(window_, 2s), 1);
  ::close(fd);
}

TEST_F(CressingEngine, ThousandsOfConnectionsHeldOpenAreNotAllKept) {
  Start();
  rlimit files{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
  const rlimit before = files;
  files.rlim_cur = std::min<rlim_t>(files.rlim_max, 4096);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &files), 0);
  const std::size_t wanted = std::min<std::size_t>(2000, files.rlim_cur - 100);
  std::vector<int> held;
  const auto until = Clock::now() + 20s;
  while (held.size() < wanted) {
    const int fd = Connect(window_, until);
    if (fd < 0) break;
    held.push_back(fd);
  }
  EXPECT_EQ(held.size(), wanted) << "the engine took every connection off its queue";
  EXPECT_EQ(StopExportWithin(window_, 5s), 1);
  EXPECT_LT(OpenDescriptors(engine_->Pid()), 200u) << "the idlest connections were closed";
  EXPECT_EQ(Message(WM_STOP_EXPORT), 1);
  for (int fd : held) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &before);
}

TEST_F(CressingEngine, OutOfDescriptorsItWaitsToAcceptInsteadOfSpinning) {
  Start();
  ASSERT_EQ(Message(WM_STOP_EXPORT), 1);
  const pid_t pid = engine_->Pid();
  rlimit normal{};
  ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, nullptr, &normal), 0);
  // Fewer descriptors than it holds: no accept can succeed, whatever it closes.
  const rlimit tight{OpenDescriptors(pid) - 3, normal.rlim_max};
  if (::prlimit(pid, RLIMIT_NOFILE, &tight, nullptr) != 0) GTEST_SKIP() << "cannot limit the engine's descriptors";
  const int waiting = Connect(window_, Clock::now() + 5s);
  ASSERT_GE(waiting, 0);
  std::this_thread::sleep_for(100ms);
  const double cpuBefore = CpuSeconds(pid);
  std::this_thread::sleep_for(1s);
  EXPECT_LT(CpuSeconds(pid) - cpuBefore, 0.25) << "seconds of CPU in one second of waiting for descriptors";
  ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &normal, nullptr), 0);
  EXPECT_EQ(StopExportWithin(window_, 5s), 1) << "accepting again once descriptors are free";
  EXPECT_EQ(Message(WM_STOP_EXPORT), 1);
  ::close(waiting);
}

}  // namespace
