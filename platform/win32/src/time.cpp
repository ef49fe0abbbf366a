// FILETIME <-> SYSTEMTIME and the system clock.
#include "win32/time.h"

#include <ctime>

#include "calendar.h"
#include "win32/errors.h"

namespace win32 {
namespace {

// 1601-01-01 relative to 1970-01-01.
constexpr std::int64_t kDays1601 = calendar::DaysFromCivil(1601, 1, 1);
constexpr std::int64_t kMaxTicks = 0x7FFFFFFFFFFFFFFF;
constexpr std::int64_t kTicksPerMs = 10'000;

}  // namespace

FILETIME FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
  constexpr std::int64_t kMinSeconds = -kUnixEpochTicks / kTicksPerSecond;
  constexpr std::int64_t kMaxSeconds = (kMaxTicks - kUnixEpochTicks) / kTicksPerSecond;
  if (seconds < kMinSeconds) return FileTimeFromTicks(0);
  if (seconds > kMaxSeconds) seconds = kMaxSeconds;
  const std::int64_t ticks = kUnixEpochTicks + seconds * kTicksPerSecond + nanoseconds / 100;
  return FileTimeFromTicks(static_cast<std::uint64_t>(ticks));
}

std::int64_t UnixFromFileTime(const FILETIME& ft) {
  const std::uint64_t ticks = FileTimeTicks(ft);
  if (ticks >= static_cast<std::uint64_t>(kUnixEpochTicks))
    return static_cast<std::int64_t>((ticks - kUnixEpochTicks) / kTicksPerSecond);
  // Round toward minus infinity for times before 1970.
  const std::uint64_t before = kUnixEpochTicks - ticks;
  return -static_cast<std::int64_t>((before + kTicksPerSecond - 1) / kTicksPerSecond);
}

SYSTEMTIME SystemTimeFromTicks(std::uint64_t ticks) {
  const std::uint64_t days = ticks / kTicksPerDay;
  std::uint64_t rest = ticks % kTicksPerDay;
  const std::int64_t unixDays = static_cast<std::int64_t>(days) + kDays1601;
  const calendar::Civil c = calendar::CivilFromDays(unixDays);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(c.year);
  st.wMonth = static_cast<WORD>(c.month);
  st.wDay = static_cast<WORD>(c.day);
  st.wDayOfWeek = static_cast<WORD>(calendar::DayOfWeek(unixDays));
  st.wHour = static_cast<WORD>(rest / (3600 * kTicksPerSecond));
  rest %= 3600 * kTicksPerSecond;
  st.wMinute = static_cast<WORD>(rest / (60 * kTicksPerSecond));
  rest %= 60 * kTicksPerSecond;
  st.wSecond = static_cast<WORD>(rest / kTicksPerSecond);
  st.wMilliseconds = static_cast<WORD>((rest % kTicksPerSecond) / kTicksPerMs);
  return st;
}

bool IsValidSystemDate(const SYSTEMTIME& st) {
  return st.wYear >= 1 && st.wYear <= 30827 && calendar::IsValidDate(st.wYear, st.wMonth, st.wDay);
}

bool IsValidSystemTimeOfDay(const SYSTEMTIME& st) {
  return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 && st.wMilliseconds < 1000;
}

bool TicksFromSystemTime(const SYSTEMTIME& st, std::uint64_t& ticks) {
  if (st.wYear < 1601 || !IsValidSystemDate(st) || !IsValidSystemTimeOfDay(st)) return false;
  const std::int64_t days = calendar::DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kDays1601;
  const std::int64_t seconds = st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
  ticks = static_cast<std::uint64_t>(days * kTicksPerDay + seconds * kTicksPerSecond +
                                     st.wMilliseconds * kTicksPerMs);
  return true;
}

WORD DayOfWeek(int year, int month, int day) {
  return static_cast<WORD>(
      calendar::DayOfWeek(calendar::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))));
}

}  // namespace win32

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
  if (!lpSystemTimeAsFileTime) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  *lpSystemTimeAsFileTime = win32::FileTimeFromUnix(ts.tv_sec, static_cast<std::uint32_t>(ts.tv_nsec));
}

void GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  if (!lpSystemTime) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  *lpSystemTime = win32::SystemTimeFromTicks(win32::FileTimeTicks(now));
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
  if (!lpFileTime || !lpSystemTime) return win32::Fail(ERROR_INVALID_PARAMETER);
  const std::uint64_t ticks = win32::FileTimeTicks(*lpFileTime);
  if (ticks > static_cast<std::uint64_t>(win32::kMaxTicks)) return win32::Fail(ERROR_INVALID_PARAMETER);
  *lpSystemTime = win32::SystemTimeFromTicks(ticks);
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
  std::uint64_t ticks = 0;
  if (!lpSystemTime || !lpFileTime || !win32::TicksFromSystemTime(*lpSystemTime, ticks))
    return win32::Fail(ERROR_INVALID_PARAMETER);
  *lpFileTime = win32::FileTimeFromTicks(ticks);
  return TRUE;
}
