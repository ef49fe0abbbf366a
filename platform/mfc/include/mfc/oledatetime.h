// COleDateTime (an OLE date with a validity status) and COleDateTimeSpan.
//
// An OLE date counts days from 30 December 1899; the fraction is the time of
// day. Before that day the integer part is negative but the fraction still
// runs forward (-1.25 is 29 December 1899, 06:00), so arithmetic goes
// through a linear day count.
#pragma once

#include <ctime>
#include <string>

#include "com/variant.h"
#include "win32/types.h"

constexpr int AFX_OLE_DATETIME_ERROR = -1;

class COleDateTimeSpan {
 public:
  enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

  COleDateTimeSpan() = default;
  COleDateTimeSpan(double dblSpanSrc) : m_span(dblSpanSrc) {}
  COleDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs) { SetDateTimeSpan(lDays, nHours, nMins, nSecs); }

  void SetDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs);
  DateTimeSpanStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeSpanStatus status) { m_status = status; }

  double GetTotalDays() const { return m_span; }
  double GetTotalHours() const { return m_span * 24; }
  double GetTotalMinutes() const { return m_span * 24 * 60; }
  double GetTotalSeconds() const { return m_span * 24 * 60 * 60; }
  // Parts of the span rounded to the second; negative for a negative span.
  LONG GetDays() const;
  LONG GetHours() const;
  LONG GetMinutes() const;
  LONG GetSeconds() const;

  COleDateTimeSpan operator+(const COleDateTimeSpan& o) const;
  COleDateTimeSpan operator-(const COleDateTimeSpan& o) const;
  COleDateTimeSpan operator-() const;
  COleDateTimeSpan& operator+=(const COleDateTimeSpan& o) { return *this = *this + o; }
  COleDateTimeSpan& operator-=(const COleDateTimeSpan& o) { return *this = *this - o; }
  bool operator==(const COleDateTimeSpan& o) const { return m_status == o.m_status && m_span == o.m_span; }
  auto operator<=>(const COleDateTimeSpan& o) const { return m_span <=> o.m_span; }

  double m_span = 0;
  DateTimeSpanStatus m_status = valid;

 private:
  long long TotalSeconds() const;
};

class COleDateTime {
 public:
  enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

  COleDateTime() = default;
  // A date outside 1 January 100 to 31 December 9999 is invalid.
  COleDateTime(DATE dtSrc);
  // Parts with the validity rules of SetDateTime.
  COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
    SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
  }
  COleDateTime(const SYSTEMTIME& st);
  // Local time of a time_t.
  COleDateTime(std::time_t t);
  // A variant converted to a date; one that does not convert gives 0, invalid.
  COleDateTime(const VARIANT& varSrc);

  COleDateTime& operator=(DATE dtSrc) { return *this = COleDateTime(dtSrc); }
  COleDateTime& operator=(const VARIANT& varSrc) { return *this = COleDateTime(varSrc); }

  // The current local date and time, to the second.
  static COleDateTime GetCurrentTime();

  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }
  operator DATE() const { return m_dt; }

  // Year 100-9999, month 1-12, day within the month, hour 0-23, minute and
  // second 0-59. Returns 0 when valid; otherwise 1, with the value 0 and the
  // status invalid.
  int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);
  int SetDate(int nYear, int nMonth, int nDay) { return SetDateTime(nYear, nMonth, nDay, 0, 0, 0); }
  int SetTime(int nHour, int nMin, int nSec) { return SetDateTime(1899, 12, 30, nHour, nMin, nSec); }

  // Parts; AFX_OLE_DATETIME_ERROR unless the status is valid.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 = Sunday
  int GetDayOfYear() const;  // 1 = 1 January
  bool GetAsSystemTime(SYSTEMTIME& st) const;

  // Text read by the rules of the user's locale (VarDateFromStr). Returns
  // false and sets the status invalid when it does not read as a date.
  bool ParseDateTime(LPCWSTR lpszDate, DWORD dwFlags = 0, LCID lcid = 0x0400);

  COleDateTime operator+(const COleDateTimeSpan& span) const;
  COleDateTime operator-(const COleDateTimeSpan& span) const;
  COleDateTime& operator+=(const COleDateTimeSpan& span) { return *this = *this + span; }
  COleDateTime& operator-=(const COleDateTimeSpan& span) { return *this = *this - span; }
  COleDateTimeSpan operator-(const COleDateTime& date) const;

  // Compared in time order (the value alone, as in the framework).
  bool operator==(const COleDateTime& o) const { return m_dt == o.m_dt; }
  bool operator<(const COleDateTime& o) const;
  bool operator>(const COleDateTime& o) const { return o < *this; }
  bool operator<=(const COleDateTime& o) const { return !(o < *this); }
  bool operator>=(const COleDateTime& o) const { return !(*this < o); }

  DATE m_dt = 0;
  DateTimeStatus m_status = valid;

 private:
  struct Parts {
    int year, month, day, hour, minute, second, dayOfWeek, dayOfYear;
  };
  bool Split(Parts* p) const;
};
