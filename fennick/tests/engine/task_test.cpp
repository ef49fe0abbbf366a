// Tasks through the real engine: the items in order, the importance and
// status maps, the categories as the item text has them, the dates with
// the item text's leading blank, and the posted date's one candidate.
#include "builder_engine.h"

namespace {

using namespace fennick_test;

struct TaskText {
  Header header;
  std::u16string start = u" 03/04/2024";  // the writer keeps what follows the "M"
  std::u16string due = u" 03/08/2024";
  std::u16string category = u"3: Red; Blue; Green";
  std::u16string status = u"1";
  std::u16string priority = u"-1";
  std::u16string orgConfidential = u"1";
  std::u16string body = u"Steps\r\nmore";
};

class FennickTask : public FennickBuilder {
 protected:
  void WriteTask(const TaskText& t) {
    WriteItemText(HeaderText(u"TASK", t.header) + u"Start Date : " + t.start + u"\r\nDue Date : " + t.due +
                  u"\r\nCategory : " + t.category + u"\r\nStatus : " + t.status + u"\r\nPriority : " + t.priority +
                  u"\r\nOrgConfidential : " + t.orgConfidential + u"\r\nBody : " + t.body);
  }
};

TEST_F(FennickTask, ItemsInOrder) {
  WriteTask({});
  EXPECT_EQ(Items(Inserted()), (std::vector<Item>{
                                   Text("Form", {"Task"}),
                                   Text("Subject", {"Item subject"}),
                                   Text("From", {"Ann Item"}),
                                   Text("Importance", {"3"}),
                                   Text("DisplayStatus", {"In progress"}),
                                   Text("Categories", {"3: Red; Blue; Green"}),
                                   Text("ExcludeFromView", {"S", "D"}),
                                   Text("OrgConfidential", {"1"}),
                                   Time("DueDate", "2024-03-08T00:00:00"),
                                   Time("StartDate", "2024-03-04T00:00:00"),
                                   Time("PostedDate", "2024-03-04T09:05:00"),
                                   Html("Steps\rmore"),
                               }));

  // Nothing but empty values: the text items stay, with one empty value.
  TaskText empty{{u"", u"", u""}, u"", u"", u"", u"", u"", u"", u""};
  WriteTask(empty);
  EXPECT_EQ(Items(Inserted()), (std::vector<Item>{
                                   Text("Form", {"Task"}),
                                   Text("Subject", {""}),
                                   Text("From", {""}),
                                   Text("Importance", {"0"}),
                                   Text("Categories", {""}),
                                   Text("ExcludeFromView", {"S", "D"}),
                                   Text("OrgConfidential", {""}),
                                   Text("Body", {""}),
                               }));
}

TEST_F(FennickTask, PriorityAndStatusAsNotesShowsThem) {
  const std::pair<std::u16string, std::optional<std::string>> priorities[] = {
      {u"-1", "3"},          {u"1", "1"},
      {u"0", "0"},           {u"", "0"},
      {u"x", "0"},           {u" +1", "1"},
      {u"1x", "1"},          {u"2", std::nullopt},
      {u"-2", std::nullopt}, {u"99999999999999999999", std::nullopt}};
  for (const auto& [priority, importance] : priorities) {
    SCOPED_TRACE(win32::Utf16ToUtf8(priority));
    TaskText task;
    task.priority = priority;
    WriteTask(task);
    EXPECT_EQ(ItemsNamed(Inserted(), "Importance"),
              importance ? std::vector<Item>{Text("Importance", {*importance})} : std::vector<Item>{});
  }
  const std::pair<std::u16string, std::optional<std::string>> statuses[] = {
      {u"0", "Not started"}, {u"1", "In progress"}, {u"2", "Complete"},    {u"3", "Waiting on someone else"},
      {u"4", "Overdue"},     {u"5", std::nullopt},  {u" 1", std::nullopt}, {u"", std::nullopt}};
  for (const auto& [status, display] : statuses) {
    SCOPED_TRACE(win32::Utf16ToUtf8(status));
    TaskText task;
    task.status = status;
    WriteTask(task);
    EXPECT_EQ(ItemsNamed(Inserted(), "DisplayStatus"),
              display ? std::vector<Item>{Text("DisplayStatus", {*display})} : std::vector<Item>{});
  }
}

// The start and due dates need only read; the posted date is the creation
// date when it reads, else the received time, and only from 1901 to 3999.
TEST_F(FennickTask, DatesAndTheirEdges) {
  struct Case {
    std::u16string created, start, due;
    bool eml;
    std::vector<Item> dates;
  };
  const Case cases[] = {
      {u"no date",
       u" 03/04/2024",
       u"E",
       true,
       {Time("StartDate", "2024-03-04T00:00:00"), Time("PostedDate", "2005-03-01T10:00:00")}},
      {u"no date", u"", u" 12/31/1850", false, {Time("DueDate", "1850-12-31T00:00:00")}},
      {u"1/1/1850 10:00 AM", u"", u"", true, {}},
      {u"1/1/4000 10:00 AM", u"", u" 1/1/10000", true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win32::Utf16ToUtf8(c.created + u" / " + c.start + u" / " + c.due));
    TaskText task;
    task.header.created = c.created;
    task.start = c.start;
    task.due = c.due;
    WriteTask(task);
    if (c.eml)
      WriteEml(kMimeMessage);
    else
      fs::remove(EmlPath());
    std::vector<Item> dates;
    for (const Item& item : Items(Inserted()))
      if (item.type == "time") dates.push_back(item);
    EXPECT_EQ(dates, c.dates);
  }
}

TEST_F(FennickTask, PlainBodyFlagWithOnlyAnHtmlBody) {
  TaskText task;
  task.body = u"";
  WriteTask(task);
  WriteEml(
      "Subject: s\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"b\"\r\n\r\n"
      "--b\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<p>only html</p>\r\n--b--\r\n");
  EXPECT_EQ(ItemsNamed(Inserted(1), "Body"), std::vector<Item>{Text("Body", {"<p>only html</p>"})});
}

}  // namespace
