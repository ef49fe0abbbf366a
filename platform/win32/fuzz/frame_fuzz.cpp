// libFuzzer target: message frames as a peer's connection delivers them,
// in pieces of any size. The first input byte chooses the pieces, the rest
// is the byte stream. The stream goes twice through the message layer:
//   - into one FrameReader over a socket pair, whose frames and final
//     status must match a plain reading of the whole stream;
//   - onto a window of this process, whose procedure and queue must see
//     exactly those frames' messages, with a reply for each sent one.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "desktop.h"
#include "frame_reader.h"
#include "testing/fuzz.h"
#include "win32/window.h"
#include "win32/wire.h"

namespace {

namespace wire = win32::wire;
using win32::connections::FrameReader;

// A message as the window sees it.
struct Seen {
  UINT message = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;  // plain messages
  std::uint64_t dwData = 0;
  bool null = false;  // WM_COPYDATA without a COPYDATASTRUCT
  std::string bytes;
  bool operator==(const Seen&) const = default;
};

// What a plain reading of the whole stream gives: its frames, then either a
// clean end or the reason the connection is refused.
struct Reading {
  std::vector<wire::FrameHeader> headers;
  std::vector<std::string> payloads;
  std::vector<std::size_t> ends;  // offset just past each frame
  const char* refused = nullptr;
  std::size_t refusedAt = 0;  // bytes that must be in before the refusal shows
};

Reading Read(const std::uint8_t* data, std::size_t size) {
  Reading r;
  std::size_t at = 0;
  while (at < size) {
    wire::FrameHeader h;
    if (size - at < sizeof h) {
      r.refused = "truncated header";
      r.refusedAt = size;
      return r;
    }
    std::memcpy(&h, data + at, sizeof h);
    if (const auto check = wire::CheckHeader(h); check != wire::FrameCheck::kOk) {
      r.refused = wire::FrameCheckText(check);
      r.refusedAt = at + sizeof h;
      return r;
    }
    if (static_cast<wire::FrameKind>(h.kind) == wire::FrameKind::kReply) {
      r.refused = "reply without a request";
      r.refusedAt = at + sizeof h;
      return r;
    }
    if (size - at - sizeof h < h.payloadSize) {
      r.refused = "truncated payload";
      r.refusedAt = size;
      return r;
    }
    r.headers.push_back(h);
    r.payloads.emplace_back(reinterpret_cast<const char*>(data + at + sizeof h), h.payloadSize);
    at += sizeof h + h.payloadSize;
    r.ends.push_back(at);
  }
  return r;
}

Seen SeenOf(const wire::FrameHeader& h, const std::string& payload) {
  Seen s;
  s.message = h.message;
  s.wParam = h.wParam;
  if (h.message == WM_COPYDATA) {
    s.null = (h.flags & wire::kNullCopyData) != 0;
    s.dwData = s.null ? 0 : h.dwData;
    s.bytes = payload;
  } else {
    s.lParam = h.lParam;
  }
  return s;
}

// The pieces the stream is written in: all at once for 0, else sizes of 1
// to 2 * `choice` bytes from a small generator.
std::vector<std::size_t> Pieces(std::uint8_t choice, std::size_t size) {
  std::vector<std::size_t> out;
  std::uint32_t state = choice * 2654435761u + 1;
  for (std::size_t at = 0; at < size;) {
    std::size_t n = size - at;
    if (choice) {
      state ^= state << 13, state ^= state >> 17, state ^= state << 5;
      n = std::min(n, std::size_t{1} + state % (2u * choice));
    }
    out.push_back(n);
    at += n;
  }
  return out;
}

// --- the reader alone

void CheckReader(const std::uint8_t* data, const std::vector<std::size_t>& pieces, const Reading& expected) {
  int fds[2];
  FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0);
  FrameReader reader;
  std::size_t frames = 0;
  std::size_t written = 0;
  const char* refused = nullptr;
  auto readWhatCame = [&](bool ended) {
    for (;;) {
      const auto status = reader.ReadFrom(fds[0], win32::connections::Clock::now());
      if (status == FrameReader::Status::kPartial) {
        FUZZ_CHECK(!ended);
        return;
      }
      if (status == FrameReader::Status::kFrame) {
        FUZZ_CHECK(frames < expected.headers.size() && expected.ends[frames] <= written);
        const auto frame = reader.Take();
        FUZZ_CHECK(std::memcmp(&frame.header, &expected.headers[frames], sizeof frame.header) == 0);
        const std::string& payload = expected.payloads[frames];
        FUZZ_CHECK(payload.empty() || std::memcmp(frame.payload.get(), payload.data(), payload.size()) == 0);
        FUZZ_CHECK(!reader.Started());
        ++frames;
        continue;
      }
      if (status == FrameReader::Status::kClosed) {
        FUZZ_CHECK(ended && !expected.refused && frames == expected.headers.size());
      } else {
        refused = reader.Why();
        FUZZ_CHECK(expected.refused && std::strcmp(refused, expected.refused) == 0);
        FUZZ_CHECK(written >= expected.refusedAt && frames == expected.headers.size());
      }
      return;
    }
  };
  for (std::size_t piece : pieces) {
    FUZZ_CHECK(::send(fds[1], data + written, piece, MSG_NOSIGNAL) == static_cast<ssize_t>(piece));
    written += piece;
    readWhatCame(false);
    if (refused) break;
  }
  if (!refused) {
    ::shutdown(fds[1], SHUT_WR);
    readWhatCame(true);
  }
  ::close(fds[0]);
  ::close(fds[1]);
}

// --- the same stream onto a window

std::vector<Seen> g_sent;  // what the window procedure was given

LRESULT Recorder(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  Seen s;
  s.message = message;
  s.wParam = wParam;
  if (message == WM_COPYDATA) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    s.null = cds == nullptr;
    if (cds) {
      s.dwData = cds->dwData;
      FUZZ_CHECK(cds->cbData == 0 || cds->lpData);
      s.bytes.assign(static_cast<const char*>(cds->lpData), cds->cbData);
    }
  } else {
    s.lParam = lParam;
  }
  g_sent.push_back(std::move(s));
  return static_cast<LRESULT>(g_sent.size() * 1000 + message);
}

HWND g_window = nullptr;

void MakeWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Recorder;
  wc.lpszClassName = u"FrameFuzz";
  RegisterClassW(&wc);
  g_window = CreateWindowExW(0, u"FrameFuzz", u"frame fuzz", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  FUZZ_CHECK(g_window != nullptr);
}

// Lets the window serve what arrived: one frame a round per connection.
void Serve(std::vector<Seen>& posted, int rounds) {
  for (int i = 0; i < rounds; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      Seen s;
      s.message = msg.message;
      s.wParam = msg.wParam;
      s.lParam = msg.lParam;
      posted.push_back(s);
    }
  }
}

void TakeReplies(int fd, std::string& replies) {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n <= 0) return;
    replies.append(buf, static_cast<std::size_t>(n));
  }
}

void CheckWindow(const std::uint8_t* data, const std::vector<std::size_t>& pieces, const Reading& expected) {
  const int fd = win32::desktop::Connect(win32::HandleValue(g_window));
  FUZZ_CHECK(fd >= 0);
  g_sent.clear();
  std::vector<Seen> posted;
  std::string replies;
  std::size_t written = 0;
  for (std::size_t piece : pieces) {
    if (::send(fd, data + written, piece, MSG_NOSIGNAL) != static_cast<ssize_t>(piece)) break;  // refused
    written += piece;
    Serve(posted, 2 + static_cast<int>(piece / sizeof(wire::FrameHeader)));
    TakeReplies(fd, replies);
  }
  ::shutdown(fd, SHUT_WR);
  Serve(posted, 2);
  TakeReplies(fd, replies);
  ::close(fd);
  Serve(posted, 1);

  std::vector<Seen> wantSent, wantPosted;
  for (std::size_t i = 0; i < expected.headers.size(); ++i) {
    const wire::FrameHeader& h = expected.headers[i];
    (static_cast<wire::FrameKind>(h.kind) == wire::FrameKind::kPost ? wantPosted : wantSent)
        .push_back(SeenOf(h, expected.payloads[i]));
  }
  FUZZ_CHECK(g_sent == wantSent);
  FUZZ_CHECK(posted == wantPosted);
  // One reply a sent message, carrying the procedure's answer.
  FUZZ_CHECK(replies.size() == wantSent.size() * sizeof(wire::FrameHeader));
  for (std::size_t i = 0; i < wantSent.size(); ++i) {
    wire::FrameHeader reply;
    std::memcpy(&reply, replies.data() + i * sizeof reply, sizeof reply);
    FUZZ_CHECK(wire::CheckHeader(reply) == wire::FrameCheck::kOk);
    FUZZ_CHECK(reply.result == static_cast<std::int64_t>((i + 1) * 1000 + wantSent[i].message));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testing_support::FuzzMachine();
  MakeWindow();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t choice = data[0];
  const std::uint8_t* stream = data + 1;
  const std::size_t streamSize = size - 1;
  const Reading expected = Read(stream, streamSize);
  const std::vector<std::size_t> pieces = Pieces(choice, streamSize);
  CheckReader(stream, pieces, expected);
  CheckWindow(stream, pieces, expected);
  return 0;
}
