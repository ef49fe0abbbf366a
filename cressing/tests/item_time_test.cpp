// Date texts of the item text files under several zones. Local time is taken
// with the zone's rules at the item's own time, whenever the export runs.
#include <gtest/gtest.h>

#include <string>

#include "ItemTime.h"
#include "cressing_test_support.h"
#include "mapi/mapitags.h"
#include "win32/text.h"

namespace {

using cressing_test::UtcTime;

std::string FileTimeText(const FILETIME& time) {
  SPropValue props[2] = {};
  props[0].ulPropTag = PR_SUBJECT_W;
  props[1].ulPropTag = PR_CLIENT_SUBMIT_TIME;
  props[1].Value.ft = time;
  return win32::Utf16ToUtf8(FileTimePropToText(props, 1));
}

TEST(ItemTime, LocalTextsUseTheZoneRulesOfTheItemsOwnTime) {
  const struct {
    const char* zone;
    FILETIME time;
    const char* fileTimeText;
    const char* namedText;
  } cases[] = {
      {"UTC", UtcTime(2024, 3, 15, 13, 5), "3/15/2024 1:05 PM", "13:05 PM 03/15/2024"},
      {"UTC", UtcTime(2024, 3, 15, 0, 30), "3/15/2024 12:30 AM", "00:30 AM 03/15/2024"},
      {"UTC", UtcTime(2024, 3, 15, 12, 0), "3/15/2024 12:00 PM", "12:00 PM 03/15/2024"},
      {"UTC", UtcTime(1601, 1, 1, 0, 0), "1/1/1601 12:00 AM", "00:00 AM 01/01/1601"},
      {"Europe/Paris", UtcTime(2024, 3, 15, 13, 5), "3/15/2024 2:05 PM", "14:05 PM 03/15/2024"},
      // Winter and summer time, whatever the season of the test run.
      {"America/New_York", UtcTime(2024, 1, 15, 13, 5), "1/15/2024 8:05 AM", "08:05 AM 01/15/2024"},
      {"America/New_York", UtcTime(2024, 7, 15, 13, 5), "7/15/2024 9:05 AM", "09:05 AM 07/15/2024"},
      // The minute before and the minute of the spring change.
      {"America/New_York", UtcTime(2024, 3, 10, 6, 59), "3/10/2024 1:59 AM", "01:59 AM 03/10/2024"},
      {"America/New_York", UtcTime(2024, 3, 10, 7, 0), "3/10/2024 3:00 AM", "03:00 AM 03/10/2024"},
      {"Asia/Kolkata", UtcTime(2024, 3, 15, 13, 5), "3/15/2024 6:35 PM", "18:35 PM 03/15/2024"},
      // East of UTC the local date is already the next day.
      {"Australia/Sydney", UtcTime(2024, 3, 15, 20, 0), "3/16/2024 7:00 AM", "07:00 AM 03/16/2024"},
      {"Australia/Sydney", UtcTime(2024, 7, 15, 20, 0), "7/16/2024 6:00 AM", "06:00 AM 07/16/2024"},
      {"Pacific/Kiritimati", UtcTime(2024, 12, 31, 11, 0), "1/1/2025 1:00 AM", "01:00 AM 01/01/2025"},
  };
  for (const auto& c : cases) {
    const cressing_test::Zone zone(c.zone);
    const std::string at = std::string(c.zone) + " " + c.fileTimeText;
    EXPECT_EQ(FileTimeText(c.time), c.fileTimeText) << at;
    EXPECT_EQ(win32::Utf16ToUtf8(NamedTimeToText(c.time)), c.namedText) << at;
  }
}

// Task start and due dates hold local midnight as it stands: west of UTC a
// conversion would move them into the day before.
TEST(ItemTime, LocalTimesAreTakenAsTheyStand) {
  for (const char* tz : {"America/New_York", "Asia/Kolkata", "UTC", "Pacific/Kiritimati"}) {
    const cressing_test::Zone zone(tz);
    EXPECT_EQ(NamedTimeToText(UtcTime(2024, 3, 4, 0, 0), TimeBase::Local), u"00:00 AM 03/04/2024") << tz;
  }
}

TEST(ItemTime, NoDateAndTimesPastItGiveEmptyTexts) {
  const cressing_test::Zone zone("America/New_York");
  const FILETIME cases[] = {
      UtcTime(4501, 1, 1, 0, 0),      // the "no date" of items
      UtcTime(9999, 12, 31, 23, 59),  // past it
      UtcTime(30000, 1, 1, 0, 0),     // past what a date can hold
      {0xFFFFFFFFu, 0xFFFFFFFFu},     // no valid file time at all
  };
  for (const FILETIME& time : cases) {
    EXPECT_EQ(FileTimeText(time), "") << time.dwHighDateTime;
    EXPECT_EQ(NamedTimeToText(time), u"") << time.dwHighDateTime;
    EXPECT_EQ(NamedTimeToText(time, TimeBase::Local), u"") << time.dwHighDateTime;
  }
  // The last minute before it still has its text.
  EXPECT_EQ(NamedTimeToText(UtcTime(4500, 12, 31, 23, 59), TimeBase::Local), u"23:59 PM 12/31/4500");
}

TEST(ItemTime, FileTimeTextIsEmptyForAValueOfAnotherType) {
  SPropValue props[1] = {};
  props[0].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_CLIENT_SUBMIT_TIME));
  EXPECT_EQ(FileTimePropToText(props, 0), u"");
  EXPECT_EQ(FileTimePropToText(nullptr, 0), u"");
}

}  // namespace
