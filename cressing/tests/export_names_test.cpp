// The pieces of the first export mode that stand alone: item types by
// message class, the free MIME file name, and the date range texts.
#include <gtest/gtest.h>

#include <fstream>

#include "ExportNames.h"
#include "ItemFilters.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

TEST(ExportNames, ItemTypeTakesTheWholeClassInItsCase) {
  const std::pair<const char16_t*, std::int32_t> cases[] = {
      {u"IPM.Appointment", 1}, {u"IPM.Contact", 2},     {u"IPM.DistList", 12},    {u"IPM.StickyNote", 3},
      {u"IPM.Task", 4},        {u"IPM.Activity", 5},    {u"IPM.Note", 0},         {u"", 0},
      {u"IPM.task", 0},        {u"IPM.Task.Custom", 0}, {u"IPM.Appointment ", 0}, {u"IPM.Schedule.Meeting.Request", 0},
  };
  for (const auto& [cls, type] : cases) EXPECT_EQ(GetItemType(cls), type) << win32::Utf16ToUtf8(cls);
}

TEST(ExportNames, FreeMimeFileNameIsEmptyWhereAFileIsInTheWay) {
  testing_support::TempMachine machine;
  const std::u16string folder = machine.scratch().u16string() + u"\\";
  EXPECT_EQ(GetFreeEmlFileName(folder, 1), folder + u"MSG1.eml");
  std::ofstream(machine.scratch() / "MSG1.eml") << "taken";
  EXPECT_EQ(GetFreeEmlFileName(folder, 1), u"");
  EXPECT_EQ(GetFreeEmlFileName(folder, 12), folder + u"MSG12.eml");
}

TEST(DateRanges, EndsAreReadMonthFirstAndRangesNeedTwoValidDates) {
  struct Case {
    const char16_t* text;
    int result;
    int month, day, year;  // of FROM, when the range reads
  };
  const Case cases[] = {
      {u"01/15/2023$12/31/2023", 1, 1, 15, 2023},
      {u" 3/04/2024$03/04/2024", 1, 3, 4, 2024},  // leading blanks are skipped
      {u"01/5/2024$01/05/2024", 1, 1, 5, 2024},   // the "/" after a one-digit day stops it
      {u"1/5/2024$01/05/2024", 0, 0, 0, 0},       // 8 characters
      {u"15/01/2024$01/20/2024", 0, 0, 0, 0},     // day first: month 15
      {u"02/30/2024$03/01/2024", 0, 0, 0, 0},     // no such day
      {u"01/15/2023", 0, 0, 0, 0},                // no "$"
      {u"$12/31/2023", 0, 0, 0, 0},
      {u"01/15/2023$", 0, 0, 0, 0},
      {u"01-15-2023$12/31/2023", 0, 0, 0, 0},  // no "/"
      {u"01/15-2023$12/31/2023", 0, 0, 0, 0},  // one "/"
      {u"", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win32::Utf16ToUtf8(c.text));
    COleDateTime from, to;
    EXPECT_EQ(ParseDateRange(c.text, from, to), c.result);
    if (c.result) {
      EXPECT_EQ(from.GetMonth(), c.month);
      EXPECT_EQ(from.GetDay(), c.day);
      EXPECT_EQ(from.GetYear(), c.year);
      EXPECT_EQ(from.GetHour(), 0);
    }
  }
  int day = 0, month = 0, year = 0;
  EXPECT_EQ(ParseDateParts(u"15/01/2024", day, month, year), 1) << "the parts are there, the date is not";
  EXPECT_EQ(month, 15);
  EXPECT_EQ(ParseDateParts(u"xx/yy/zzzz", day, month, year), 1);
  EXPECT_EQ(month + day + year, 0) << "no digits read as 0";
}

}  // namespace
