// Calendar items through the real engine: the appointment's items in order
// with both names of each end, dates as the item text writes them, the
// categories without their count, and no recipients.
#include "builder_engine.h"

namespace {

using namespace fennick_test;

struct CalendarText {
  Header header;
  std::u16string start = u"14:05 PM 03/15/2024";  // a 24-hour hour with its marker
  std::u16string end = u"15:30 PM 03/15/2024";
  std::u16string location = u"Room 4";
  std::u16string category = u"2: Red; Blue";
  std::u16string body = u"Agenda\r\nsecond line";
};

class FennickAppointment : public FennickBuilder {
 protected:
  void WriteCalendar(const CalendarText& c) {
    WriteItemText(HeaderText(u"CALENDER", c.header) + u"Start Date : " + c.start + u"\r\nEnd Date : " + c.end +
                  u"\r\nLocation : " + c.location + u"\r\nCategory : " + c.category + u"\r\nBody : " + c.body);
  }
};

// The MIME file's subject and sender come first, the item text's when it
// has none; the MIME file's recipients are not used.
TEST_F(FennickAppointment, ItemsInOrderWithBothNamesOfEachEnd) {
  WriteCalendar({});
  for (const bool eml : {false, true}) {
    SCOPED_TRACE(eml ? "with a MIME file" : "without");
    if (eml) WriteEml(kMimeMessage);
    EXPECT_EQ(Items(Inserted()), (std::vector<Item>{
                                     Text("Form", {"Appointment"}),
                                     Text("Subject", {eml ? "Mime subject" : "Item subject"}),
                                     Text("From", {eml ? "\"Ann Mime\" <ann@example.com>" : "Ann Item"}),
                                     Text("Location", {"Room 4"}),
                                     Text("Categories", {" Red; Blue"}),
                                     Text("ExcludeFromView", {"S", "D"}),
                                     Time("StartDate", "2024-03-15T14:05:00"),
                                     Time("STARTDATETIME", "2024-03-15T14:05:00"),
                                     Time("EndDate", "2024-03-15T15:30:00"),
                                     Time("EndDateTime", "2024-03-15T15:30:00"),
                                     Time("PostedDate", "2024-03-04T09:05:00"),
                                     Html("Agenda\rsecond line"),
                                 }));
  }
  EXPECT_EQ(Items(Inserted(1)).back(), Text("Body", {"Mime text\r\n"}));
}

// Each end on its own: one that does not read as a date leaves both its items out.
TEST_F(FennickAppointment, EndsThatDoNotReadAreLeftOut) {
  struct Case {
    std::u16string start, end;
    std::vector<std::string> dates;
  };
  const Case cases[] = {
      {u"09:00 AM 01/02/2024", u"", {"StartDate", "STARTDATETIME", "PostedDate"}},
      {u"", u"00:30 AM 01/02/2024", {"EndDate", "EndDateTime", "PostedDate"}},
      {u"09:00 AM 01/02/10000", u"IDS_INVALIDSYSTIME", {"PostedDate"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win32::Utf16ToUtf8(c.start + u" / " + c.end));
    CalendarText calendar;
    calendar.start = c.start;
    calendar.end = c.end;
    WriteCalendar(calendar);
    std::vector<std::string> dates;
    for (const Item& item : Items(Inserted()))
      if (item.type == "time") dates.push_back(item.name);
    EXPECT_EQ(dates, c.dates);
  }
  CalendarText midnight;
  midnight.end = u"00:30 AM 01/02/2024";
  WriteCalendar(midnight);
  EXPECT_EQ(ItemsNamed(Inserted(), "EndDateTime"), std::vector<Item>{Time("EndDateTime", "2024-01-02T00:30:00")});
}

TEST_F(FennickAppointment, CategoriesLoseTheirFirstTwoCharacters) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"2: Red; Blue", " Red; Blue"}, {u"12: a; b", ": a; b"}, {u"0: ", " "}, {u"x", ""}, {u"", ""}};
  for (const auto& [category, written] : cases) {
    SCOPED_TRACE(win32::Utf16ToUtf8(category));
    CalendarText calendar;
    calendar.category = category;
    WriteCalendar(calendar);
    EXPECT_EQ(ItemsNamed(Inserted(), "Categories"), std::vector<Item>{Text("Categories", {written})});
  }
}

}  // namespace
