// Messages between processes: the sender blocks for the answer, serves call-backs
// meanwhile, and learns at once when the target is gone.
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "peer.h"
#include "testing/temp_machine.h"
#include "win32/errors.h"
#include "win32/machine.h"
#include "win32/window.h"
#include "win32/wire.h"
#include "desktop.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr UINT WM_NEST = WM_USER + 1;     // lParam: depth still to go
constexpr UINT WM_ECHO_BACK = WM_USER + 2;
constexpr UINT WM_DIE = WM_USER + 3;
constexpr ULONG_PTR kEchoCode = 0x1122334400000409ull;

// Both sides of the nesting test: depth 0 answers 1000; deeper levels call the
// sender (wParam) back with one level less and add one to its answer.
LRESULT Nesting(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_NEST) return DefWindowProcW(self, message, wParam, lParam);
  if (lParam == 0) return 1000;
  return SendMessageW(reinterpret_cast<HWND>(wParam), WM_NEST, reinterpret_cast<WPARAM>(self), lParam - 1) + 1;
}

// Sends every WM_COPYDATA it receives back to the sender (wParam), with the
// same code and bytes; answers with the sender's answer plus the size it saw.
LRESULT Peer(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA: {
      auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lParam);
      if (!cds) return -1;
      COPYDATASTRUCT back{cds->dwData, cds->cbData, cds->lpData};
      return SendMessageW(reinterpret_cast<HWND>(wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(self),
                          reinterpret_cast<LPARAM>(&back)) +
             cds->cbData;
    }
    case WM_NEST:
      return Nesting(self, message, wParam, lParam);
    case WM_DIE:
      ::_exit(3);
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(self, message, wParam, lParam);
  }
}

int ServePeer() {
  if (!peer::MakeWindow(u"peer", Peer)) return 9;
  return peer::RunLoop();
}

struct Received {
  ULONG_PTR code = 0;
  std::vector<BYTE> bytes;
  HWND from = nullptr;
};
Received g_received;

LRESULT Requester(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    const BYTE* p = static_cast<const BYTE*>(cds->lpData);
    g_received = {cds->dwData, std::vector<BYTE>(p, p + cds->cbData), reinterpret_cast<HWND>(wParam)};
    return 7;
  }
  return Nesting(self, message, wParam, lParam);
}

fs::path SocketOf(HWND hwnd) {
  char name[16];
  std::snprintf(name, sizeof name, "%08x.sock", static_cast<unsigned>(win32::HandleValue(hwnd)));
  return win32::DesktopFolder() / name;
}

class CrossProcess : public ::testing::Test {
 protected:
  // The peer is forked before this process makes a window of its own.
  void StartPeer() {
    peer_ = std::make_unique<peer::Process>(ServePeer);
    target_ = peer::WaitForWindow(u"peer");
    ASSERT_NE(target_, nullptr);
    self_ = peer::MakeWindow(u"requester", Requester);
    ASSERT_NE(self_, nullptr);
  }

  testing_support::TempMachine machine_;
  std::unique_ptr<peer::Process> peer_;
  HWND target_ = nullptr;
  HWND self_ = nullptr;
};

TEST_F(CrossProcess, CopyDataRoundTripKeepsBytesAndWholeDwData) {
  StartPeer();
  std::vector<BYTE> record(45026);
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<BYTE>(i * 31 + (i >> 8));
  COPYDATASTRUCT cds{kEchoCode, static_cast<DWORD>(record.size()), record.data()};
  const LRESULT r = SendMessageW(target_, WM_COPYDATA, reinterpret_cast<WPARAM>(self_), reinterpret_cast<LPARAM>(&cds));
  EXPECT_EQ(r, 7 + 45026) << "the peer's answer includes ours, given while it waited";
  EXPECT_EQ(g_received.code, kEchoCode) << "upper half of dwData intact";
  EXPECT_EQ(g_received.from, target_);
  EXPECT_EQ(g_received.bytes, record);

  COPYDATASTRUCT empty{5, 0, nullptr};
  EXPECT_EQ(SendMessageW(target_, WM_COPYDATA, reinterpret_cast<WPARAM>(self_), reinterpret_cast<LPARAM>(&empty)), 7);
  EXPECT_TRUE(g_received.bytes.empty());
  EXPECT_EQ(SendMessageW(target_, WM_COPYDATA, reinterpret_cast<WPARAM>(self_), 0), -1)
      << "no COPYDATASTRUCT stays none";
}

TEST_F(CrossProcess, CallBacksNestThreeDeep) {
  StartPeer();
  // We ask the peer (depth 3); it asks us (2); we ask it (1); it asks us (0).
  EXPECT_EQ(SendMessageW(target_, WM_NEST, reinterpret_cast<WPARAM>(self_), 3), 1003);
  EXPECT_EQ(SendMessageW(target_, WM_NEST, reinterpret_cast<WPARAM>(self_), 6), 1006);
}

TEST_F(CrossProcess, DeadTargetAnswersZeroAtOnce) {
  StartPeer();
  // Answered once, so the connection to it is kept for the next message.
  ASSERT_EQ(SendMessageW(target_, WM_NEST, reinterpret_cast<WPARAM>(self_), 0), 1000);
  peer_->Kill();
  const auto start = std::chrono::steady_clock::now();
  SetLastError(0);
  EXPECT_EQ(SendMessageW(target_, WM_NEST, reinterpret_cast<WPARAM>(self_), 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_FALSE(IsWindow(target_));

  // The killed peer left its socket behind; looking for it clears it away.
  const fs::path sock = SocketOf(target_);
  ASSERT_TRUE(fs::exists(sock));
  EXPECT_EQ(FindWindowW(nullptr, u"peer"), nullptr);
  EXPECT_FALSE(fs::exists(sock));
}

TEST_F(CrossProcess, TargetDyingBeforeItAnswersGivesZero) {
  StartPeer();
  ASSERT_EQ(SendMessageW(target_, WM_NEST, reinterpret_cast<WPARAM>(self_), 0), 1000);
  SetLastError(0);
  EXPECT_EQ(SendMessageW(target_, WM_DIE, 0, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(peer_->Wait(), 3);
}

TEST_F(CrossProcess, PostedCloseEndsThePeersLoop) {
  StartPeer();
  ASSERT_TRUE(PostMessageW(target_, WM_CLOSE, 0, 0));
  EXPECT_EQ(peer_->Wait(), 0);
  EXPECT_FALSE(fs::exists(SocketOf(target_))) << "a destroyed window removes its socket";
}

// Raw frames written straight to the peer's socket.
struct BadFrame {
  const char* name;
  std::vector<BYTE> bytes;
};

std::vector<BYTE> Bytes(const win32::wire::FrameHeader& h, std::size_t payload = 0, std::size_t cut = 0) {
  std::vector<BYTE> out(sizeof h + payload, 0xAB);
  std::memcpy(out.data(), &h, sizeof h);
  out.resize(out.size() - cut);
  return out;
}

std::vector<BadFrame> BadFrames() {
  using namespace win32::wire;
  FrameHeader good = MakeRequest(FrameKind::kSend, WM_NEST, 0, 0);
  FrameHeader magic = good, version = good, kind = good, reply = MakeReply(1);
  magic.magic = 0x12345678;
  version.version = 2;
  kind.kind = 9;
  FrameHeader huge = MakeCopyData(0, 1, kMaxPayload + 1);
  FrameHeader mismatch = MakeCopyData(0, 1, 100);
  mismatch.cbData = 99;
  FrameHeader pointer = MakeRequest(FrameKind::kSend, WM_SETTEXT, 0, 0x1000);
  FrameHeader plainWithPayload = good;
  plainWithPayload.payloadSize = 4;
  return {
      {"bad magic", Bytes(magic)},
      {"bad version", Bytes(version)},
      {"unknown kind", Bytes(kind)},
      {"reply as request", Bytes(reply)},
      {"truncated header", Bytes(good, 0, 20)},
      {"payload over the limit", Bytes(huge)},
      {"cbData not the payload size", Bytes(mismatch, 100)},
      {"truncated payload", Bytes(MakeCopyData(0, 1, 100), 100, 40)},
      {"pointer message", Bytes(pointer)},
      {"plain message with payload", Bytes(plainWithPayload, 4)},
  };
}

TEST_F(CrossProcess, MalformedFramesAreDroppedAndTheWindowKeepsWorking) {
  StartPeer();
  for (const BadFrame& f : BadFrames()) {
    SCOPED_TRACE(f.name);
    const int fd = win32::desktop::Connect(win32::HandleValue(target_));
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(win32::desktop::WriteAll(fd, f.bytes.data(), f.bytes.size()));
    ::shutdown(fd, SHUT_WR);
    win32::wire::FrameHeader reply;
    EXPECT_EQ(win32::desktop::ReadAll(fd, &reply, sizeof reply), 0u) << "dropped without a reply";
    ::close(fd);
    EXPECT_EQ(SendMessageW(target_, WM_NEST, reinterpret_cast<WPARAM>(self_), 0), 1000);
  }
}

TEST_F(CrossProcess, AFrameArrivingInPiecesIsServedWhole) {
  using namespace win32::wire;
  StartPeer();
  // Larger than the first piece of memory the peer takes for a payload.
  std::vector<BYTE> record(300000);
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<BYTE>(i * 7 + (i >> 9));
  std::vector<BYTE> frame = Bytes(MakeCopyData(reinterpret_cast<std::uint64_t>(self_), kEchoCode, record.size()),
                                  record.size());
  std::memcpy(frame.data() + sizeof(FrameHeader), record.data(), record.size());
  const int fd = win32::desktop::Connect(win32::HandleValue(target_));
  ASSERT_GE(fd, 0);
  // Pieces of every size, the first inside the header, with pauses between.
  std::size_t at = 0;
  for (std::size_t piece : {std::size_t{1}, std::size_t{30}, std::size_t{40}, std::size_t{70000}}) {
    ASSERT_TRUE(win32::desktop::WriteAll(fd, frame.data() + at, piece));
    at += piece;
    std::this_thread::sleep_for(20ms);
  }
  ASSERT_TRUE(win32::desktop::WriteAll(fd, frame.data() + at, frame.size() - at));
  // The peer echoes the record to our window before it answers: serve it.
  g_received = {};
  FrameHeader reply{};
  std::size_t got = 0;
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (got < sizeof reply && std::chrono::steady_clock::now() < until) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    const ssize_t n = ::recv(fd, reinterpret_cast<char*>(&reply) + got, sizeof reply - got, MSG_DONTWAIT);
    if (n == 0) break;
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  ASSERT_EQ(got, sizeof reply);
  EXPECT_EQ(reply.result, static_cast<std::int64_t>(7 + record.size()));
  EXPECT_EQ(g_received.code, kEchoCode);
  EXPECT_TRUE(g_received.bytes == record) << "the record came back exactly";
}

TEST_F(CrossProcess, AConnectionServesFrameAfterFrameUntilOneIsRefused) {
  using namespace win32::wire;
  StartPeer();
  const int fd = win32::desktop::Connect(win32::HandleValue(target_));
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 3; ++i) {
    const FrameHeader request = MakeRequest(FrameKind::kSend, WM_NEST, 0, 0);
    ASSERT_TRUE(win32::desktop::WriteAll(fd, &request, sizeof request));
    FrameHeader reply;
    ASSERT_EQ(win32::desktop::ReadAll(fd, &reply, sizeof reply), sizeof reply);
    EXPECT_EQ(reply.result, 1000);
  }
  FrameHeader bad = MakeRequest(FrameKind::kSend, WM_NEST, 0, 0);
  bad.version = 2;
  ASSERT_TRUE(win32::desktop::WriteAll(fd, &bad, sizeof bad));
  FrameHeader reply;
  EXPECT_EQ(win32::desktop::ReadAll(fd, &reply, sizeof reply), 0u) << "the connection is dropped";
  ::close(fd);
  EXPECT_EQ(SendMessageW(target_, WM_NEST, reinterpret_cast<WPARAM>(self_), 0), 1000);
}

}  // namespace
