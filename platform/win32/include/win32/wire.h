// The frames that carry window messages between processes. Every window of
// the desktop listens on its own Unix socket; a sender opens one connection
// per message, writes one request frame and, for a sent message, reads one
// reply frame back. This header is the whole protocol.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win32::wire {

constexpr std::uint32_t kFrameMagic = 0x57464B42;  // "BKFW" little-endian
constexpr std::uint16_t kFrameVersion = 1;
// Larger payloads are refused: no request of the engines comes near it, and a
// corrupt size must not make the receiver allocate without bound.
constexpr std::uint32_t kMaxPayload = 64u << 20;

enum class FrameKind : std::uint16_t {
  kSend = 1,   // SendMessageW: the sender waits for a kReply frame
  kPost = 2,   // PostMessageW: queued by the receiver, no reply
  kReply = 3,  // the LRESULT of a kSend
};

// Fixed header, little-endian, followed by payloadSize bytes.
struct FrameHeader {
  std::uint32_t magic;        // kFrameMagic
  std::uint16_t version;      // kFrameVersion
  std::uint16_t kind;         // FrameKind
  std::uint32_t message;      // the window message (0 in a reply)
  std::uint32_t payloadSize;  // bytes after the header: cbData for WM_COPYDATA, else 0
  std::uint64_t wParam;
  std::int64_t lParam;        // plain messages only; WM_COPYDATA's lParam is rebuilt by the receiver
  std::uint64_t dwData;       // WM_COPYDATA: COPYDATASTRUCT::dwData, all 64 bits
  std::uint32_t cbData;       // WM_COPYDATA: COPYDATASTRUCT::cbData (equals payloadSize)
  std::uint32_t flags;        // kNullCopyData when WM_COPYDATA came without a COPYDATASTRUCT
  std::int64_t result;        // kReply: the LRESULT
};
static_assert(sizeof(FrameHeader) == 56, "the frame header is part of the protocol");

constexpr std::uint32_t kNullCopyData = 1;

// The message whose payload is a COPYDATASTRUCT's bytes.
constexpr std::uint32_t kCopyDataMessage = 0x004A;

// A request or reply header as its sender would write it.
FrameHeader MakeRequest(FrameKind kind, std::uint32_t message, std::uint64_t wParam, std::int64_t lParam);
FrameHeader MakeCopyData(std::uint64_t wParam, std::uint64_t dwData, std::uint32_t cbData);
FrameHeader MakeReply(std::int64_t result);

enum class FrameCheck {
  kOk,
  kBadMagic,
  kBadVersion,
  kBadKind,
  kTooLarge,
  kBadSize,     // payload size that does not fit the kind of frame
  kBadFlags,
  kPointerParam,  // a message whose lParam points into the sender's memory
};
// Whether a received header may be acted on; anything but kOk drops the connection.
FrameCheck CheckHeader(const FrameHeader& header);
const char* FrameCheckText(FrameCheck check);

// Messages whose lParam is a pointer: meaningless in another process, so they
// never travel (WM_COPYDATA's bytes are carried instead).
bool CarriesPointer(std::uint32_t message);

}  // namespace win32::wire
