// The first export mode of the real engine over PST files made by pstgen:
// what each CD_ITEM_INFO carries, the requester's answers, the filters and
// the stop flag.
#include <chrono>
#include <ctime>

#include "export_engine.h"

namespace {

using namespace cressing_test;

// Entries after the walk: 2 Deleted Items, then the folders in this order.
constexpr char kTypes[] = R"({
 "store": {"display_name": "Types"},
 "folders": [
  {"name": "Inbox", "messages": [{"props": {"PR_SUBJECT_W": "Hello", "PR_BODY_W": "Hi there"}}]},
  {"name": "Calendar", "class": "IPF.Appointment", "messages": [{"class": "IPM.Appointment",
    "props": {"PR_SUBJECT_W": "Planning"}}]},
  {"name": "Contacts", "class": "IPF.Contact", "messages": [
    {"class": "IPM.Contact", "props": {"PR_SUBJECT_W": "Cat", "PR_DISPLAY_NAME_W": "Cat Jones"}},
    {"class": "IPM.DistList", "props": {"PR_SUBJECT_W": "Team", "PR_DISPLAY_NAME_W": "Team"},
     "named": [{"set": "PSETID_Address", "lid": 32852, "type": "PT_MV_BINARY",
                "value": ["oneoff:Al|SMTP|al@example.com", "oneoff:Bo|SMTP|bo@example.com"]}]},
    {"class": "IPM.Contact", "props": {"PR_SUBJECT_W": "Dan"}}]},
  {"name": "Tasks", "class": "IPF.Task", "messages": [{"class": "IPM.Task", "props": {"PR_SUBJECT_W": "Report"}}]},
  {"name": "Journal", "class": "IPF.Journal", "messages": [{"class": "IPM.Activity",
    "props": {"PR_SUBJECT_W": "Call"}}]},
  {"name": "Notes", "class": "IPF.StickyNote", "messages": [{"class": "IPM.StickyNote",
    "props": {"PR_SUBJECT_W": "Milk"}}]},
  {"name": "Mixed", "messages": [
    {"props": {"PR_SUBJECT_W": "mail"}},
    {"class": "IPM.Note.Custom", "props": {"PR_SUBJECT_W": "custom"}},
    {"class": "IPM.task", "props": {"PR_SUBJECT_W": "lower task"}},
    {"class": "IPM.Appointment", "props": {"PR_SUBJECT_W": "appointment"}},
    {"class": "IPM.Contact", "props": {"PR_SUBJECT_W": "contact"}},
    {"class": "IPM.DistList", "props": {"PR_SUBJECT_W": "list"}},
    {"class": "IPM.StickyNote", "props": {"PR_SUBJECT_W": "sticky"}},
    {"class": "IPM.Task", "props": {"PR_SUBJECT_W": "task"}},
    {"class": "IPM.Activity", "props": {"PR_SUBJECT_W": "journal"}},
    {"class": null, "props": {"PR_SUBJECT_W": "no class"}}]}
 ]})";

constexpr std::int32_t kDeletedItems = 2, kInbox = 3, kCalendar = 4, kContacts = 5, kTasks = 6, kJournal = 7,
                       kNotes = 8, kMixed = 9;

class ExportLoop : public ExportEngine {
 protected:
  void SetUp() override {
    RegisterConverter();
    StartOn({{MakePst("types", kTypes), u"Types"}});
  }
};

TEST_F(ExportLoop, AnnouncesEveryItemTypeWithItsFilesAndEndsWithNoMoreItems) {
  struct Case {
    std::int32_t entry;
    std::vector<std::int32_t> types;
    const char16_t* textFile;
    const char16_t* typeLine;
  };
  const Case cases[] = {
      {kInbox, {0}, u"Mail.txt", u"ITEM TYPE - EMAIL"},
      {kCalendar, {1}, u"Calendar.txt", u"ITEM TYPE - CALENDER"},
      {kContacts, {2, 12, 2}, nullptr, nullptr},
      {kTasks, {4}, u"Task.txt", u"ITEM TYPE - TASK"},
      {kJournal, {5}, u"Journal.txt", u"ITEM TYPE - JOURNAL"},
      {kNotes, {3}, u"Notes.txt", u"ITEM TYPE - EMAIL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    const ExportRun run = Export(c.entry);
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(run.errors.empty());
    ASSERT_EQ(run.items.size(), c.types.size());
    for (std::size_t i = 0; i < run.items.size(); ++i) {
      const Announced& item = run.items[i];
      EXPECT_EQ(item.itemType, c.types[i]);
      EXPECT_EQ(item.itemNumber, static_cast<std::int32_t>(i + 1));
      EXPECT_EQ(item.itemTotal, static_cast<std::int32_t>(c.types.size()));
      // The previous item's files were deleted, so MSG1.eml is free again.
      EXPECT_EQ(item.emlFile, WorkPath(u"MSG1.eml"));
      EXPECT_TRUE(item.emlExists);
      EXPECT_NE(item.eml.find("Subject: "), std::string::npos);
      EXPECT_EQ(item.attachmentList, WorkPath(u"AttachmentList.txt"));
      EXPECT_TRUE(item.attachmentListExists);
      EXPECT_TRUE(item.attachmentLines.empty());
      if (c.textFile) {
        EXPECT_EQ(item.itemTextFile, WorkPath(c.textFile));
        EXPECT_TRUE(item.itemText.starts_with(std::u16string(c.typeLine) + u"\r\n"));
      }
    }
    EXPECT_EQ(run.doneCount, 1);
    const auto* done = reinterpret_cast<const unsigned char*>(kNoMoreItems);
    EXPECT_EQ(run.doneBytes, std::vector<unsigned char>(done, done + 28)) << "\"No more items\" and its terminator";
  }
  // Nothing is left behind but the members file, which the importer deletes.
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{"DistListInfo.txt"});
}

TEST_F(ExportLoop, ContactsAndListsNameTheirTextAndOnlyAListNamesAMembersFile) {
  const ExportRun run = Export(kContacts);
  ASSERT_EQ(run.items.size(), 3u);
  EXPECT_EQ(run.items[0].itemTextFile, WorkPath(u"Contact.txt"));
  EXPECT_TRUE(run.items[0].itemText.find(u"<ITEM>Address Book Name : Export\\Folder</ITEM>") != std::u16string::npos);
  EXPECT_TRUE(run.items[0].membersFile.empty());
  EXPECT_EQ(run.items[1].itemTextFile, WorkPath(u"ContactDist.txt"));
  EXPECT_TRUE(run.items[1].itemText.starts_with(u"ITEM TYPE - CONTC_DIST_LIST\r\n"));
  EXPECT_EQ(run.items[1].membersFile, WorkPath(u"DistListInfo.txt"));
  EXPECT_EQ(
      ReadBytes(work_ / "DistListInfo.txt"),
      std::vector<unsigned char>({'a', 'l', '@', 'e', 'x', 'a', 'm', 'p', 'l', 'e', '.', 'c', 'o', 'm', '\r', '\n',
                                  'b', 'o', '@', 'e', 'x', 'a', 'm', 'p', 'l', 'e', '.', 'c', 'o', 'm', '\r', '\n'}));
  EXPECT_TRUE(run.items[2].membersFile.empty()) << "a contact after the list names none";
}

TEST_F(ExportLoop, EmptyFolderUnknownEntryAndStoreEntry) {
  ExportRun run = Export(kDeletedItems);
  EXPECT_EQ(run.result, 1);
  EXPECT_TRUE(run.items.empty());
  EXPECT_EQ(run.doneCount, 1);
  run = Export(99);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.doneCount, 0);
  EXPECT_TRUE(run.errors.empty());
  // The store's own entry carries no store to open a folder in.
  run = Export(1);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.errors, std::vector<std::u16string>{u"Error in getting store LPMDB"});
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(ExportLoop, AnswerZeroKeepsTheItemsFilesAndTheNextMimeFileTakesTheFirstFreeNumber) {
  const ExportRun stopped = Export(kMixed, {}, [](const Announced& item) { return item.itemNumber == 2 ? 0 : 1; });
  EXPECT_EQ(stopped.result, 1);
  ASSERT_EQ(stopped.items.size(), 2u);
  EXPECT_EQ(stopped.doneCount, 0);
  EXPECT_EQ(stopped.items[1].emlFile, WorkPath(u"MSG1.eml"));
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"AttachmentList.txt", "MSG1.eml", "Mail.txt"}));
  const auto kept = ReadBytes(work_ / "MSG1.eml");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), stopped.items[1].eml);

  // MSG1 is kept and MSG2 belongs to someone else: the next items take 3.
  std::ofstream(work_ / "MSG2.eml") << "not ours";
  const ExportRun next = Export(kInbox);
  ASSERT_EQ(next.items.size(), 1u);
  EXPECT_EQ(next.items[0].emlFile, WorkPath(u"MSG3.eml"));
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"MSG1.eml", "MSG2.eml"}));
}

// The Mixed folder's subjects, in table order.
const std::vector<std::u16string> kMixedSubjects = {u"mail", u"custom", u"lower task", u"appointment", u"contact",
                                                    u"list", u"sticky", u"task",       u"journal",     u"no class"};

std::vector<std::u16string> Without(std::initializer_list<const char16_t*> refused) {
  std::vector<std::u16string> subjects;
  for (const std::u16string& s : kMixedSubjects)
    if (std::find_if(refused.begin(), refused.end(), [&](const char16_t* r) { return s == r; }) == refused.end())
      subjects.push_back(s);
  return subjects;
}

TEST_F(ExportLoop, TypeSwitchesRefuseTheirTypesAndNumbersCountAnnouncedItemsOnly) {
  const ExportRun all = Export(kMixed);
  EXPECT_EQ(all.Subjects(), kMixedSubjects);
  std::vector<std::int32_t> types;
  for (const Announced& item : all.items) types.push_back(item.itemType);
  EXPECT_EQ(types, (std::vector<std::int32_t>{0, 0, 0, 1, 2, 12, 3, 4, 5, 0}));

  struct Case {
    std::size_t off;
    std::vector<std::u16string> announced;
  };
  const Case cases[] = {
      // An item without a class is never tested against the switches.
      {0, Without({u"mail", u"custom", u"lower task"})},
      {1, Without({u"appointment"})},
      {2, Without({u"task"})},
      {3, Without({u"contact", u"list"})},
      {4, Without({u"journal"})},
      {5, Without({u"sticky"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.off);
    Filters filters;
    filters.types[c.off] = 0;
    const ExportRun run = Export(kMixed, filters);
    EXPECT_EQ(run.Subjects(), c.announced);
    for (std::size_t i = 0; i < run.items.size(); ++i) {
      EXPECT_EQ(run.items[i].itemNumber, static_cast<std::int32_t>(i + 1));
      EXPECT_EQ(run.items[i].itemTotal, 10) << "the total counts every row";
    }
    EXPECT_EQ(run.doneCount, 1);
  }
  EXPECT_TRUE(WorkFiles().empty()) << "a refused item leaves no files";
}

TEST_F(ExportLoop, StopFromTheRequesterLeavesLaterItemsWithoutValuesAsMail) {
  Filters filters;
  filters.types[5] = 0;  // sticky notes off: after the stop even this one comes
  filters.mode = 1;      // and ranges refusing every dated item
  const ExportRun run = Export(kMixed, filters, [&](const Announced& item) -> LRESULT {
    if (item.itemNumber == 1) {
      const controller::SendResult stop = requester_.Send(window_, WM_STOP_EXPORT);
      EXPECT_TRUE(stop.delivered);
      EXPECT_EQ(stop.value, 1);
    }
    return item.itemNumber == 7 ? 0 : 1;
  });
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.doneCount, 0);
  ASSERT_EQ(run.items.size(), 7u);
  EXPECT_EQ(run.items[0].Subject(), u"mail");
  for (std::size_t i = 1; i < run.items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(run.items[i].itemType, 0);
    EXPECT_EQ(run.items[i].itemTextFile, WorkPath(u"Mail.txt"));
    EXPECT_EQ(run.items[i].Subject(), u"");
    EXPECT_TRUE(run.items[i].emlExists) << "the MIME file is still written";
    EXPECT_TRUE(run.items[i].membersFile.empty());
  }
  // The seventh row is the sticky note, announced as mail.
  EXPECT_NE(run.items[6].eml.find("sticky"), std::string::npos);
  // A later target-0 request clears the flag.
  const ExportRun again = Export(kInbox);
  ASSERT_EQ(again.items.size(), 1u);
  EXPECT_EQ(again.items[0].Subject(), u"Hello");
}

// A listing request served while an item waits for its answer replaces the
// entry list, and with it the entry the export started from: the export
// goes on over its own folder to the end.
TEST_F(ExportLoop, AListingWhileAnItemWaitsLeavesTheExportWhole) {
  const ExportRun run = Export(kMixed, {}, [&](const Announced& item) -> LRESULT {
    if (item.itemNumber <= 2) {
      EXPECT_EQ(requester_.Send(window_, WM_LIST_STORES).value, 0);
      EXPECT_EQ(requester_.Send(window_, WM_LIST_STORE_FOLDERS, 1).value, 0);
    }
    if (item.itemNumber == 3) {
      EXPECT_EQ(requester_.Send(window_, WM_LIST_STORES).value, 0);
    }
    return 1;
  });
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.Subjects(), kMixedSubjects);
  EXPECT_EQ(run.doneCount, 1);
  EXPECT_TRUE(run.errors.empty());
  EXPECT_TRUE(WorkFiles().empty());
}

// --- Date filters, with the clock of the machine ---

using Clock = std::chrono::system_clock;
constexpr auto kDay = std::chrono::hours(24);

// A time in UTC as strftime formats it.
std::string UtcText(Clock::time_point t, const char* format) {
  const std::time_t seconds = Clock::to_time_t(t);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, format, &utc);
  return text;
}
// A time as pstgen takes it, and a range end (month first) of its day.
std::string Iso(Clock::time_point t) { return UtcText(t, "%Y-%m-%dT%H:%M:%SZ"); }
std::string RangeEnd(Clock::time_point t) { return UtcText(t, "%m/%d/%Y"); }

class ExportDates : public ExportEngine {
 protected:
  ExportDates() : zone_("UTC"), now_(Clock::now()) {}
  void SetUp() override {
    RegisterConverter();
    const auto at = [&](std::chrono::hours ago) { return Iso(now_ - ago); };
    const std::string description = R"({"store": {"display_name": "Dates"}, "folders": [{"name": "Dated", "messages": [
      {"props": {"PR_SUBJECT_W": "today", "PR_CLIENT_SUBMIT_TIME": ")" +
                                    at(0 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "6 days", "PR_CLIENT_SUBMIT_TIME": ")" +
                                    at(6 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "7 days", "PR_CLIENT_SUBMIT_TIME": ")" +
                                    at(7 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "29 days", "PR_CLIENT_SUBMIT_TIME": ")" +
                                    at(29 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "30 days", "PR_CLIENT_SUBMIT_TIME": ")" +
                                    at(30 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "tomorrow", "PR_CLIENT_SUBMIT_TIME": ")" +
                                    at(-1 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "delivered", "PR_MESSAGE_DELIVERY_TIME": ")" +
                                    at(2 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "created", "PR_CREATION_TIME": ")" +
                                    at(40 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "submit first", "PR_CLIENT_SUBMIT_TIME": ")" +
                                    at(40 * kDay) + R"(", "PR_MESSAGE_DELIVERY_TIME": ")" + at(0 * kDay) +
                                    R"(", "PR_CREATION_TIME": ")" + at(0 * kDay) + R"("}},
      {"props": {"PR_SUBJECT_W": "no date"}}]}]})";
    StartOn({{MakePst("dates", description), u"Dates"}});
  }
  std::string Day(int daysAgo) const { return RangeEnd(now_ - daysAgo * kDay); }

  Zone zone_;
  Clock::time_point now_;
};

TEST_F(ExportDates, RelativeChoicesAndRangesWithBothEndsIncluded) {
  constexpr std::int32_t kDated = 3;
  const std::vector<std::u16string> all = {u"today",    u"6 days",    u"7 days",  u"29 days",      u"30 days",
                                           u"tomorrow", u"delivered", u"created", u"submit first", u"no date"};
  struct Case {
    const char* what;
    std::int32_t mode;
    std::int32_t choice;
    std::vector<std::string> ranges;
    std::vector<std::u16string> announced;
  };
  const Case cases[] = {
      {"no limit", 0, 0, {}, all},
      {"7 days: today and the 6 before", 0, 1, {}, {u"today", u"6 days", u"delivered", u"no date"}},
      {"30 days", 0, 4, {}, {u"today", u"6 days", u"7 days", u"29 days", u"delivered", u"no date"}},
      {"a choice out of the table is 0 days", 0, 11, {}, {u"no date"}},
      {"an unknown mode refuses every date", 2, 0, {}, {u"no date"}},
      {"no ranges", 1, 0, {}, {u"no date"}},
      {"both ends included", 1, 0, {Day(7) + "$" + Day(6)}, {u"6 days", u"7 days", u"no date"}},
      {"later ranges are tried",
       1,
       0,
       {"01/01/2000", "$" + Day(0), Day(40) + "$", "13/01/2000$12/31/2099", Day(40) + "$" + Day(40)},
       {u"created", u"submit first", u"no date"}},
      {"a wide range", 1, 0, {"01/01/2000$12/31/2099"}, all},
      {"an end of 8 characters is unusable", 1, 0, {"1/1/2000$12/31/2099"}, {u"no date"}},
      {"the day is read from the two characters after the first slash", 1, 0, {"01/1/2000$12/31/2099"}, all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Filters filters;
    filters.mode = c.mode;
    filters.relativeChoice = c.choice;
    filters.ranges = c.ranges;
    const ExportRun run = Export(kDated, filters);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.Subjects(), c.announced);
    EXPECT_TRUE(run.errors.empty());
    if (!run.items.empty()) {
      EXPECT_EQ(run.items.back().itemTotal, 10);
      EXPECT_EQ(run.items.back().itemNumber, static_cast<std::int32_t>(c.announced.size()));
    }
  }
}

TEST_F(ExportDates, ItemTextsCarryTheDateTheFilterSaw) {
  const ExportRun run = Export(3);
  ASSERT_EQ(run.items.size(), 10u);
  // "submit first": the submit time, 40 days back, is its creation date.
  const std::u16string text = run.items[8].itemText;
  const std::string day = Day(40);
  const int month = std::stoi(day.substr(0, 2)), date = std::stoi(day.substr(3, 2));
  const std::string expected = std::to_string(month) + "/" + std::to_string(date) + "/" + day.substr(6, 4) + " ";
  EXPECT_NE(text.find(u"Creation Date : " + win32::Utf8ToUtf16(expected)), std::u16string::npos)
      << win32::Utf16ToUtf8(text);
  EXPECT_NE(run.items[9].itemText.find(u"Creation Date : \r\n"), std::u16string::npos);
}

}  // namespace
