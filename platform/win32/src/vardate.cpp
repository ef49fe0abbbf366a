// VarDateFromStr: reads the date and time texts of the user locale (month
// first), month names, ISO dates and the 24-hour and AM/PM clocks.
#include <optional>
#include <string>
#include <vector>

#include "win32/datetime_format.h"
#include "win32/errors.h"
#include "win32/oledate.h"
#include "win32/text.h"
#include "win32/time.h"

namespace {

struct Token {
  enum Kind { kNumber, kWord, kSeparator };
  Kind kind = kNumber;
  unsigned long long value = 0;  // numbers; capped, see Tokenize
  int digits = 0;
  std::u16string word;  // words, upper case
  char16_t separator = 0;
  bool used = false;
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u00A0'; }
bool IsSeparator(char16_t c) { return c == u'/' || c == u'-' || c == u'.' || c == u':' || c == u','; }
char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }
std::u16string Upper(std::u16string_view s) {
  std::u16string out;
  for (char16_t c : s) out += Upper(c);
  return out;
}

bool Tokenize(std::u16string_view text, std::vector<Token>& out) {
  for (std::size_t i = 0; i < text.size();) {
    const char16_t c = text[i];
    if (IsBlank(c)) {
      ++i;
    } else if (IsDigit(c)) {
      Token t;
      t.kind = Token::kNumber;
      for (; i < text.size() && IsDigit(text[i]); ++i, ++t.digits)
        if (t.value < 1'000'000'000) t.value = t.value * 10 + (text[i] - u'0');
      out.push_back(t);
    } else if (IsLetter(c)) {
      Token t;
      t.kind = Token::kWord;
      for (; i < text.size() && IsLetter(text[i]); ++i) t.word += Upper(text[i]);
      out.push_back(t);
    } else if (IsSeparator(c)) {
      Token t;
      t.kind = Token::kSeparator;
      t.separator = c;
      out.push_back(t);
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

bool IsSep(const std::vector<Token>& t, std::size_t i, char16_t c) {
  return i < t.size() && t[i].kind == Token::kSeparator && t[i].separator == c;
}
bool IsNum(const std::vector<Token>& t, std::size_t i) { return i < t.size() && t[i].kind == Token::kNumber; }

struct Clock {
  bool present = false;
  unsigned long long hour = 0, minute = 0, second = 0;
  int marker = 0;  // 0 none, 1 AM, 2 PM
};

// "h:mm", "h:mm:ss" and "h:mm:ss.fff" (the fraction is dropped); at most one.
bool TakeClock(std::vector<Token>& t, Clock& clock) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!IsNum(t, i) || !IsSep(t, i + 1, u':') || !IsNum(t, i + 2)) continue;
    if (clock.present) return false;
    clock.present = true;
    clock.hour = t[i].value;
    clock.minute = t[i + 2].value;
    std::size_t end = i + 3;
    if (IsSep(t, end, u':') && IsNum(t, end + 1)) {
      clock.second = t[end + 1].value;
      end += 2;
      if (IsSep(t, end, u'.') && IsNum(t, end + 1)) end += 2;
    }
    for (std::size_t k = i; k < end; ++k) t[k].used = true;
    i = end - 1;
  }
  // Any colon left over belongs to no clock.
  for (const Token& tok : t)
    if (!tok.used && tok.kind == Token::kSeparator && tok.separator == u':') return false;
  return true;
}

// A full name, or its first three letters (four for "Sept").
template <std::size_t N>
int FindName(const std::u16string& word, const std::array<std::u16string_view, N>& names) {
  for (std::size_t n = 0; n < N; ++n) {
    const std::u16string full = Upper(names[n]);
    if (word == full || (word.size() >= 3 && full.compare(0, word.size(), word) == 0 && word.size() <= 4))
      return static_cast<int>(n);
  }
  return -1;
}

// 1 for the morning marker or its first letter, 2 for the afternoon's.
int FindMarker(const std::u16string& word, const win32::DateLocale& loc) {
  const std::u16string_view markers[] = {loc.am, loc.pm};
  for (int n = 0; n < 2; ++n) {
    const std::u16string full = Upper(markers[n]);
    if (word == full || word == full.substr(0, 1)) return n + 1;
  }
  return 0;
}

// Marker, month and day names; any other word makes the text no date.
bool TakeWords(std::vector<Token>& t, const win32::DateLocale& loc, Clock& clock, int& month) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != Token::kWord) continue;
    const std::u16string& w = t[i].word;
    t[i].used = true;
    if (w == u"A" && IsSep(t, i + 1, u'.') && i + 2 < t.size() && t[i + 2].word == u"D") {
      t[i + 2].used = true;  // the era, "A.D."
      i += 2;
    } else if (int marker = FindMarker(w, loc); marker) {
      if (clock.marker) return false;
      clock.marker = marker;
      // "3 PM": an hour without minutes.
      if (!clock.present && i > 0 && IsNum(t, i - 1) && !t[i - 1].used) {
        clock.present = true;
        clock.hour = t[i - 1].value;
        t[i - 1].used = true;
      }
    } else if (int m = FindName(w, loc.monthNames); m >= 0) {
      if (month) return false;
      month = m + 1;
    } else if (FindName(w, loc.dayNames) < 0 && !(w == u"T" && clock.present)) {
      return false;
    }
  }
  return !clock.marker || clock.present;
}

struct Num {
  unsigned long long value;
  int digits;
};

bool IsYear(const Num& n) { return n.digits >= 3 || n.value > 31; }

// Years written with one or two digits fall in 1930-2029.
long long FullYear(const Num& n) {
  if (n.digits > 2) return static_cast<long long>(n.value);
  return n.value < 30 ? 2000 + static_cast<long long>(n.value) : 1900 + static_cast<long long>(n.value);
}

struct CalendarDate {
  long long year;
  unsigned long long month, day;
};

int CurrentYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

// Orders the date numbers: month first (the user locale), or year first
// when the first number can only be a year.
std::optional<CalendarDate> DateFromNumbers(const std::vector<Num>& n, int monthName) {
  if (monthName) {
    if (n.size() == 1)
      return IsYear(n[0]) ? CalendarDate{FullYear(n[0]), unsigned(monthName), 1}
                          : CalendarDate{CurrentYear(), unsigned(monthName), n[0].value};
    if (n.size() == 2)
      return IsYear(n[0]) ? CalendarDate{FullYear(n[0]), unsigned(monthName), n[1].value}
                          : CalendarDate{FullYear(n[1]), unsigned(monthName), n[0].value};
    return std::nullopt;
  }
  if (n.size() == 2) {
    if (IsYear(n[0])) return CalendarDate{FullYear(n[0]), n[1].value, 1};
    if (IsYear(n[1])) return CalendarDate{FullYear(n[1]), n[0].value, 1};
    return CalendarDate{CurrentYear(), n[0].value, n[1].value};
  }
  if (n.size() == 3)
    return IsYear(n[0]) ? CalendarDate{FullYear(n[0]), n[1].value, n[2].value}
                        : CalendarDate{FullYear(n[2]), n[0].value, n[1].value};
  return std::nullopt;
}

// The 24-hour clock value of a clock with or without its marker.
bool ClockHour(const Clock& c, unsigned long long& hour) {
  hour = c.hour;
  if (c.marker == 1) {
    if (hour > 12) return false;
    if (hour == 12) hour = 0;
  } else if (c.marker == 2 && hour < 12) {
    hour += 12;  // a 24-hour hour with PM ("14:05 PM") stays as it is
  }
  return hour < 24 && c.minute < 60 && c.second < 60;
}

HRESULT Parse(std::u16string_view text, const win32::DateLocale& loc, ULONG flags, DATE& out) {
  std::vector<Token> tokens;
  Clock clock;
  int monthName = 0;
  if (!Tokenize(text, tokens) || !TakeClock(tokens, clock) || !TakeWords(tokens, loc, clock, monthName))
    return DISP_E_TYPEMISMATCH;
  std::vector<Num> numbers;
  for (const Token& t : tokens)
    if (!t.used && t.kind == Token::kNumber) numbers.push_back({t.value, t.digits});

  CalendarDate date{1899, 12, 30};
  if (!numbers.empty() || monthName) {
    const std::optional<CalendarDate> d = DateFromNumbers(numbers, monthName);
    if (!d) return DISP_E_TYPEMISMATCH;
    date = *d;
  } else if (!clock.present) {
    return DISP_E_TYPEMISMATCH;
  }
  unsigned long long hour = 0;
  if (!ClockHour(clock, hour) || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31)
    return DISP_E_TYPEMISMATCH;
  if (date.year < 100 || date.year > 9999) return DISP_E_OVERFLOW;

  DATE day = 0;
  if (!win32::OleDateFromParts(static_cast<int>(date.year), static_cast<int>(date.month),
                               static_cast<int>(date.day), 0, 0, 0, day))
    return DISP_E_TYPEMISMATCH;  // a day the month does not have
  const double time = static_cast<double>(hour * 3600 + clock.minute * 60 + clock.second) / 86400.0;
  if (flags & VAR_TIMEVALUEONLY) {
    out = time;
  } else if (flags & VAR_DATEVALUEONLY) {
    out = day;
  } else {
    out = day >= 0 ? day + time : day - time;
  }
  return S_OK;
}

}  // namespace

HRESULT VarDateFromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, DATE* pdateOut) {
  if (!strIn || !pdateOut) return E_INVALIDARG;
  if ((dwFlags & VAR_TIMEVALUEONLY) && (dwFlags & VAR_DATEVALUEONLY)) return E_INVALIDARG;
  // Every locale reads with the user's names: the machine has no other.
  const win32::DateLocale* loc = win32::FindDateLocale(lcid);
  DATE value = 0;
  const HRESULT hr = Parse(win32::WideView(strIn), loc ? *loc : win32::UserDateLocale(), dwFlags, value);
  if (SUCCEEDED(hr)) *pdateOut = value;
  return hr;
}
