// The item text reader over files as the extraction engine writes them
// (its own writers), and over hand-written files that end early, lack a
// type, or carry dates the locale cannot read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "ItemText.h"
#include "ItemTextRecord.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;

COleDateTime Date(int year, int month, int day, int hour = 0, int minute = 0) {
  return COleDateTime(year, month, day, hour, minute, 0);
}
COleDateTime Invalid() {
  COleDateTime date;
  date.SetStatus(COleDateTime::invalid);
  return date;
}

std::string Text(const CString& text) { return win32::Utf16ToUtf8(text); }

void ExpectDate(const char* field, const COleDateTime& got, const COleDateTime& want) {
  EXPECT_EQ(got.GetStatus(), want.GetStatus()) << field;
  EXPECT_EQ(got.m_dt, want.m_dt) << field;
}

// Every field of the record, by name.
void ExpectRecord(const ItemTextRecord& got, const ItemTextRecord& want) {
  EXPECT_EQ(got.type, want.type);
  ExpectDate("created", got.created, want.created);
  EXPECT_EQ(got.read, want.read);
  const struct {
    const char* name;
    CString ItemTextRecord::*field;
  } texts[] = {
      {"from", &ItemTextRecord::from},
      {"to", &ItemTextRecord::to},
      {"cc", &ItemTextRecord::cc},
      {"bcc", &ItemTextRecord::bcc},
      {"subject", &ItemTextRecord::subject},
      {"body", &ItemTextRecord::body},
      {"location", &ItemTextRecord::location},
      {"contact1", &ItemTextRecord::contact1},
      {"contact2", &ItemTextRecord::contact2},
      {"category", &ItemTextRecord::category},
      {"status", &ItemTextRecord::status},
      {"priority", &ItemTextRecord::priority},
      {"orgConfidential", &ItemTextRecord::orgConfidential},
      {"importance", &ItemTextRecord::importance},
  };
  for (const auto& t : texts) EXPECT_EQ(Text(got.*t.field), Text(want.*t.field)) << t.name;
  ExpectDate("start", got.start, want.start);
  ExpectDate("end", got.end, want.end);
  ExpectDate("due", got.due, want.due);
}

class ItemTextReader : public ::testing::Test {
 protected:
  fs::path Write(const std::u16string& text) {
    const fs::path file = machine_.scratch() / "Item.txt";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (char16_t unit : text) out << static_cast<char>(unit & 0xFF) << static_cast<char>(unit >> 8);
    return file;
  }
  ItemTextRecord Read(const fs::path& file) {
    ItemTextRecord record;
    ReadItemTextFile(win32::Utf8ToUtf16(file.string()), record);
    return record;
  }

  testing_support::TempMachine machine_;
};

// One item with every value set, as the export gathers them.
ItemValues EveryValue() {
  ItemValues v;
  v.clientSubmitTime = u"3/15/2024 1:05 PM";
  v.readStatus = u"1";
  v.from = u"Ann Smith";
  v.to = u"Bo";
  v.cc = u"Cy";
  v.subject = u"Plans";
  v.body = u"Line 1\r\nLine 2";
  v.importance = u"2";
  v.priority = u"-1";
  v.displayName = u"Cat Jones";
  v.givenName = u"Cat";
  v.appointmentStart = u"14:05 PM 03/15/2024";
  v.appointmentEnd = u"15:00 PM 03/15/2024";
  v.appointmentLocation = u"Room 4";
  v.taskStart = u" 03/04/2024";
  v.taskDue = u" 03/08/2024";
  v.taskStatus = u"1";
  v.taskPrivate = u"1";
  v.categories = u"2: Red; Blue";
  return v;
}

// The header every type shares.
ItemTextRecord Header(std::int32_t type) {
  ItemTextRecord r;
  r.type = type;
  r.created = Date(2024, 3, 15, 13, 5);
  r.read = 1;
  r.from = u"Ann Smith";
  r.to = u"Bo";
  r.cc = u"Cy";
  r.subject = u"Plans";
  return r;
}

TEST_F(ItemTextReader, ReadsEveryTypeAsTheExtractionEngineWritesIt) {
  const struct {
    std::int32_t itemType;  // the extraction engine's
    std::function<void(ItemTextRecord&)> expect;
  } cases[] = {
      {0,
       [](ItemTextRecord& r) {
         r.importance = u"2";
         r.body = u"Line 1\rLine 2";
       }},
      {3,  // a sticky note travels as mail
       [](ItemTextRecord& r) {
         r.importance = u"2";
         r.body = u"Line 1\rLine 2";
       }},
      {1,
       [](ItemTextRecord& r) {
         r.type = kItemCalendar;
         r.start = Date(2024, 3, 15, 14, 5);
         r.end = Date(2024, 3, 15, 15, 0);
         r.location = u"Room 4";
         r.category = u"2: Red; Blue";
         r.body = u"Line 1\rLine 2";
       }},
      {4,
       [](ItemTextRecord& r) {
         r.type = kItemTask;
         r.start = Date(2024, 3, 4);
         r.due = Date(2024, 3, 8);
         r.category = u"2: Red; Blue";
         r.status = u"1";
         r.priority = u"-1";
         r.orgConfidential = u"1";
         r.body = u"Line 1\rLine 2";
       }},
      {5,
       [](ItemTextRecord& r) {
         r.type = kItemJournal;
         r.category = u"2: Red; Blue";
         r.body = u"Line 1\rLine 2\r";
       }},
      {12,
       [](ItemTextRecord& r) {
         r.type = kItemDistList;
         r.body =
             u"<ITEM>Comment : Line 1\rLine 2</ITEM>\r<ITEM>Name : Cat Jones</ITEM>\r"
             u"<ITEM>Category : 2: Red; Blue</ITEM>\r";
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.itemType);
    ItemValues values = EveryValue();
    values.itemType = c.itemType;
    ItemTextRecord want = Header(kItemMail);
    c.expect(want);
    ExpectRecord(Read(Write(ComposeItemText(values, u"Mailbox").text)), want);
  }
}

// Lines that end in a lone LF keep their breaks as single CRs, as CR LF
// lines do, instead of running together ("3 Dock StHull").
TEST_F(ItemTextReader, ALoneLineFeedStaysABreak) {
  ItemValues values = EveryValue();
  values.itemType = 0;
  values.body = u"3 Dock St\nHull\n\nEnd\r\nBye";
  ItemTextRecord want = Header(kItemMail);
  want.importance = u"2";
  want.body = u"3 Dock St\rHull\r\rEnd\rBye";
  ExpectRecord(Read(Write(ComposeItemText(values, u"Mailbox").text)), want);
}

TEST_F(ItemTextReader, AContactKeepsTheValuesOfItsTwoFirstLinesAndTheRestAsBody) {
  ItemValues values = EveryValue();
  values.itemType = 2;
  values.body = u"Met at the fair.\r\nLikes tea.";
  const ItemTextRecord record = Read(Write(ComposeItemText(values, u"Mailbox<TagName>Contacts").text));
  EXPECT_EQ(record.type, kItemContact);
  EXPECT_EQ(Text(record.contact1), "Mailbox\\Contacts");
  EXPECT_EQ(Text(record.contact2), "Mailbox\\Contacts");
  EXPECT_TRUE(record.body.starts_with(u"<ITEM>Name : Cat Jones</ITEM>\r<ITEM>First Name : Cat</ITEM>\r"))
      << Text(record.body);
  EXPECT_NE(record.body.find(u"<ITEM>Comment : Met at the fair.\rLikes tea.</ITEM>\r"), CString::npos);
  EXPECT_TRUE(record.body.ends_with(u"<ITEM>OtherStreetAddress : </ITEM>\r"));
  EXPECT_EQ(std::count(record.body.begin(), record.body.end(), u'\n'), 0);
}

TEST_F(ItemTextReader, HandWrittenFiles) {
  const std::u16string header =
      u"Creation Date : 3/15/2024 1:05 PM\r\nRead Status : 1\r\nFrom : Ann Smith\r\nTo : Bo\r\nCC : Cy\r\n"
      u"Bcc : \r\nSubject : Plans\r\n";
  ItemTextRecord nothing;
  nothing.created = Invalid();
  nothing.read = 1;
  const struct {
    const char* what;
    std::u16string text;
    std::function<void(ItemTextRecord&)> expect;
  } cases[] = {
      {"seven lines: no subject, no type lines, no body",
       u"ITEM TYPE - CALENDER\r\nCreation Date : 3/15/2024 1:05 PM\r\nRead Status : 1\r\nFrom : Ann Smith\r\n"
       u"To : Bo\r\nCC : Cy\r\nBcc : ",
       [](ItemTextRecord& r) {
         r = Header(kItemCalendar);
         r.subject.clear();
         r.start = r.end = Invalid();
       }},
      {"a task that ends after its start line", u"ITEM TYPE - TASK\r\n" + header + u"Start Date :  03/04/2024\r\n",
       [](ItemTextRecord& r) {
         r = Header(kItemTask);
         r.start = Date(2024, 3, 4);
         r.due = Invalid();
       }},
      {"no type keyword: the body follows the header", u"ITEM TYPE - MEMO\r\n" + header + u"Body : first\r\nsecond",
       [](ItemTextRecord& r) {
         r = Header(kItemUnknown);
         r.body = u"first\rsecond";
       }},
      {"CR kept, LF dropped (a lone LF leaves a CR), labels removed only where they are the line's own",
       u"ITEM TYPE - EMAIL\r\n" + header.substr(0, header.find(u"Subject")) +
           u"Subject : Re: To : x\r\nImportance : 1\r\nBody : one\r\ntwo\nthree Body : four",
       [](ItemTextRecord& r) {
         r = Header(kItemMail);
         r.subject = u"Re: To : x";
         r.importance = u"1";
         r.body = u"one\rtwo\rthree four";
       }},
      {"the dist-list keyword is no contact", u"ITEM TYPE - CONTC_DIST_LIST\r\n" + header,
       [](ItemTextRecord& r) { r = Header(kItemDistList); }},
      {"contact lines without a key",
       u"ITEM TYPE - CONTACT\r\n" + header + u"<ITEM>no separator</ITEM>\r\n<ITEM>Group Name : a : b</ITEM>\r\n",
       [](ItemTextRecord& r) {
         r = Header(kItemContact);
         r.contact2 = u"a : b";
       }},
      {"unread", u"ITEM TYPE - EMAIL\r\nCreation Date : \r\nRead Status : UNREAD\r\n",
       [](ItemTextRecord& r) {
         r.type = kItemMail;
         r.created = Invalid();
       }},
      {"an empty file", u"", [&](ItemTextRecord& r) { r = nothing; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ItemTextRecord want;
    c.expect(want);
    ExpectRecord(Read(Write(c.text)), want);
  }
  ExpectRecord(Read(machine_.scratch() / "missing.txt"), nothing);
}

TEST_F(ItemTextReader, DatesAreReadByTheUsersLocaleWithinTheOleRange) {
  const struct {
    std::u16string text;
    COleDateTime date;
  } cases[] = {
      {u"3/15/2024 1:05 PM", Date(2024, 3, 15, 13, 5)},
      {u"12/31/9999 11:59 PM", Date(9999, 12, 31, 23, 59)},
      {u"1/1/100 12:00 AM", Date(100, 1, 1)},
      {u"1/1/10000 12:00 AM", Invalid()},
      {u"2/30/2024 1:00 PM", Invalid()},
      {u"soon", Invalid()},
      {u"", Invalid()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Text(c.text));
    ExpectDate("created", ParseItemDate(u"Creation Date : " + c.text), c.date);
    const auto record = Read(Write(u"ITEM TYPE - TASK\r\n" + std::u16string(7, u'\n') + u"Start Date : " + c.text));
    ExpectDate("start", record.start, c.date);
  }
  EXPECT_EQ(ParseReadStatus(u"Read Status : 0"), 1);
  EXPECT_EQ(ParseReadStatus(u"Read Status : 1"), 1);
}

}  // namespace
