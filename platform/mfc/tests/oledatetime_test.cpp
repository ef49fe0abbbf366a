#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "mfc/oledatetime.h"
#include "mfc/olevariant.h"
#include "win32/oledate.h"

namespace {

struct Parts {
  int y, mo, d, h, mi, s;
};

std::string Show(const COleDateTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d status %d", t.GetYear(), t.GetMonth(), t.GetDay(),
                t.GetHour(), t.GetMinute(), t.GetSecond(), static_cast<int>(t.GetStatus()));
  return buf;
}

COleDateTime At(const Parts& p) { return COleDateTime(p.y, p.mo, p.d, p.h, p.mi, p.s); }

std::string Label(const Parts& p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d-%d-%d %d:%d:%d", p.y, p.mo, p.d, p.h, p.mi, p.s);
  return buf;
}

TEST(COleDateTime, ConstructionFromPartsFollowsTheValidityRules) {
  struct Case {
    Parts in;
    bool valid;
    DATE value;  // checked when valid
  };
  const Case cases[] = {
      {{1899, 12, 30, 0, 0, 0}, true, 0.0},
      {{1899, 12, 29, 6, 0, 0}, true, -1.25},  // before day 0 the fraction still runs forward
      {{1900, 1, 1, 0, 0, 0}, true, 2.0},
      {{2024, 3, 15, 18, 0, 0}, true, 45366.75},
      {{2024, 2, 29, 0, 0, 0}, true, 45351.0},
      {{2000, 2, 29, 0, 0, 0}, true, 36585.0},
      {{100, 1, 1, 0, 0, 0}, true, -657434.0},
      {{9999, 12, 31, 23, 59, 59}, true, 2958465.0 + 86399.0 / 86400},
      {{2023, 2, 29, 0, 0, 0}, false, 0},
      {{1900, 2, 29, 0, 0, 0}, false, 0},  // not a leap year
      {{99, 12, 31, 0, 0, 0}, false, 0},
      {{10000, 1, 1, 0, 0, 0}, false, 0},
      {{2024, 0, 1, 0, 0, 0}, false, 0},
      {{2024, 13, 1, 0, 0, 0}, false, 0},
      {{2024, 4, 31, 0, 0, 0}, false, 0},
      {{2024, 1, 0, 0, 0, 0}, false, 0},
      {{2024, 1, 1, 24, 0, 0}, false, 0},
      {{2024, 1, 1, 0, 60, 0}, false, 0},
      {{2024, 1, 1, 0, 0, 60}, false, 0},
      {{2024, 1, 1, -1, 0, 0}, false, 0},
  };
  for (const Case& c : cases) {
    const COleDateTime t = At(c.in);
    ASSERT_EQ(t.GetStatus() == COleDateTime::valid, c.valid) << Label(c.in);
    if (!c.valid) {
      EXPECT_EQ(t.m_dt, 0.0) << Label(c.in);
      EXPECT_EQ(t.GetYear(), AFX_OLE_DATETIME_ERROR) << Label(c.in);
      continue;
    }
    EXPECT_NEAR(t.m_dt, c.value, 1e-9) << Label(c.in);
    const int parts[] = {t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond()};
    const int given[] = {c.in.y, c.in.mo, c.in.d, c.in.h, c.in.mi, c.in.s};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(parts[i], given[i]) << Label(c.in) << " part " << i;
  }
  EXPECT_EQ(COleDateTime(2024, 3, 15, 0, 0, 0).GetDayOfWeek(), 6);  // a Friday
  EXPECT_EQ(COleDateTime(2024, 3, 15, 0, 0, 0).GetDayOfYear(), 75);
  EXPECT_EQ(COleDateTime(1899, 12, 29, 0, 0, 0).GetDayOfWeek(), 6);
  EXPECT_EQ(COleDateTime(3000000.0).GetStatus(), COleDateTime::invalid);
}

TEST(COleDateTime, ArithmeticWithSpans) {
  struct Case {
    Parts from;
    COleDateTimeSpan span;
    Parts expect;
  };
  const Case cases[] = {
      {{2024, 2, 28, 0, 0, 0}, COleDateTimeSpan(1, 0, 0, 0), {2024, 2, 29, 0, 0, 0}},
      {{2024, 2, 28, 0, 0, 0}, COleDateTimeSpan(2, 0, 0, 0), {2024, 3, 1, 0, 0, 0}},
      {{2024, 3, 1, 10, 30, 0}, COleDateTimeSpan(-30, 0, 0, 0), {2024, 1, 31, 10, 30, 0}},  // keeps the time
      {{1899, 12, 30, 0, 0, 0}, COleDateTimeSpan(0, -6, 0, 0), {1899, 12, 29, 18, 0, 0}},
      {{1899, 12, 29, 6, 0, 0}, COleDateTimeSpan(1, 0, 0, 0), {1899, 12, 30, 6, 0, 0}},
      {{1899, 12, 29, 6, 0, 0}, COleDateTimeSpan(0, 12, 0, 0), {1899, 12, 29, 18, 0, 0}},
      {{2024, 12, 31, 23, 59, 59}, COleDateTimeSpan(0, 0, 0, 1), {2025, 1, 1, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const COleDateTime from = At(c.from);
    EXPECT_EQ(Show(from + c.span), Show(At(c.expect))) << Label(c.from) << " + " << c.span.m_span;
    EXPECT_EQ(Show(At(c.expect) - c.span), Show(from)) << Label(c.expect) << " - " << c.span.m_span;
    EXPECT_NEAR((At(c.expect) - from).GetTotalSeconds(), c.span.GetTotalSeconds(), 1e-3) << Label(c.from);
  }
  // Time order holds across day 0, where the stored values run the other way.
  EXPECT_LT(At({1899, 12, 29, 6, 0, 0}), At({1899, 12, 29, 18, 0, 0}));
  EXPECT_LT(At({1899, 12, 29, 18, 0, 0}), At({1899, 12, 30, 0, 0, 0}));
  EXPECT_GE(At({2024, 1, 2, 0, 0, 0}), At({2024, 1, 1, 23, 59, 59}));

  // Leaving the range, or starting invalid, gives an invalid result.
  EXPECT_EQ((At({9999, 12, 31, 0, 0, 0}) + COleDateTimeSpan(1, 0, 0, 0)).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ((At({2023, 2, 29, 0, 0, 0}) + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ((At({2023, 2, 29, 0, 0, 0}) - At({2024, 1, 1, 0, 0, 0})).GetStatus(), COleDateTimeSpan::invalid);
}

TEST(COleDateTimeSpan, Parts) {
  const COleDateTimeSpan s(1, 2, 3, 4);
  EXPECT_EQ(s.GetDays(), 1);
  EXPECT_EQ(s.GetHours(), 2);
  EXPECT_EQ(s.GetMinutes(), 3);
  EXPECT_EQ(s.GetSeconds(), 4);
  EXPECT_NEAR(s.GetTotalHours(), 26.0 + 3.0 / 60 + 4.0 / 3600, 1e-9);
  const COleDateTimeSpan neg = -s;
  EXPECT_EQ(neg.GetDays(), -1);
  EXPECT_EQ(neg.GetHours(), -2);
  EXPECT_EQ((s - s).GetTotalSeconds(), 0.0);
  EXPECT_LT(neg, s);
}

TEST(COleDateTime, FromVariantsTextAndTheClock) {
  const COleDateTime fromText = COleVariant(u"3/15/2024 6:00 PM");
  EXPECT_EQ(Show(fromText), Show(At({2024, 3, 15, 18, 0, 0})));
  const COleDateTime bad = COleVariant(u"no date at all");
  EXPECT_EQ(bad.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(bad.m_dt, 0.0);

  COleDateTime parsed;
  ASSERT_TRUE(parsed.ParseDateTime(u"3/15/2024 6:00 PM", VAR_DATEVALUEONLY));
  EXPECT_EQ(Show(parsed), Show(At({2024, 3, 15, 0, 0, 0})));
  EXPECT_FALSE(parsed.ParseDateTime(u"31/31/2024"));
  EXPECT_EQ(parsed.GetStatus(), COleDateTime::invalid);

  const std::time_t before = std::time(nullptr);
  const COleDateTime now = COleDateTime::GetCurrentTime();
  std::tm tm{};
  localtime_r(&before, &tm);
  ASSERT_EQ(now.GetStatus(), COleDateTime::valid);
  const COleDateTime expected = At({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
  EXPECT_LE(std::abs((now - expected).GetTotalSeconds()), 2.0);

  SYSTEMTIME st{};
  ASSERT_TRUE(At({2024, 3, 15, 18, 1, 2}).GetAsSystemTime(st));
  EXPECT_EQ(COleDateTime(st), At({2024, 3, 15, 18, 1, 2}));
  EXPECT_EQ(st.wDayOfWeek, 5);
}

}  // namespace
