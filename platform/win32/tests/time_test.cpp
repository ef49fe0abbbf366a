#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "win32/errors.h"
#include "win32/time.h"
#include "systemtime_support.h"

namespace {

bool Same(const SYSTEMTIME& a, const SYSTEMTIME& b) { return Show(a, true) == Show(b, true); }

void UseZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

// The zone's offset right now, from the C library directly.
std::int64_t OffsetNow() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return local.tm_gmtoff;
}

TEST(FileTime, ConvertsToCalendarFieldsWithDayOfWeek) {
  struct Case {
    std::uint64_t ticks;
    SYSTEMTIME st;
    WORD dayOfWeek;
  };
  const Case cases[] = {
      {0, St(1601, 1, 1), 1},
      {116444736000000000, St(1970, 1, 1), 4},
      {116444735990000000, St(1969, 12, 31, 23, 59, 59), 3},
      {125963423990000000 + 7890000, St(2000, 2, 29, 23, 59, 59, 789), 2},
      {133549815000000000, St(2024, 3, 15, 13, 5), 5},
      {0x7FFFFFFFFFFFFFFF, St(30828, 9, 14, 2, 48, 5, 477), 4},
  };
  for (const Case& c : cases) {
    SYSTEMTIME expected = c.st;
    expected.wDayOfWeek = c.dayOfWeek;
    const FILETIME ft = win32::FileTimeFromTicks(c.ticks);
    SYSTEMTIME got{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &got)) << c.ticks;
    EXPECT_TRUE(Same(got, expected)) << c.ticks << ": " << Show(got, true);
    if (c.ticks == 0x7FFFFFFFFFFFFFFF) continue;  // sub-millisecond ticks do not come back
    FILETIME back{};
    ASSERT_TRUE(SystemTimeToFileTime(&got, &back)) << Show(got);
    EXPECT_EQ(win32::FileTimeTicks(back), c.ticks) << Show(got);
  }
}

TEST(FileTime, RefusesValuesAboveTheSignedRange) {
  const FILETIME ft = win32::FileTimeFromTicks(0x8000000000000000);
  SYSTEMTIME st{};
  SetLastError(0);
  EXPECT_FALSE(FileTimeToSystemTime(&ft, &st));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(FileTime, SystemTimeFieldsAreChecked) {
  const SYSTEMTIME bad[] = {
      St(2024, 0, 1),  St(2024, 13, 1), St(2023, 2, 29),          St(2024, 4, 31),           St(2024, 1, 0),
      St(1600, 12, 31), St(30828, 1, 1), St(2024, 1, 1, 24),       St(2024, 1, 1, 0, 60),     St(2024, 1, 1, 0, 0, 60),
      St(2024, 1, 1, 0, 0, 0, 1000),
  };
  for (const SYSTEMTIME& st : bad) {
    FILETIME ft{};
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft)) << Show(st);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << Show(st);
  }
  SYSTEMTIME leap = St(2000, 2, 29);
  leap.wDayOfWeek = 6;  // wrong, and ignored
  FILETIME ft{};
  EXPECT_TRUE(SystemTimeToFileTime(&leap, &ft));
  const SYSTEMTIME last = St(30827, 12, 31, 23, 59, 59, 999);
  EXPECT_TRUE(SystemTimeToFileTime(&last, &ft));
}

TEST(FileTime, UnixSecondsRoundTrip) {
  const std::int64_t seconds[] = {0, 1, -1, 1710507900, -11644473600};
  for (std::int64_t s : seconds) EXPECT_EQ(win32::UnixFromFileTime(win32::FileTimeFromUnix(s)), s) << s;
  EXPECT_EQ(win32::FileTimeTicks(win32::FileTimeFromUnix(0, 123456789)), 116444736000000000u + 1234567);
  EXPECT_EQ(win32::UnixFromFileTime(win32::FileTimeFromTicks(116444736000000000u - 1)), -1);
  EXPECT_EQ(win32::FileTimeTicks(win32::FileTimeFromUnix(-20000000000)), 0u);  // before 1601
}

TEST(SystemClock, LocalTimeIsUtcPlusTheZoneOffset) {
  UseZone("Asia/Kolkata");
  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  FILETIME u{}, l{};
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &u));
  ASSERT_TRUE(SystemTimeToFileTime(&local, &l));
  const std::int64_t diff = static_cast<std::int64_t>(win32::FileTimeTicks(l) - win32::FileTimeTicks(u));
  EXPECT_NEAR(static_cast<double>(diff) / win32::kTicksPerSecond, 19800.0, 5.0);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  EXPECT_NEAR(static_cast<double>(win32::UnixFromFileTime(now)), static_cast<double>(time(nullptr)), 5.0);
}

// Local file times take the offset of today, whatever the date: a winter
// and a summer date move by the same amount.
TEST(TimeZone, LocalFileTimeAppliesTodaysOffset) {
  const char* zones[] = {"UTC", "Europe/Berlin", "Asia/Kolkata", "Australia/Sydney"};
  const SYSTEMTIME dates[] = {St(2024, 1, 15, 12), St(2024, 7, 15, 12), St(2024, 3, 31, 1, 30),
                              St(2024, 4, 6, 16, 30)};
  for (const char* zone : zones) {
    UseZone(zone);
    const std::int64_t offset = OffsetNow();
    EXPECT_EQ(win32::CurrentUtcOffsetSeconds(), offset) << zone;
    for (const SYSTEMTIME& date : dates) {
      FILETIME utc{}, local{}, back{};
      ASSERT_TRUE(SystemTimeToFileTime(&date, &utc));
      ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local)) << zone;
      const std::int64_t shift =
          static_cast<std::int64_t>(win32::FileTimeTicks(local) - win32::FileTimeTicks(utc));
      EXPECT_EQ(shift, offset * win32::kTicksPerSecond) << zone << " " << Show(date);
      ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
      EXPECT_EQ(win32::FileTimeTicks(back), win32::FileTimeTicks(utc)) << zone;
    }
  }
}

TEST(TimeZone, LocalFileTimeRefusesToLeaveTheRange) {
  UseZone("America/New_York");  // behind UTC all year
  const FILETIME zero = win32::FileTimeFromTicks(0);
  FILETIME out{};
  SetLastError(0);
  EXPECT_FALSE(FileTimeToLocalFileTime(&zero, &out));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  UseZone("Asia/Tokyo");
  const FILETIME top = win32::FileTimeFromTicks(0x7FFFFFFFFFFFFFFF);
  EXPECT_FALSE(FileTimeToLocalFileTime(&top, &out));
  EXPECT_TRUE(LocalFileTimeToFileTime(&top, &out));
}

// With no zone record the offset is the one in force at the date itself,
// across the change to and from daylight saving time.
TEST(TimeZone, TzSpecificLocalTimeUsesTheDatesOwnOffset) {
  struct Case {
    const char* zone;
    SYSTEMTIME utc;
    SYSTEMTIME local;
  };
  const Case cases[] = {
      {"UTC", St(2024, 7, 1, 12), St(2024, 7, 1, 12)},
      {"Europe/Berlin", St(2024, 1, 15, 12), St(2024, 1, 15, 13)},
      {"Europe/Berlin", St(2024, 7, 15, 12), St(2024, 7, 15, 14)},
      {"Europe/Berlin", St(2024, 3, 31, 0, 59, 59), St(2024, 3, 31, 1, 59, 59)},
      {"Europe/Berlin", St(2024, 3, 31, 1), St(2024, 3, 31, 3)},
      {"Asia/Kolkata", St(2024, 3, 15, 13, 5), St(2024, 3, 15, 18, 35)},
      {"Australia/Sydney", St(2024, 1, 15, 20), St(2024, 1, 16, 7)},
      {"Australia/Sydney", St(2024, 4, 6, 15, 59, 59), St(2024, 4, 7, 2, 59, 59)},
      {"Australia/Sydney", St(2024, 4, 6, 16), St(2024, 4, 7, 2)},
  };
  for (const Case& c : cases) {
    UseZone(c.zone);
    SYSTEMTIME got{};
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &c.utc, &got)) << c.zone;
    SYSTEMTIME expected = c.local;
    expected.wDayOfWeek = win32::DayOfWeek(expected.wYear, expected.wMonth, expected.wDay);
    EXPECT_TRUE(Same(got, expected)) << c.zone << " " << Show(c.utc) << " -> " << Show(got);
  }
  const SYSTEMTIME bad = St(2024, 2, 30);
  SYSTEMTIME out{};
  EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(nullptr, &bad, &out));
}

}  // namespace
