// Values of the Notes object library stand-in: LNString (the library's own
// text, UTF-8 inside), its translation from and to UTF-16, and the item
// values LNText, LNDatetime and LNDatetimes.
#pragma once

#include <string>
#include <vector>

#include "notes/lntypes.h"

class LNString {
 public:
  LNString() = default;
  // UTF-8 text; a null pointer gives the empty string.
  LNString(const char* text) : text_(text ? text : "") {}
  LNString(std::string text) : text_(std::move(text)) {}

  // The text's bytes, NUL-terminated.
  const char* GetBuf() const { return text_.c_str(); }
  // Byte count without the terminator.
  LNINT GetByteLength() const { return static_cast<LNINT>(text_.size()); }
  LNBOOL IsNull() const { return text_.empty(); }
  const std::string& str() const { return text_; }

  friend bool operator==(const LNString&, const LNString&) = default;

 private:
  std::string text_;
};

// UTF-16 text (NUL-terminated) into an LNString.
LNSTATUS LNStringTranslate(const char16_t* text, LNCHARSET charset, LNString* result);
// An LNString into UTF-16 in `buffer` (capacity `bufferSize` bytes): at most
// `maxBytes` bytes of text, never splitting a character, and never more than
// leaves room for the two-byte terminator, which is always written. Text that
// does not fit is cut; that is not a failure.
LNSTATUS LNStringTranslate(const LNString& text, LNCHARSET charset, LNINT maxBytes, char* buffer, LNINT bufferSize);

// A list of texts; empty entries are kept.
class LNText {
 public:
  LNINT GetCount() const { return static_cast<LNINT>(entries_.size()); }
  // Position 0 to GetCount(); any other gives LNERR_BAD_ARGUMENT.
  LNSTATUS Insert(LNINT position, const LNString& text);
  // An index out of range gives the empty string (LNERR_BAD_ARGUMENT thrown
  // in throw-all-errors mode).
  const LNString& operator[](LNINT index) const;

 private:
  std::vector<LNString> entries_;
};

// A wall-clock date and time without a time zone. A new value has no date;
// the time defaults to 00:00:00.00. Years 1 to 9999 of the Gregorian
// calendar; a refused value leaves the object unchanged.
class LNDatetime {
 public:
  LNSTATUS SetDate(LNINT month, LNINT day, LNINT year);           // LNERR_BAD_DATE
  LNSTATUS SetTime(LNINT hour, LNINT minute, LNINT second, LNINT hundredths);  // LNERR_BAD_TIME
  LNBOOL IsDateSet() const { return hasDate_; }
  LNINT GetYear() const { return year_; }
  LNINT GetMonth() const { return month_; }
  LNINT GetDay() const { return day_; }
  LNINT GetHour() const { return hour_; }
  LNINT GetMinute() const { return minute_; }
  LNINT GetSecond() const { return second_; }
  LNINT GetHundredths() const { return hundredths_; }

  friend bool operator==(const LNDatetime&, const LNDatetime&) = default;

 private:
  bool hasDate_ = false;
  LNINT year_ = 0, month_ = 0, day_ = 0;
  LNINT hour_ = 0, minute_ = 0, second_ = 0, hundredths_ = 0;
};

// A list of dates; an item made of it needs every entry to have a date.
class LNDatetimes {
 public:
  LNINT GetDatetimeCount() const { return static_cast<LNINT>(entries_.size()); }
  LNSTATUS Insert(LNINT position, const LNDatetime& value);
  const LNDatetime& operator[](LNINT index) const;

 private:
  std::vector<LNDatetime> entries_;
};
