#include "ItemTime.h"

#include <cstdio>

#include "win32/datetime_format.h"
#include "win32/text.h"
#include "win32/time.h"

namespace {

// 4501-01-01 00:00: the value items carry for "no date". Later values lie
// outside what a date can hold on the reading side as well.
constexpr std::uint64_t kNoDateTicks = 0x0CB34557A3DD4000ull;

// The calendar fields of the time in local time; false when it has none.
bool LocalFields(const FILETIME& time, TimeBase base, SYSTEMTIME& local) {
  if (win32::FileTimeTicks(time) >= kNoDateTicks) return false;
  SYSTEMTIME stored;
  if (!FileTimeToSystemTime(&time, &stored)) return false;
  if (base == TimeBase::Local) {
    local = stored;
    return true;
  }
  return SystemTimeToTzSpecificLocalTime(nullptr, &stored, &local) != FALSE;
}

template <int (*Format)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int)>
std::u16string Formatted(DWORD flags, const SYSTEMTIME& st) {
  WCHAR text[128] = {};
  const int n = Format(LOCALE_USER_DEFAULT, flags, &st, nullptr, text, 128);
  return n > 0 ? std::u16string(text, static_cast<std::size_t>(n - 1)) : std::u16string();
}

}  // namespace

std::u16string FileTimePropToText(const SPropValue* props, ULONG index) {
  if (!props || PROP_TYPE(props[index].ulPropTag) != PT_SYSTIME) return {};
  SYSTEMTIME local;
  if (!LocalFields(props[index].Value.ft, TimeBase::Utc, local)) return {};
  return Formatted<GetDateFormatW>(DATE_SHORTDATE, local) + u" " + Formatted<GetTimeFormatW>(TIME_NOSECONDS, local);
}

std::u16string NamedTimeToText(const FILETIME& time, TimeBase base) {
  SYSTEMTIME local;
  if (!LocalFields(time, base, local)) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%02u:%02u %s %02u/%02u/%u", unsigned{local.wHour}, unsigned{local.wMinute},
                local.wHour < 12 ? "AM" : "PM", unsigned{local.wMonth}, unsigned{local.wDay}, unsigned{local.wYear});
  return win32::Utf8ToUtf16(text);
}
