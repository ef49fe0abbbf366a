// System time, file times and the machine's time zone. The zone is the one
// that TZ (or /etc/localtime) names, read afresh on every call so that a
// change of TZ in the environment is honoured.
#pragma once

#include <cstdint>

#include "win32/types.h"

struct TIME_ZONE_INFORMATION {
  LONG Bias;
  WCHAR StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  WCHAR DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
};
using LPTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
void GetSystemTime(LPSYSTEMTIME lpSystemTime);
void GetLocalTime(LPSYSTEMTIME lpSystemTime);

// Fails (ERROR_INVALID_PARAMETER) for values above 0x7FFFFFFFFFFFFFFF.
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
// Checks every field (years 1601 to 30827); wDayOfWeek is ignored.
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);

// Both apply the zone's offset of the present moment, whatever the date of
// the value: a winter date converted in summer gets the summer offset.
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime);

// With a null zone: the machine's zone with the offset in force at that
// date. Explicit zone records are not supported (ERROR_NOT_SUPPORTED).
BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* lpTimeZoneInformation,
                                     const SYSTEMTIME* lpUniversalTime, LPSYSTEMTIME lpLocalTime);

namespace win32 {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksPerDay = kTicksPerSecond * 86'400;
// 1970-01-01 in 100-ns ticks since 1601-01-01.
constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;

constexpr std::uint64_t FileTimeTicks(const FILETIME& ft) {
  return (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
constexpr FILETIME FileTimeFromTicks(std::uint64_t ticks) {
  return {static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

// Seconds (and nanoseconds) since 1970-01-01 UTC; times before 1601 clamp to 0.
FILETIME FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds = 0);
// Whole seconds since 1970-01-01 UTC, rounded down.
std::int64_t UnixFromFileTime(const FILETIME& ft);

// Offset of the machine's zone, local minus UTC, in seconds: now, and at
// the moment `unixSeconds`.
std::int64_t CurrentUtcOffsetSeconds();
std::int64_t UtcOffsetSecondsAt(std::int64_t unixSeconds);

// Calendar fields of a tick count (no range check beyond the type).
SYSTEMTIME SystemTimeFromTicks(std::uint64_t ticks);
// Tick count of a SYSTEMTIME; false when a field is out of range.
bool TicksFromSystemTime(const SYSTEMTIME& st, std::uint64_t& ticks);
// Date fields only (year, month, day), for the formatters.
bool IsValidSystemDate(const SYSTEMTIME& st);
bool IsValidSystemTimeOfDay(const SYSTEMTIME& st);
// Day of the week (0 = Sunday) of a date.
WORD DayOfWeek(int year, int month, int day);

}  // namespace win32
