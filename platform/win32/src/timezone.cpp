// The machine's time zone: offsets from tzdata through the C library, and
// the local file time conversions built on them.
#include <ctime>
#include <limits>

#include "win32/errors.h"
#include "win32/time.h"

namespace win32 {

std::int64_t UtcOffsetSecondsAt(std::int64_t unixSeconds) {
  // tzset() re-reads TZ; localtime_r alone may keep a zone read earlier.
  tzset();
  const time_t t = static_cast<time_t>(unixSeconds);
  tm local{};
  if (!localtime_r(&t, &local)) return 0;
  return local.tm_gmtoff;
}

std::int64_t CurrentUtcOffsetSeconds() { return UtcOffsetSecondsAt(static_cast<std::int64_t>(time(nullptr))); }

}  // namespace win32

namespace {

// Shifts a file time by whole seconds; false when the result leaves the
// range of valid file times (instead of wrapping around).
bool Shift(const FILETIME& in, std::int64_t seconds, FILETIME& out) {
  const std::uint64_t ticks = win32::FileTimeTicks(in);
  constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
  if (ticks > kMax) return false;
  const std::int64_t delta = seconds * win32::kTicksPerSecond;
  const std::int64_t base = static_cast<std::int64_t>(ticks);
  if (delta < 0 ? base < -delta : base > static_cast<std::int64_t>(kMax) - delta) return false;
  out = win32::FileTimeFromTicks(static_cast<std::uint64_t>(base + delta));
  return true;
}

}  // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
  if (!lpFileTime || !lpLocalFileTime) return win32::Fail(ERROR_INVALID_PARAMETER);
  FILETIME local;
  if (!Shift(*lpFileTime, win32::CurrentUtcOffsetSeconds(), local)) return win32::Fail(ERROR_INVALID_PARAMETER);
  *lpLocalFileTime = local;
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) {
  if (!lpLocalFileTime || !lpFileTime) return win32::Fail(ERROR_INVALID_PARAMETER);
  FILETIME utc;
  if (!Shift(*lpLocalFileTime, -win32::CurrentUtcOffsetSeconds(), utc)) return win32::Fail(ERROR_INVALID_PARAMETER);
  *lpFileTime = utc;
  return TRUE;
}

BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* lpTimeZoneInformation,
                                     const SYSTEMTIME* lpUniversalTime, LPSYSTEMTIME lpLocalTime) {
  if (lpTimeZoneInformation) return win32::Fail(ERROR_NOT_SUPPORTED);
  FILETIME utc;
  if (!lpLocalTime || !SystemTimeToFileTime(lpUniversalTime, &utc)) return win32::Fail(ERROR_INVALID_PARAMETER);
  FILETIME local;
  if (!Shift(utc, win32::UtcOffsetSecondsAt(win32::UnixFromFileTime(utc)), local))
    return win32::Fail(ERROR_INVALID_PARAMETER);
  *lpLocalTime = win32::SystemTimeFromTicks(win32::FileTimeTicks(local));
  return TRUE;
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (!lpSystemTime) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  const FILETIME utc = win32::FileTimeFromUnix(ts.tv_sec, static_cast<std::uint32_t>(ts.tv_nsec));
  FILETIME local = utc;
  Shift(utc, win32::UtcOffsetSecondsAt(ts.tv_sec), local);
  *lpSystemTime = win32::SystemTimeFromTicks(win32::FileTimeTicks(local));
}
