#include "mfc/oledatetime.h"

#include <cmath>

#include "win32/oledate.h"

namespace {

// 1 January 100 and 31 December 9999 (the whole day).
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.99999999;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int* y, int* m, int* d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (*m <= 2));
}

const long long kEpochDays = DaysFromCivil(1899, 12, 30);

// The OLE date as a continuous day count, and back.
double Linear(DATE dt) {
  if (dt >= 0) return dt;
  const double day = std::trunc(dt);
  return day - (dt - day);  // -1.25 -> -0.75
}

DATE FromLinear(double x) {
  if (x >= 0) return x;
  const double day = std::floor(x);
  const double frac = x - day;
  return frac == 0 ? day : day - frac;  // -0.75 -> -1.25
}

bool InRange(DATE dt) { return dt >= kMinDate && dt <= kMaxDate; }

}  // namespace

// ---- COleDateTimeSpan

void COleDateTimeSpan::SetDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs) {
  m_span = lDays + ((nHours * 60.0 + nMins) * 60.0 + nSecs) / 86400.0;
  m_status = valid;
}

long long COleDateTimeSpan::TotalSeconds() const { return std::llround(m_span * 86400.0); }
LONG COleDateTimeSpan::GetDays() const { return static_cast<LONG>(TotalSeconds() / 86400); }
LONG COleDateTimeSpan::GetHours() const { return static_cast<LONG>(TotalSeconds() / 3600 % 24); }
LONG COleDateTimeSpan::GetMinutes() const { return static_cast<LONG>(TotalSeconds() / 60 % 60); }
LONG COleDateTimeSpan::GetSeconds() const { return static_cast<LONG>(TotalSeconds() % 60); }

namespace {
COleDateTimeSpan::DateTimeSpanStatus Combined(COleDateTimeSpan::DateTimeSpanStatus a,
                                              COleDateTimeSpan::DateTimeSpanStatus b) {
  if (a == COleDateTimeSpan::invalid || b == COleDateTimeSpan::invalid) return COleDateTimeSpan::invalid;
  if (a == COleDateTimeSpan::null || b == COleDateTimeSpan::null) return COleDateTimeSpan::null;
  return COleDateTimeSpan::valid;
}
}  // namespace

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& o) const {
  COleDateTimeSpan r(m_span + o.m_span);
  r.m_status = Combined(m_status, o.m_status);
  return r;
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& o) const {
  COleDateTimeSpan r(m_span - o.m_span);
  r.m_status = Combined(m_status, o.m_status);
  return r;
}

COleDateTimeSpan COleDateTimeSpan::operator-() const {
  COleDateTimeSpan r(-m_span);
  r.m_status = m_status;
  return r;
}

// ---- COleDateTime

COleDateTime::COleDateTime(DATE dtSrc) : m_dt(dtSrc), m_status(InRange(dtSrc) ? valid : invalid) {}

COleDateTime::COleDateTime(const SYSTEMTIME& st) {
  SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

COleDateTime::COleDateTime(std::time_t t) {
  std::tm tm{};
  if (!localtime_r(&t, &tm)) {
    m_status = invalid;
    return;
  }
  SetDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

COleDateTime::COleDateTime(const VARIANT& varSrc) {
  com::Variant date;
  if (FAILED(VariantChangeType(&date, &varSrc, 0, VT_DATE))) {
    m_dt = 0;
    m_status = invalid;
    return;
  }
  *this = COleDateTime(date.date);
}

COleDateTime COleDateTime::GetCurrentTime() { return COleDateTime(std::time(nullptr)); }

int COleDateTime::SetDateTime(int y, int mo, int d, int h, int mi, int s) {
  const bool ok = y >= 100 && y <= 9999 && mo >= 1 && mo <= 12 && d >= 1 && d <= DaysInMonth(y, mo) && h >= 0 &&
                  h <= 23 && mi >= 0 && mi <= 59 && s >= 0 && s <= 59;
  if (!ok) {
    m_dt = 0;
    m_status = invalid;
    return 1;
  }
  const double days = static_cast<double>(DaysFromCivil(y, mo, d) - kEpochDays);
  m_dt = FromLinear(days + ((h * 60.0 + mi) * 60.0 + s) / 86400.0);
  m_status = valid;
  return 0;
}

bool COleDateTime::Split(Parts* p) const {
  if (m_status != valid || !InRange(m_dt)) return false;
  const double x = Linear(m_dt);
  long long day = static_cast<long long>(std::floor(x));
  long long secs = std::llround((x - std::floor(x)) * 86400.0);
  if (secs >= 86400) {  // rounds up to the next midnight
    secs -= 86400;
    ++day;
  }
  CivilFromDays(day + kEpochDays, &p->year, &p->month, &p->day);
  p->hour = static_cast<int>(secs / 3600);
  p->minute = static_cast<int>(secs / 60 % 60);
  p->second = static_cast<int>(secs % 60);
  const long long unixDays = day + kEpochDays;  // 1970-01-01 was a Thursday
  p->dayOfWeek = static_cast<int>(((unixDays % 7 + 7) % 7 + 4) % 7) + 1;
  p->dayOfYear = static_cast<int>(day + kEpochDays - DaysFromCivil(p->year, 1, 1)) + 1;
  return true;
}

int COleDateTime::GetYear() const {
  Parts p;
  return Split(&p) ? p.year : AFX_OLE_DATETIME_ERROR;
}
int COleDateTime::GetMonth() const {
  Parts p;
  return Split(&p) ? p.month : AFX_OLE_DATETIME_ERROR;
}
int COleDateTime::GetDay() const {
  Parts p;
  return Split(&p) ? p.day : AFX_OLE_DATETIME_ERROR;
}
int COleDateTime::GetHour() const {
  Parts p;
  return Split(&p) ? p.hour : AFX_OLE_DATETIME_ERROR;
}
int COleDateTime::GetMinute() const {
  Parts p;
  return Split(&p) ? p.minute : AFX_OLE_DATETIME_ERROR;
}
int COleDateTime::GetSecond() const {
  Parts p;
  return Split(&p) ? p.second : AFX_OLE_DATETIME_ERROR;
}
int COleDateTime::GetDayOfWeek() const {
  Parts p;
  return Split(&p) ? p.dayOfWeek : AFX_OLE_DATETIME_ERROR;
}
int COleDateTime::GetDayOfYear() const {
  Parts p;
  return Split(&p) ? p.dayOfYear : AFX_OLE_DATETIME_ERROR;
}

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& st) const {
  Parts p;
  if (!Split(&p)) return false;
  st = SYSTEMTIME{static_cast<WORD>(p.year),   static_cast<WORD>(p.month),  static_cast<WORD>(p.dayOfWeek - 1),
                  static_cast<WORD>(p.day),    static_cast<WORD>(p.hour),   static_cast<WORD>(p.minute),
                  static_cast<WORD>(p.second), 0};
  return true;
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const {
  COleDateTime r;
  if (m_status != valid || span.m_status != COleDateTimeSpan::valid) {
    r.m_status = m_status == null || span.m_status == COleDateTimeSpan::null ? null : invalid;
    return r;
  }
  return COleDateTime(FromLinear(Linear(m_dt) + span.m_span));
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const { return *this + (-span); }

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& date) const {
  COleDateTimeSpan r(Linear(m_dt) - Linear(date.m_dt));
  if (m_status != valid || date.m_status != valid)
    r.m_status = m_status == null || date.m_status == null ? COleDateTimeSpan::null : COleDateTimeSpan::invalid;
  return r;
}

bool COleDateTime::operator<(const COleDateTime& o) const { return Linear(m_dt) < Linear(o.m_dt); }

bool COleDateTime::ParseDateTime(LPCWSTR lpszDate, DWORD dwFlags, LCID lcid) {
  DATE d = 0;
  if (!lpszDate || FAILED(VarDateFromStr(lpszDate, lcid, dwFlags, &d))) {
    m_dt = 0;
    m_status = invalid;
    return false;
  }
  *this = COleDateTime(d);
  return m_status == valid;
}
