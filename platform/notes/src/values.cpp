// LNString translation and the list and date values.
#include <algorithm>
#include <bit>
#include <cstring>

#include "error_mode.h"
#include "notes/lnvalues.h"
#include "win32/text.h"

using notes_internal::Report;

namespace {

bool KnownCharset(LNCHARSET charset) { return charset == LNCHARSET_UNICODE || charset == LNCHARSET_UTF16LE; }

// Units of `charset` are little-endian or this machine's; both are UTF-16.
char16_t Swapped(char16_t unit, LNCHARSET charset) {
  if (charset == LNCHARSET_UTF16LE && std::endian::native == std::endian::big)
    return static_cast<char16_t>((unit >> 8) | (unit << 8));
  return unit;
}

bool HighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }

const LNString kEmptyString;
const LNDatetime kNoDatetime;

template <class T>
LNSTATUS InsertAt(std::vector<T>& entries, LNINT position, const T& value) {
  if (position < 0 || position > static_cast<LNINT>(entries.size())) return Report(LNERR_BAD_ARGUMENT);
  entries.insert(entries.begin() + position, value);
  return LNNOERROR;
}

template <class T>
const T& At(const std::vector<T>& entries, LNINT index, const T& none) {
  if (index < 0 || index >= static_cast<LNINT>(entries.size())) {
    Report(LNERR_BAD_ARGUMENT);
    return none;
  }
  return entries[static_cast<std::size_t>(index)];
}

bool LeapYear(LNINT y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

LNINT DaysInMonth(LNINT month, LNINT year) {
  static constexpr LNINT kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

LNSTATUS LNStringTranslate(const char16_t* text, LNCHARSET charset, LNString* result) {
  if (!result) return Report(LNERR_NULL_ARGUMENT);
  if (!KnownCharset(charset)) return Report(LNERR_BAD_CHARSET);
  std::u16string units;
  for (const char16_t* p = text; p && *p; ++p) units += Swapped(*p, charset);
  *result = LNString(win32::Utf16ToUtf8(units));
  return LNNOERROR;
}

LNSTATUS LNStringTranslate(const LNString& text, LNCHARSET charset, LNINT maxBytes, char* buffer, LNINT bufferSize) {
  if (!buffer) return Report(LNERR_NULL_ARGUMENT);
  if (!KnownCharset(charset)) return Report(LNERR_BAD_CHARSET);
  if (maxBytes < 0 || bufferSize < 2) return Report(LNERR_BAD_ARGUMENT);
  const std::u16string units = win32::Utf8ToUtf16(text.str());
  std::size_t room = static_cast<std::size_t>(std::min(maxBytes, bufferSize - 2)) / 2;
  std::size_t count = std::min(units.size(), room);
  if (count > 0 && count < units.size() && HighSurrogate(units[count - 1])) --count;
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t u = Swapped(units[i], charset);
    std::memcpy(buffer + 2 * i, &u, 2);
  }
  std::memset(buffer + 2 * count, 0, 2);
  return LNNOERROR;
}

LNSTATUS LNText::Insert(LNINT position, const LNString& text) { return InsertAt(entries_, position, text); }
const LNString& LNText::operator[](LNINT index) const { return At(entries_, index, kEmptyString); }

LNSTATUS LNDatetimes::Insert(LNINT position, const LNDatetime& value) { return InsertAt(entries_, position, value); }
const LNDatetime& LNDatetimes::operator[](LNINT index) const { return At(entries_, index, kNoDatetime); }

LNSTATUS LNDatetime::SetDate(LNINT month, LNINT day, LNINT year) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(month, year))
    return Report(LNERR_BAD_DATE);
  hasDate_ = true;
  year_ = year, month_ = month, day_ = day;
  return LNNOERROR;
}

LNSTATUS LNDatetime::SetTime(LNINT hour, LNINT minute, LNINT second, LNINT hundredths) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || hundredths < 0 ||
      hundredths > 99)
    return Report(LNERR_BAD_TIME);
  hour_ = hour, minute_ = minute, second_ = second, hundredths_ = hundredths;
  return LNNOERROR;
}
