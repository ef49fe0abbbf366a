// Date and time texts in the user locale (English, United States), with
// the Windows count contract: a count of 0 asks for the needed size
// (terminator included); a buffer too small gives 0 and
// ERROR_INSUFFICIENT_BUFFER.
#pragma once

#include <array>
#include <string_view>

#include "win32/types.h"

constexpr LCID LOCALE_NEUTRAL = 0x0000;
constexpr LCID LOCALE_INVARIANT = 0x007F;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

constexpr DWORD LOCALE_NOUSEROVERRIDE = 0x80000000;
constexpr DWORD LOCALE_USE_CP_ACP = 0x40000000;

constexpr DWORD DATE_SHORTDATE = 0x00000001;
constexpr DWORD DATE_LONGDATE = 0x00000002;
constexpr DWORD DATE_USE_ALT_CALENDAR = 0x00000004;
constexpr DWORD DATE_YEARMONTH = 0x00000008;
constexpr DWORD DATE_LTRREADING = 0x00000010;
constexpr DWORD DATE_RTLREADING = 0x00000020;
constexpr DWORD DATE_AUTOLAYOUT = 0x00000040;
constexpr DWORD DATE_MONTHDAY = 0x00000080;

constexpr DWORD TIME_NOMINUTESORSECONDS = 0x00000001;
constexpr DWORD TIME_NOSECONDS = 0x00000002;
constexpr DWORD TIME_NOTIMEMARKER = 0x00000004;
constexpr DWORD TIME_FORCE24HOURFORMAT = 0x00000008;

int GetDateFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCWSTR lpFormat, LPWSTR lpDateStr,
                   int cchDate);
int GetTimeFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCWSTR lpFormat, LPWSTR lpTimeStr,
                   int cchTime);

namespace win32 {

// The date and time pieces of one locale.
struct DateLocale {
  LCID lcid;
  std::array<std::u16string_view, 7> dayNames;  // Sunday first
  std::array<std::u16string_view, 7> abbrevDayNames;
  std::array<std::u16string_view, 12> monthNames;
  std::array<std::u16string_view, 12> abbrevMonthNames;
  std::u16string_view am;
  std::u16string_view pm;
  std::u16string_view era;
  std::u16string_view shortDate;
  std::u16string_view longDate;
  std::u16string_view yearMonth;
  std::u16string_view monthDay;
  std::u16string_view time;
};

// The pieces for a locale identifier: the user and system defaults and
// 0x409 are English (United States); LOCALE_INVARIANT has its own. Null for
// any other locale.
const DateLocale* FindDateLocale(LCID lcid);
const DateLocale& UserDateLocale();

}  // namespace win32
