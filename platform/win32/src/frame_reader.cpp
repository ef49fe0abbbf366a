#include "frame_reader.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace win32::connections {

namespace {

// Payload memory follows the bytes that came: a header that announces a
// large frame costs nothing until its bytes arrive.
constexpr std::size_t kFirstChunk = 256 * 1024;

// One non-blocking read: bytes read, 0 at a hang-up, -1 when nothing is
// there now, -2 on an error.
ssize_t ReadSome(int fd, BYTE* into, std::size_t size) {
  for (;;) {
    const ssize_t n = ::recv(fd, into, size, MSG_DONTWAIT);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : -2;
  }
}

}  // namespace

FrameReader::Status FrameReader::Refuse(const char* why) {
  why_ = why;
  return Status::kRefused;
}

FrameReader::Status FrameReader::ReadFrom(int fd, Clock::time_point now) {
  auto* header = reinterpret_cast<BYTE*>(&frame_.header);
  constexpr std::size_t kHeaderSize = sizeof frame_.header;
  if (headerGot_ < kHeaderSize) {
    while (headerGot_ < kHeaderSize) {
      const ssize_t n = ReadSome(fd, header + headerGot_, kHeaderSize - headerGot_);
      if (n == -1) return Status::kPartial;
      if (n <= 0) return headerGot_ == 0 ? Status::kClosed : Refuse("truncated header");
      if (headerGot_ == 0) startedAt_ = now;
      headerGot_ += static_cast<std::size_t>(n);
    }
    if (const auto check = wire::CheckHeader(frame_.header); check != wire::FrameCheck::kOk)
      return Refuse(wire::FrameCheckText(check));
    if (static_cast<wire::FrameKind>(frame_.header.kind) == wire::FrameKind::kReply)
      return Refuse("reply without a request");
  }
  return ReadPayload(fd);
}

FrameReader::Status FrameReader::ReadPayload(int fd) {
  const std::size_t size = frame_.header.payloadSize;
  while (payloadGot_ < size) {
    if (payloadGot_ == capacity_) {
      const std::size_t next = std::min(size, capacity_ == 0 ? kFirstChunk : capacity_ * 2);
      auto bigger = std::make_unique_for_overwrite<BYTE[]>(next);
      if (payloadGot_) std::memcpy(bigger.get(), frame_.payload.get(), payloadGot_);
      frame_.payload = std::move(bigger);
      capacity_ = next;
    }
    const ssize_t n = ReadSome(fd, frame_.payload.get() + payloadGot_, capacity_ - payloadGot_);
    if (n == -1) return Status::kPartial;
    if (n <= 0) return Refuse("truncated payload");
    payloadGot_ += static_cast<std::size_t>(n);
  }
  return Status::kFrame;
}

Frame FrameReader::Take() {
  Frame out = std::move(frame_);
  *this = FrameReader();
  return out;
}

}  // namespace win32::connections
