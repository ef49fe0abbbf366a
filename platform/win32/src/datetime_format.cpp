// GetDateFormatW and GetTimeFormatW: pictures of d M y g (dates) and
// h H m s t (times), quoted literals, and the flags that pick or trim a
// picture.
#include "win32/datetime_format.h"

#include <string>
#include <vector>

#include "win32/errors.h"
#include "win32/text.h"
#include "win32/time.h"

namespace {

using win32::DateLocale;

// One piece of a picture: a run of one picture letter, or literal text.
struct Token {
  char16_t letter = 0;  // 0 for literal text
  int count = 0;
  std::u16string text;  // literal text
  bool quoted = false;
  bool dropped = false;
};

void AppendLiteral(std::vector<Token>& out, char16_t c, bool quoted) {
  if (out.empty() || out.back().letter != 0 || out.back().quoted != quoted) out.push_back(Token{0, 0, {}, quoted});
  out.back().text += c;
}

// Splits a picture; `letters` are the picture letters of this kind of text,
// every other character is copied as it stands. '' is one quote, inside or
// outside quoted text; an unterminated quote runs to the end.
std::vector<Token> Tokenize(std::u16string_view picture, std::u16string_view letters) {
  std::vector<Token> out;
  for (std::size_t i = 0; i < picture.size();) {
    const char16_t c = picture[i];
    if (c == u'\'') {
      if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
        AppendLiteral(out, u'\'', true);
        i += 2;
        continue;
      }
      for (++i; i < picture.size(); ++i) {
        if (picture[i] != u'\'') {
          AppendLiteral(out, picture[i], true);
        } else if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
          AppendLiteral(out, u'\'', true);
          ++i;
        } else {
          break;
        }
      }
      ++i;
    } else if (letters.find(c) != std::u16string_view::npos) {
      std::size_t j = i;
      while (j < picture.size() && picture[j] == c) ++j;
      out.push_back(Token{c, static_cast<int>(j - i), {}, false});
      i = j;
    } else {
      AppendLiteral(out, c, false);
      ++i;
    }
  }
  return out;
}

std::u16string Number(unsigned value, int minDigits) {
  std::u16string s = win32::Utf8ToUtf16(std::to_string(value));
  if (static_cast<int>(s.size()) < minDigits) s.insert(0, static_cast<std::size_t>(minDigits) - s.size(), u'0');
  return s;
}

std::u16string DateElement(const Token& t, const SYSTEMTIME& st, const DateLocale& loc) {
  const WORD dow = win32::DayOfWeek(st.wYear, st.wMonth, st.wDay);
  switch (t.letter) {
    case u'd':
      if (t.count <= 2) return Number(st.wDay, t.count);
      return std::u16string(t.count == 3 ? loc.abbrevDayNames[dow] : loc.dayNames[dow]);
    case u'M':
      if (t.count <= 2) return Number(st.wMonth, t.count);
      return std::u16string(t.count == 3 ? loc.abbrevMonthNames[st.wMonth - 1] : loc.monthNames[st.wMonth - 1]);
    case u'y':
      if (t.count <= 2) return Number(st.wYear % 100, t.count);
      return Number(st.wYear, 4);
    default:  // g: the era
      return std::u16string(loc.era);
  }
}

std::u16string TimeElement(const Token& t, const SYSTEMTIME& st, const DateLocale& loc, bool force24) {
  const int digits = t.count >= 2 ? 2 : 1;
  switch (t.letter) {
    case u'h':
      if (!force24) return Number(st.wHour % 12 == 0 ? 12 : st.wHour % 12, digits);
      [[fallthrough]];
    case u'H':
      return Number(st.wHour, digits);
    case u'm':
      return Number(st.wMinute, digits);
    case u's':
      return Number(st.wSecond, digits);
    default: {  // t: the marker, or its first letter
      const std::u16string_view marker = st.wHour < 12 ? loc.am : loc.pm;
      return std::u16string(t.count >= 2 ? marker : marker.substr(0, 1));
    }
  }
}

bool IsRemoved(char16_t letter, DWORD flags) {
  if (letter == u't') return flags & TIME_NOTIMEMARKER;
  if (letter == u's') return flags & (TIME_NOSECONDS | TIME_NOMINUTESORSECONDS);
  if (letter == u'm') return flags & TIME_NOMINUTESORSECONDS;
  return false;
}

// A left-out element takes its separator with it: the plain text before
// it, or after it when it leads the picture.
void TrimTimeElements(std::vector<Token>& tokens, DWORD flags) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].letter == 0 || !IsRemoved(tokens[i].letter, flags)) continue;
    tokens[i].dropped = true;
    const bool hasBefore = i >= 2 && tokens[i - 1].letter == 0 && !tokens[i - 1].quoted;
    if (hasBefore) {
      tokens[i - 1].dropped = true;
    } else if (i + 1 < tokens.size() && tokens[i + 1].letter == 0 && !tokens[i + 1].quoted) {
      tokens[i + 1].dropped = true;
    }
  }
}

// The Windows count contract for the result text.
int Deliver(const std::u16string& text, LPWSTR out, int cch) {
  const int needed = static_cast<int>(text.size()) + 1;
  if (cch == 0) return needed;
  if (cch < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  text.copy(out, text.size());
  out[text.size()] = 0;
  return needed;
}

bool BadBuffer(LPWSTR out, int cch) { return cch < 0 || (cch > 0 && !out); }

constexpr DWORD kDatePictureFlags = DATE_SHORTDATE | DATE_LONGDATE | DATE_YEARMONTH | DATE_MONTHDAY;
constexpr DWORD kDateFlags = kDatePictureFlags | DATE_USE_ALT_CALENDAR | DATE_LTRREADING | DATE_RTLREADING |
                             DATE_AUTOLAYOUT | LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP;
constexpr DWORD kTimeFlags = TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER |
                             TIME_FORCE24HOURFORMAT | LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP;

bool ValidDateFlags(DWORD flags, bool hasPicture) {
  const DWORD pick = flags & kDatePictureFlags;
  if ((flags & ~kDateFlags) || (pick & (pick - 1))) return false;
  if ((flags & DATE_LTRREADING) && (flags & DATE_RTLREADING)) return false;
  return !hasPicture || (pick == 0 && !(flags & LOCALE_NOUSEROVERRIDE));
}

std::u16string_view DatePicture(DWORD flags, const DateLocale& loc) {
  struct Row {
    DWORD flag;
    std::u16string_view DateLocale::*picture;
  };
  static constexpr Row kRows[] = {
      {DATE_LONGDATE, &DateLocale::longDate},
      {DATE_YEARMONTH, &DateLocale::yearMonth},
      {DATE_MONTHDAY, &DateLocale::monthDay},
  };
  for (const Row& row : kRows)
    if (flags & row.flag) return loc.*row.picture;
  return loc.shortDate;
}

// The date or time to show: the caller's, or the local time now.
SYSTEMTIME Subject(const SYSTEMTIME* st) {
  if (st) return *st;
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now;
}

}  // namespace

int GetDateFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCWSTR lpFormat, LPWSTR lpDateStr,
                   int cchDate) {
  if (BadBuffer(lpDateStr, cchDate)) return win32::Fail(ERROR_INVALID_PARAMETER);
  if (!ValidDateFlags(dwFlags, lpFormat != nullptr)) return win32::Fail(ERROR_INVALID_FLAGS);
  const DateLocale* loc = win32::FindDateLocale(Locale);
  const SYSTEMTIME st = Subject(lpDate);
  if (!loc || !win32::IsValidSystemDate(st)) return win32::Fail(ERROR_INVALID_PARAMETER);

  const std::u16string_view picture = lpFormat ? win32::WideView(lpFormat) : DatePicture(dwFlags, *loc);
  std::u16string text;
  if (dwFlags & DATE_LTRREADING) text += u'\u200E';
  if (dwFlags & DATE_RTLREADING) text += u'\u200F';
  for (const Token& t : Tokenize(picture, u"dMyg")) text += t.letter ? DateElement(t, st, *loc) : t.text;
  return Deliver(text, lpDateStr, cchDate);
}

int GetTimeFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCWSTR lpFormat, LPWSTR lpTimeStr,
                   int cchTime) {
  if (BadBuffer(lpTimeStr, cchTime)) return win32::Fail(ERROR_INVALID_PARAMETER);
  if ((dwFlags & ~kTimeFlags) || (lpFormat && (dwFlags & LOCALE_NOUSEROVERRIDE)))
    return win32::Fail(ERROR_INVALID_FLAGS);
  const DateLocale* loc = win32::FindDateLocale(Locale);
  const SYSTEMTIME st = Subject(lpTime);
  if (!loc || !win32::IsValidSystemTimeOfDay(st)) return win32::Fail(ERROR_INVALID_PARAMETER);

  std::vector<Token> tokens = Tokenize(lpFormat ? win32::WideView(lpFormat) : loc->time, u"hHmst");
  TrimTimeElements(tokens, dwFlags);
  const bool force24 = dwFlags & TIME_FORCE24HOURFORMAT;
  std::u16string text;
  for (const Token& t : tokens) {
    if (!t.dropped) text += t.letter ? TimeElement(t, st, *loc, force24) : t.text;
  }
  return Deliver(text, lpTimeStr, cchTime);
}
