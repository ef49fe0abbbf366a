// Proleptic Gregorian calendar arithmetic shared by the time, format and OLE
// date code. Days are counted from 1970-01-01 (day 0).
#pragma once

#include <cstdint>

namespace win32::calendar {

struct Civil {
  std::int64_t year;
  unsigned month;  // 1..12
  unsigned day;    // 1..31
};

constexpr bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr unsigned DaysInMonth(std::int64_t y, unsigned m) {
  constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

constexpr bool IsValidDate(std::int64_t y, unsigned m, unsigned d) {
  return m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

// Eras of 400 years repeat exactly; computing inside one era keeps the
// arithmetic in small non-negative numbers for any year.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

constexpr Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const unsigned d = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  const unsigned m = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (m <= 2), m, d};
}

// 0 = Sunday, as SYSTEMTIME::wDayOfWeek counts.
constexpr unsigned DayOfWeek(std::int64_t days) {
  return static_cast<unsigned>(days >= -4 ? (days + 4) % 7 : (days + 5) % 7 + 6);
}

static_assert(DaysFromCivil(1970, 1, 1) == 0);
static_assert(DayOfWeek(0) == 4);  // 1970-01-01 was a Thursday
static_assert(DayOfWeek(DaysFromCivil(1601, 1, 1)) == 1);

}  // namespace win32::calendar
