#include <gtest/gtest.h>

#include <string>

#include "win32/datetime_format.h"
#include "win32/errors.h"
#include "win32/text.h"
#include "win32/time.h"
#include "systemtime_support.h"

namespace {

// Formats through the sizing call first, as callers do.
template <typename Fn>
std::u16string Call(Fn fn, LCID lcid, DWORD flags, const SYSTEMTIME* st, const char16_t* picture) {
  const int needed = fn(lcid, flags, st, picture, nullptr, 0);
  if (needed <= 0) return u"<fail " + win32::Utf8ToUtf16(std::to_string(GetLastError())) + u">";
  std::u16string out(static_cast<std::size_t>(needed), u'#');
  EXPECT_EQ(fn(lcid, flags, st, picture, out.data(), needed), needed);
  EXPECT_EQ(out.back(), u'\0');
  out.pop_back();
  return out;
}

std::u16string Date(DWORD flags, const SYSTEMTIME& st, const char16_t* picture = nullptr,
                    LCID lcid = LOCALE_USER_DEFAULT) {
  return Call(GetDateFormatW, lcid, flags, &st, picture);
}
std::u16string Time(DWORD flags, const SYSTEMTIME& st, const char16_t* picture = nullptr,
                    LCID lcid = LOCALE_USER_DEFAULT) {
  return Call(GetTimeFormatW, lcid, flags, &st, picture);
}

const SYSTEMTIME kTuesday = St(2024, 3, 5, 14, 7, 9);
const SYSTEMTIME kMidnight = St(2009, 11, 23, 0, 5, 3);
const SYSTEMTIME kNoon = St(1999, 12, 31, 12, 0, 0);

struct Case {
  DWORD flags;
  const char16_t* picture;
  SYSTEMTIME st;
  std::u16string expected;
};

TEST(DateFormat, FlagsAndPictures) {
  const Case cases[] = {
      {0, nullptr, kTuesday, u"3/5/2024"},
      {DATE_SHORTDATE, nullptr, kTuesday, u"3/5/2024"},
      {DATE_SHORTDATE, nullptr, kMidnight, u"11/23/2009"},
      {DATE_LONGDATE, nullptr, kTuesday, u"Tuesday, March 5, 2024"},
      {DATE_LONGDATE, nullptr, kNoon, u"Friday, December 31, 1999"},
      {DATE_YEARMONTH, nullptr, kTuesday, u"March 2024"},
      {DATE_MONTHDAY, nullptr, kTuesday, u"March 5"},
      {DATE_SHORTDATE | DATE_LTRREADING, nullptr, kTuesday, u"\u200E3/5/2024"},
      {0, u"dd/MM/yy", kTuesday, u"05/03/24"},
      {0, u"ddd d MMM yyyy", kTuesday, u"Tue 5 Mar 2024"},
      {0, u"dddddd, MMMMM", kMidnight, u"Monday, November"},
      {0, u"y|yy|yyyy", St(2009, 1, 2), u"9|09|2009"},
      {0, u"yyyy", St(800, 1, 2), u"0800"},
      {0, u"'Day' d 'of' MMMM, gg", kTuesday, u"Day 5 of March, A.D."},
      {0, u"'It''s' dddd", kTuesday, u"It's Tuesday"},
      {0, u"d h:mm tt", kTuesday, u"5 h:mm tt"},  // time letters are plain text here
      {0, u"d 'open", kTuesday, u"5 open"},
      {0, u"", kTuesday, u""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Date(c.flags, c.st, c.picture), c.expected)
        << "flags " << c.flags << " picture " << (c.picture ? win32::Utf16ToUtf8(c.picture) : "-");
}

TEST(TimeFormat, FlagsAndPictures) {
  const Case cases[] = {
      {0, nullptr, kTuesday, u"2:07:09 PM"},
      {TIME_NOSECONDS, nullptr, kTuesday, u"2:07 PM"},
      {TIME_NOMINUTESORSECONDS, nullptr, kTuesday, u"2 PM"},
      {TIME_NOTIMEMARKER, nullptr, kTuesday, u"2:07:09"},
      {TIME_FORCE24HOURFORMAT, nullptr, kTuesday, u"14:07:09 PM"},
      {TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER | TIME_NOSECONDS, nullptr, kTuesday, u"14:07"},
      {0, nullptr, kMidnight, u"12:05:03 AM"},
      {TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, nullptr, kMidnight, u"0:05:03"},
      {TIME_NOSECONDS, nullptr, kNoon, u"12:00 PM"},
      {0, u"HH'h'mm", kTuesday, u"14h07"},
      {0, u"hh:mm:ss t", kMidnight, u"12:05:03 A"},
      {0, u"H:m:s", kMidnight, u"0:5:3"},
      {TIME_NOSECONDS, u"h:mm:ss tt", kTuesday, u"2:07 PM"},
      {TIME_NOTIMEMARKER, u"tt h:mm", kTuesday, u"2:07"},
      {TIME_NOMINUTESORSECONDS, u"mm:ss", kTuesday, u""},
      {TIME_NOSECONDS, u"h:mm 'sharp':ss", kTuesday, u"2:07 sharp"},
      {0, u"d/M h", kTuesday, u"d/M 2"},  // date letters are plain text here
  };
  for (const Case& c : cases)
    EXPECT_EQ(Time(c.flags, c.st, c.picture), c.expected)
        << "flags " << c.flags << " picture " << (c.picture ? win32::Utf16ToUtf8(c.picture) : "-");
}

TEST(DateTimeFormat, LocalesOfTheMachine) {
  for (LCID lcid : {LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT, LCID{0x409}, LOCALE_NEUTRAL}) {
    EXPECT_EQ(Date(DATE_SHORTDATE, kTuesday, nullptr, lcid), u"3/5/2024") << lcid;
    EXPECT_EQ(Time(0, kTuesday, nullptr, lcid), u"2:07:09 PM") << lcid;
  }
  EXPECT_EQ(Date(DATE_SHORTDATE, kTuesday, nullptr, LOCALE_INVARIANT), u"03/05/2024");
  EXPECT_EQ(Time(0, kTuesday, nullptr, LOCALE_INVARIANT), u"14:07:09");
}

TEST(DateTimeFormat, CountContract) {
  WCHAR buf[16];
  EXPECT_EQ(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &kTuesday, nullptr, nullptr, 0), 9);
  EXPECT_EQ(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &kTuesday, nullptr, buf, 9), 9);
  EXPECT_EQ(std::u16string(buf), u"3/5/2024");
  SetLastError(0);
  EXPECT_EQ(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &kTuesday, nullptr, buf, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &kTuesday, nullptr, buf, 10), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &kTuesday, nullptr, buf, 11), 11);
}

TEST(DateTimeFormat, Failures) {
  struct Failure {
    bool date;
    LCID lcid;
    DWORD flags;
    SYSTEMTIME st;
    const char16_t* picture;
    int cch;
    DWORD error;
  };
  const Failure cases[] = {
      {true, LOCALE_USER_DEFAULT, DATE_SHORTDATE | DATE_LONGDATE, kTuesday, nullptr, 0, ERROR_INVALID_FLAGS},
      {true, LOCALE_USER_DEFAULT, DATE_SHORTDATE, kTuesday, u"d", 0, ERROR_INVALID_FLAGS},
      {true, LOCALE_USER_DEFAULT, DATE_LTRREADING | DATE_RTLREADING, kTuesday, nullptr, 0, ERROR_INVALID_FLAGS},
      {true, LOCALE_USER_DEFAULT, 0x100, kTuesday, nullptr, 0, ERROR_INVALID_FLAGS},
      {true, 0x407, DATE_SHORTDATE, kTuesday, nullptr, 0, ERROR_INVALID_PARAMETER},
      {true, LOCALE_USER_DEFAULT, DATE_SHORTDATE, St(2024, 13, 1), nullptr, 0, ERROR_INVALID_PARAMETER},
      {true, LOCALE_USER_DEFAULT, DATE_SHORTDATE, St(2023, 2, 29), nullptr, 0, ERROR_INVALID_PARAMETER},
      {true, LOCALE_USER_DEFAULT, DATE_SHORTDATE, kTuesday, nullptr, -1, ERROR_INVALID_PARAMETER},
      {false, LOCALE_USER_DEFAULT, 0x10, kTuesday, nullptr, 0, ERROR_INVALID_FLAGS},
      {false, LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, kTuesday, u"h", 0, ERROR_INVALID_FLAGS},
      {false, LOCALE_USER_DEFAULT, 0, St(2024, 1, 1, 24), nullptr, 0, ERROR_INVALID_PARAMETER},
      {false, LOCALE_USER_DEFAULT, 0, St(2024, 1, 1, 0, 60), nullptr, 0, ERROR_INVALID_PARAMETER},
      {false, 0x40C, 0, kTuesday, nullptr, 0, ERROR_INVALID_PARAMETER},
      {false, LOCALE_USER_DEFAULT, 0, kTuesday, nullptr, 5, ERROR_INVALID_PARAMETER},  // count without buffer
  };
  for (const Failure& c : cases) {
    SetLastError(0);
    const int r = c.date ? GetDateFormatW(c.lcid, c.flags, &c.st, c.picture, nullptr, c.cch)
                         : GetTimeFormatW(c.lcid, c.flags, &c.st, c.picture, nullptr, c.cch);
    EXPECT_EQ(r, 0) << (c.date ? "date" : "time") << " flags " << c.flags;
    EXPECT_EQ(GetLastError(), c.error) << (c.date ? "date" : "time") << " flags " << c.flags;
  }
  // The time formatter ignores the date fields, the date formatter the time.
  EXPECT_EQ(Time(0, St(0, 0, 0, 9, 30, 0)), u"9:30:00 AM");
  EXPECT_EQ(Date(0, St(2024, 1, 2, 99)), u"1/2/2024");
}

TEST(DateTimeFormat, NoSystemTimeMeansNow) {
  SYSTEMTIME before{}, after{};
  GetLocalTime(&before);
  const std::u16string date = Call(GetDateFormatW, LOCALE_USER_DEFAULT, DATE_LONGDATE, nullptr, nullptr);
  const std::u16string time = Call(GetTimeFormatW, LOCALE_USER_DEFAULT, 0, nullptr, u"HH:mm");
  GetLocalTime(&after);
  EXPECT_TRUE(date == Date(DATE_LONGDATE, before) || date == Date(DATE_LONGDATE, after)) << win32::Utf16ToUtf8(date);
  EXPECT_TRUE(time == Time(0, before, u"HH:mm") || time == Time(0, after, u"HH:mm")) << win32::Utf16ToUtf8(time);
}

}  // namespace
