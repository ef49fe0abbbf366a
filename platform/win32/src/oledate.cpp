// DATE <-> calendar fields.
#include "win32/oledate.h"

#include <cmath>

#include "calendar.h"

namespace win32 {
namespace {

constexpr std::int64_t kDay0 = calendar::DaysFromCivil(1899, 12, 30);

}  // namespace

bool OleDateFromParts(int year, int month, int day, int hour, int minute, int second, DATE& out) {
  if (year < 100 || year > 9999 || month < 1 || month > 12) return false;
  if (!calendar::IsValidDate(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  const auto days =
      static_cast<double>(calendar::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kDay0);
  const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
  out = days >= 0 ? days + fraction : days - fraction;
  return true;
}

bool OleDateToParts(DATE value, SYSTEMTIME& out) {
  // The whole part names the day, the fraction (unsigned) the time of it.
  if (!(value > kMinOleDate - 1.0 && value < kMaxOleDate + 1.0 / 86400)) return false;
  double whole = std::trunc(value);
  long long seconds = std::llround(std::fabs(value - whole) * 86400.0);
  if (seconds >= 86400) {  // rounds up into the next day
    whole += 1;
    seconds = 0;
  }
  const std::int64_t days = static_cast<std::int64_t>(whole) + kDay0;
  const calendar::Civil c = calendar::CivilFromDays(days);
  if (c.year < 100 || c.year > 9999) return false;
  out = SYSTEMTIME{};
  out.wYear = static_cast<WORD>(c.year);
  out.wMonth = static_cast<WORD>(c.month);
  out.wDay = static_cast<WORD>(c.day);
  out.wDayOfWeek = static_cast<WORD>(calendar::DayOfWeek(days));
  out.wHour = static_cast<WORD>(seconds / 3600);
  out.wMinute = static_cast<WORD>(seconds / 60 % 60);
  out.wSecond = static_cast<WORD>(seconds % 60);
  return true;
}

}  // namespace win32

INT SystemTimeToVariantTime(const SYSTEMTIME* lpSystemTime, DOUBLE* pvtime) {
  if (!lpSystemTime || !pvtime) return FALSE;
  const SYSTEMTIME& st = *lpSystemTime;
  DATE value = 0;
  if (st.wMilliseconds > 999 ||
      !win32::OleDateFromParts(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, value))
    return FALSE;
  *pvtime = value;
  return TRUE;
}

INT VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime) {
  if (!lpSystemTime) return FALSE;
  SYSTEMTIME st;
  if (!win32::OleDateToParts(vtime, st)) return FALSE;
  *lpSystemTime = st;
  return TRUE;
}
