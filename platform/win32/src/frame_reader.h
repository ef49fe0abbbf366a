// One request frame assembled from a non-blocking connection as its bytes
// arrive. A window never waits on one sender: it takes what a connection
// holds, keeps the part, and serves the others meanwhile.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "win32/types.h"
#include "win32/wire.h"

namespace win32::connections {

using Clock = std::chrono::steady_clock;

// A whole frame taken off a connection.
struct Frame {
  wire::FrameHeader header{};
  std::unique_ptr<BYTE[]> payload;  // header.payloadSize bytes
};

class FrameReader {
 public:
  enum class Status {
    kPartial,  // the socket holds no more of the frame for now
    kFrame,    // a whole frame is in: Take() it
    kClosed,   // the peer hung up between frames
    kRefused,  // the peer hung up inside a frame, or sent what is refused: Why()
  };

  // Reads what `fd` holds of the current frame, never past its end.
  Status ReadFrom(int fd, Clock::time_point now);
  Frame Take();

  // Whether part of a frame is in, and since when.
  bool Started() const { return headerGot_ > 0; }
  Clock::time_point StartedAt() const { return startedAt_; }
  const char* Why() const { return why_; }

 private:
  Status Refuse(const char* why);
  Status ReadPayload(int fd);

  Frame frame_;
  std::size_t headerGot_ = 0;
  std::size_t payloadGot_ = 0;
  std::size_t capacity_ = 0;  // of frame_.payload; grows with the bytes that came
  Clock::time_point startedAt_{};
  const char* why_ = nullptr;
};

}  // namespace win32::connections
