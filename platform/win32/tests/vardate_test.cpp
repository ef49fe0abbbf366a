#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "win32/datetime_format.h"
#include "win32/errors.h"
#include "win32/oledate.h"
#include "win32/text.h"
#include "win32/time.h"
#include "systemtime_support.h"

namespace {

// The text's value as calendar fields, or the failure code.
std::string Read(const std::u16string& text, ULONG flags = 0) {
  DATE value = 0;
  const HRESULT hr = VarDateFromStr(text.c_str(), LOCALE_USER_DEFAULT, flags, &value);
  if (FAILED(hr)) return "hr " + std::to_string(static_cast<DWORD>(hr));
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(value, &st)) return "bad value";
  return Show(st);
}

std::string Err(HRESULT hr) { return "hr " + std::to_string(static_cast<DWORD>(hr)); }

TEST(VarDateFromStr, ReadsTheTextsOfTheUserLocale) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  struct Case {
    std::u16string text;
    SYSTEMTIME st;
  };
  const Case cases[] = {
      {u"3/15/2024 1:05:09 PM", St(2024, 3, 15, 13, 5, 9)},
      {u"3/15/2024 1:05 PM", St(2024, 3, 15, 13, 5)},
      {u"3/15/2024", St(2024, 3, 15)},
      {u"03/05/24", St(2024, 3, 5)},
      {u"1/2/29", St(2029, 1, 2)},
      {u"1/2/30", St(1930, 1, 2)},
      {u"1:05:09 PM", St(1899, 12, 30, 13, 5, 9)},
      {u"13:05", St(1899, 12, 30, 13, 5)},
      {u"3 PM", St(1899, 12, 30, 15)},
      {u"12:00 AM", St(1899, 12, 30, 0)},
      {u"12:00 PM 01/02/2024", St(2024, 1, 2, 12)},
      {u"00:30 AM 01/02/2024", St(2024, 1, 2, 0, 30)},
      {u"14:05 PM 03/15/2024", St(2024, 3, 15, 14, 5)},  // 24-hour clock with its marker
      {u" 03/04/2024", St(2024, 3, 4)},
      {u"Friday, March 15, 2024", St(2024, 3, 15)},
      {u"Fri 15 Mar 2024 9:30 am", St(2024, 3, 15, 9, 30)},
      {u"march 15, 2024", St(2024, 3, 15)},
      {u"Sept 1, 2024", St(2024, 9, 1)},
      {u"March 2024", St(2024, 3, 1)},
      {u"2024 March 15", St(2024, 3, 15)},
      {u"March 15", St(now.wYear, 3, 15)},
      {u"3/15", St(now.wYear, 3, 15)},
      {u"2024-03-15 13:05:09.000", St(2024, 3, 15, 13, 5, 9)},
      {u"2024-03-15T13:05:09.250", St(2024, 3, 15, 13, 5, 9)},
      {u"12/29/1899 6:00 AM", St(1899, 12, 29, 6)},
      {u"1/1/100", St(100, 1, 1)},
      {u"March 15, 2024 A.D. 1:05 P", St(2024, 3, 15, 13, 5)},
      {u"12/31/9999 11:59:59 PM", St(9999, 12, 31, 23, 59, 59)},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.text), Show(c.st)) << win32::Utf16ToUtf8(c.text);

  DATE value = 0;
  ASSERT_EQ(VarDateFromStr(u"12/29/1899 6:00 AM", LOCALE_USER_DEFAULT, 0, &value), S_OK);
  EXPECT_EQ(value, -1.25);
}

TEST(VarDateFromStr, DateOnlyAndTimeOnlyFlags) {
  EXPECT_EQ(Read(u"3/15/2024 1:05 PM", VAR_DATEVALUEONLY), "2024-03-15 00:00:00.000");
  EXPECT_EQ(Read(u"3/15/2024 1:05 PM", VAR_TIMEVALUEONLY), "1899-12-30 13:05:00.000");
  EXPECT_EQ(Read(u"12/29/1899 6:00 AM", VAR_DATEVALUEONLY), "1899-12-29 00:00:00.000");
  EXPECT_EQ(Read(u"3/15/2024", VAR_TIMEVALUEONLY), "1899-12-30 00:00:00.000");
  EXPECT_EQ(Read(u"1:05 PM", VAR_DATEVALUEONLY), "1899-12-30 00:00:00.000");
  EXPECT_EQ(Read(u"3/15/2024", VAR_DATEVALUEONLY | VAR_TIMEVALUEONLY), Err(E_INVALIDARG));
}

TEST(VarDateFromStr, RefusesTextThatIsNoDate) {
  const std::u16string mismatch[] = {
      u"", u"   ", u"E", u"IDS_INVALIDSYSTIME", u"hello 3/15/2024", u"2024", u"March", u"1/2/3/4",
      u"13/1/2024", u"2/30/2024", u"0/1/2024", u"3/15/2024 25:00", u"3/15/2024 1:60", u"3/15/2024 13:05 AM",
      u"1:2:3:4", u"12:", u"3/15/2024 1:05 PM PM", u"March April 2024", u"3/15/2024 \u20AC", u"1:05 PM 2:05 PM",
  };
  for (const std::u16string& text : mismatch) {
    DATE value = 42;
    EXPECT_EQ(VarDateFromStr(text.c_str(), LOCALE_USER_DEFAULT, 0, &value), DISP_E_TYPEMISMATCH)
        << win32::Utf16ToUtf8(text);
    EXPECT_EQ(value, 42) << win32::Utf16ToUtf8(text);
  }
  for (const char16_t* text : {u"1/1/10000", u"1/1/0099", u"12/31/99999999999"})
    EXPECT_EQ(Read(text), Err(DISP_E_OVERFLOW)) << win32::Utf16ToUtf8(text);
  DATE value = 0;
  EXPECT_EQ(VarDateFromStr(nullptr, LOCALE_USER_DEFAULT, 0, &value), E_INVALIDARG);
  EXPECT_EQ(VarDateFromStr(u"3/15/2024", LOCALE_USER_DEFAULT, 0, nullptr), E_INVALIDARG);
}

void UseZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

std::u16string Format(bool date, DWORD flags, const SYSTEMTIME& st, const char16_t* picture = nullptr) {
  WCHAR buf[128];
  const int n = date ? GetDateFormatW(LOCALE_USER_DEFAULT, flags, &st, picture, buf, 128)
                     : GetTimeFormatW(LOCALE_USER_DEFAULT, flags, &st, picture, buf, 128);
  EXPECT_GT(n, 0);
  return n > 0 ? std::u16string(buf) : std::u16string();
}

// Item dates are written as local date and time texts and read back by the
// importer: every form the writers use must come back as the same local
// time, in zones on both sides of UTC and across their DST changes.
TEST(VarDateFromStr, ReadsBackWrittenLocalTimesInEveryZone) {
  const char* zones[] = {"UTC", "Europe/Berlin", "Asia/Kolkata", "Australia/Sydney"};
  const SYSTEMTIME utcTimes[] = {
      St(2024, 3, 31, 0, 30, 15), St(2024, 3, 31, 1, 30, 15),   // Berlin springs forward
      St(2024, 10, 27, 0, 30, 0), St(2024, 10, 27, 1, 30, 0),   // Berlin falls back
      St(2024, 4, 6, 15, 30, 59), St(2024, 4, 6, 16, 30, 59),   // Sydney falls back
      St(2024, 10, 5, 15, 59, 0), St(2024, 10, 5, 16, 0, 0),    // Sydney springs forward
      St(2023, 12, 31, 23, 59, 59), St(2000, 2, 29, 12, 0, 0),
  };
  struct Form {
    DWORD dateFlags;
    const char16_t* datePicture;
    DWORD timeFlags;
    const char16_t* timePicture;
    bool timeFirst;
    bool seconds;
  };
  const Form forms[] = {
      {DATE_SHORTDATE, nullptr, TIME_NOSECONDS, nullptr, false, false},
      {DATE_SHORTDATE, nullptr, 0, nullptr, false, true},
      {DATE_LONGDATE, nullptr, 0, nullptr, false, true},
      {0, u"MM/dd/yyyy", 0, u"HH:mm tt", true, false},
      {0, u"yyyy-MM-dd", 0, u"HH:mm:ss", false, true},
      {DATE_SHORTDATE, nullptr, TIME_FORCE24HOURFORMAT, nullptr, false, true},
  };
  for (const char* zone : zones) {
    UseZone(zone);
    for (const SYSTEMTIME& utc : utcTimes) {
      FILETIME ft{}, localFt{};
      SYSTEMTIME local{};
      ASSERT_TRUE(SystemTimeToFileTime(&utc, &ft));
      ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &localFt));
      ASSERT_TRUE(FileTimeToSystemTime(&localFt, &local));
      for (const Form& f : forms) {
        const std::u16string date = Format(true, f.dateFlags, local, f.datePicture);
        const std::u16string time = Format(false, f.timeFlags, local, f.timePicture);
        const std::u16string text = f.timeFirst ? time + u" " + date : date + u" " + time;
        SYSTEMTIME expected = local;
        if (!f.seconds) expected.wSecond = 0;
        EXPECT_EQ(Read(text), Show(expected)) << zone << ": " << win32::Utf16ToUtf8(text);
        expected.wHour = expected.wMinute = expected.wSecond = 0;
        EXPECT_EQ(Read(text, VAR_DATEVALUEONLY), Show(expected)) << zone << ": " << win32::Utf16ToUtf8(text);
      }
    }
  }
}

}  // namespace
