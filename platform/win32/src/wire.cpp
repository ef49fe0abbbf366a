#include "win32/wire.h"

#include <bit>

namespace win32::wire {

static_assert(std::endian::native == std::endian::little, "frames are written in host order");

namespace {
FrameHeader Blank(FrameKind kind) {
  FrameHeader h{};
  h.magic = kFrameMagic;
  h.version = kFrameVersion;
  h.kind = static_cast<std::uint16_t>(kind);
  return h;
}
}  // namespace

FrameHeader MakeRequest(FrameKind kind, std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
  FrameHeader h = Blank(kind);
  h.message = message;
  h.wParam = wParam;
  h.lParam = lParam;
  return h;
}

FrameHeader MakeCopyData(std::uint64_t wParam, std::uint64_t dwData, std::uint32_t cbData) {
  FrameHeader h = Blank(FrameKind::kSend);
  h.message = kCopyDataMessage;
  h.wParam = wParam;
  h.dwData = dwData;
  h.cbData = cbData;
  h.payloadSize = cbData;
  return h;
}

FrameHeader MakeReply(std::int64_t result) {
  FrameHeader h = Blank(FrameKind::kReply);
  h.result = result;
  return h;
}

bool CarriesPointer(std::uint32_t message) {
  // WM_CREATE, WM_SETTEXT, WM_GETTEXT, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,
  // WM_NCCREATE, WM_NCCALCSIZE.
  static constexpr std::uint32_t kPointerMessages[] = {0x0001, 0x000C, 0x000D, 0x0046, 0x0047, 0x0081, 0x0083};
  for (std::uint32_t m : kPointerMessages)
    if (m == message) return true;
  return false;
}

FrameCheck CheckHeader(const FrameHeader& h) {
  if (h.magic != kFrameMagic) return FrameCheck::kBadMagic;
  if (h.version != kFrameVersion) return FrameCheck::kBadVersion;
  if (h.payloadSize > kMaxPayload) return FrameCheck::kTooLarge;
  switch (static_cast<FrameKind>(h.kind)) {
    case FrameKind::kSend:
      if (h.message == kCopyDataMessage) {
        if (h.cbData != h.payloadSize) return FrameCheck::kBadSize;
        if ((h.flags & ~kNullCopyData) != 0) return FrameCheck::kBadFlags;
        if ((h.flags & kNullCopyData) && h.payloadSize != 0) return FrameCheck::kBadSize;
        return FrameCheck::kOk;
      }
      [[fallthrough]];
    case FrameKind::kPost:
      if (h.message == kCopyDataMessage || h.payloadSize != 0 || h.cbData != 0) return FrameCheck::kBadSize;
      if (h.flags != 0) return FrameCheck::kBadFlags;
      if (CarriesPointer(h.message)) return FrameCheck::kPointerParam;
      return FrameCheck::kOk;
    case FrameKind::kReply:
      if (h.payloadSize != 0 || h.cbData != 0) return FrameCheck::kBadSize;
      if (h.flags != 0) return FrameCheck::kBadFlags;
      return FrameCheck::kOk;
  }
  return FrameCheck::kBadKind;
}

const char* FrameCheckText(FrameCheck check) {
  switch (check) {
    case FrameCheck::kOk: return "ok";
    case FrameCheck::kBadMagic: return "not a message frame";
    case FrameCheck::kBadVersion: return "unknown frame version";
    case FrameCheck::kBadKind: return "unknown frame kind";
    case FrameCheck::kTooLarge: return "payload larger than the limit";
    case FrameCheck::kBadSize: return "payload size does not fit the frame";
    case FrameCheck::kBadFlags: return "unknown frame flags";
    case FrameCheck::kPointerParam: return "message carries a pointer";
  }
  return "?";
}

}  // namespace win32::wire
