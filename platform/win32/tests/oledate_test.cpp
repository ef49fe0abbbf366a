#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "win32/oledate.h"
#include "systemtime_support.h"

namespace {

TEST(OleDate, FieldsAndDayCountsBothWays) {
  struct Case {
    SYSTEMTIME st;
    DATE value;
    WORD dayOfWeek;
  };
  const Case cases[] = {
      {St(1899, 12, 30), 0.0, 6},
      {St(1899, 12, 30, 6), 0.25, 6},
      {St(1899, 12, 29), -1.0, 5},
      {St(1899, 12, 29, 6), -1.25, 5},
      {St(1899, 12, 28, 18), -2.75, 4},
      {St(1900, 1, 1), 2.0, 1},
      {St(2024, 3, 15, 13, 5), 45366.0 + (13 * 60 + 5) / 1440.0, 5},
      {St(100, 1, 1), -657434.0, 5},
      {St(9999, 12, 31, 23, 59, 59), 2958465.0 + 86399 / 86400.0, 5},
  };
  for (const Case& c : cases) {
    DATE value = 99;
    ASSERT_TRUE(SystemTimeToVariantTime(&c.st, &value)) << Show(c.st);
    EXPECT_NEAR(value, c.value, 1e-9) << Show(c.st);
    SYSTEMTIME back{};
    ASSERT_TRUE(VariantTimeToSystemTime(c.value, &back)) << c.value;
    EXPECT_EQ(Show(back), Show(c.st)) << c.value;
    EXPECT_EQ(back.wDayOfWeek, c.dayOfWeek) << c.value;
  }
}

TEST(OleDate, RoundsToTheSecondAndCarriesIntoTheNextDay) {
  struct Case {
    DATE value;
    SYSTEMTIME st;
  };
  const Case cases[] = {
      {0.5 + 0.4 / 86400, St(1899, 12, 30, 12, 0, 0)},
      {0.5 + 0.6 / 86400, St(1899, 12, 30, 12, 0, 1)},
      {1.0 - 0.1 / 86400, St(1899, 12, 31)},
      {-1.0 - 0.99999999, St(1899, 12, 30)},  // day -1 at 24:00
      {-0.25, St(1899, 12, 30, 6)},           // no day before day 0 in the whole part
  };
  for (const Case& c : cases) {
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(c.value, &st)) << c.value;
    EXPECT_EQ(Show(st), Show(c.st)) << c.value;
  }
  // Milliseconds are not kept.
  const SYSTEMTIME withMs = St(1899, 12, 30, 12, 0, 0, 999);
  DATE value = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(&withMs, &value));
  EXPECT_EQ(value, 0.5);
}

TEST(OleDate, RefusesWhatIsOutOfRange) {
  const DATE values[] = {-657435.0, 2958466.0, 2958465.0 + 86399.6 / 86400, 1e300,
                         std::numeric_limits<double>::quiet_NaN()};
  for (DATE v : values) {
    SYSTEMTIME st = St(1, 1, 1);
    EXPECT_FALSE(VariantTimeToSystemTime(v, &st)) << v;
    EXPECT_EQ(st.wYear, 1) << v;
  }
  const SYSTEMTIME fields[] = {St(99, 12, 31), St(10000, 1, 1), St(2024, 13, 1), St(2023, 2, 29),
                               St(2024, 1, 1, 24), St(2024, 1, 1, 0, 60), St(2024, 1, 1, 0, 0, 60),
                               St(2024, 1, 1, 0, 0, 0, 1000)};
  for (const SYSTEMTIME& st : fields) {
    DATE value = 7;
    EXPECT_FALSE(SystemTimeToVariantTime(&st, &value)) << Show(st);
    EXPECT_EQ(value, 7) << Show(st);
  }
}

}  // namespace
