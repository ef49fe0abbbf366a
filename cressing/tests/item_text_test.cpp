// The item text files: each type's text as the Notes import engine reads
// it, line by line, and the file it lands in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ItemText.h"
#include "cressing_test_support.h"
#include "win32/text.h"

namespace {

// One item with every value set, so that each writer shows which it takes.
ItemValues EveryValue() {
  ItemValues v;
  v.clientSubmitTime = u"3/15/2024 1:05 PM";
  v.deliveryTime = u"3/15/2024 1:06 PM";
  v.creationTime = u"3/15/2024 1:00 PM";
  v.readStatus = u"1";
  v.from = u"Ann Smith";
  v.senderAddress = u"ann@example.com";
  v.to = u"Bo";
  v.cc = u"Cy";
  v.bcc = u"";
  v.subject = u"Plans";
  v.body = u"Line 1\r\nLine 2";
  v.importance = u"2";
  v.priority = u"-1";
  v.displayName = u"Cat Jones";
  v.givenName = u"Cat";
  v.surname = u"Jones";
  v.middleName = u"Q";
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

const std::u16string kHeader =
    u"Creation Date : 3/15/2024 1:05 PM\r\nRead Status : 1\r\nFrom : Ann Smith\r\nTo : Bo\r\nCC : Cy\r\nBcc : \r\n"
    u"Subject : Plans\r\n";

TEST(ItemText, EachTypeHasItsFileTypeLineAndLines) {
  const struct {
    std::int32_t itemType;
    std::u16string file, text;
  } cases[] = {
      {0, u"Mail.txt", u"ITEM TYPE - EMAIL\r\n" + kHeader + u"Importance : 2\r\nBody : Line 1\r\nLine 2"},
      {3, u"Notes.txt", u"ITEM TYPE - EMAIL\r\n" + kHeader + u"Importance : 2\r\nBody : Line 1\r\nLine 2"},
      {1, u"Calendar.txt",
       u"ITEM TYPE - CALENDER\r\n" + kHeader +
           u"Start Date : 14:05 PM 03/15/2024\r\nEnd Date : 15:00 PM 03/15/2024\r\nLocation : Room 4\r\n"
           u"Category : 2: Red; Blue\r\nBody : Line 1\r\nLine 2"},
      {4, u"Task.txt",
       u"ITEM TYPE - TASK\r\n" + kHeader +
           u"Start Date :  03/04/2024\r\nDue Date :  03/08/2024\r\nCategory : 2: Red; Blue\r\nStatus : 1\r\n"
           u"Priority : -1\r\nOrgConfidential : 1\r\nBody : Line 1\r\nLine 2"},
      {5, u"Journal.txt",
       u"ITEM TYPE - JOURNAL\r\n" + kHeader + u"Category : 2: Red; Blue\r\nBody : Line 1\r\nLine 2\r\n"},
      {12, u"ContactDist.txt",
       u"ITEM TYPE - CONTC_DIST_LIST\r\n" + kHeader +
           u"<ITEM>Comment : Line 1\r\nLine 2</ITEM>\r\n<ITEM>Name : Cat Jones</ITEM>\r\n"
           u"<ITEM>Category : 2: Red; Blue</ITEM>\r\n"},
      {7, u"Mail.txt", u"ITEM TYPE - EMAIL\r\n" + kHeader + u"Importance : 2\r\nBody : Line 1\r\nLine 2"},
  };
  for (const auto& c : cases) {
    ItemValues values = EveryValue();
    values.itemType = c.itemType;
    const ItemTextFile composed = ComposeItemText(values, u"Mailbox");
    EXPECT_EQ(composed.fileName, c.file) << c.itemType;
    EXPECT_EQ(win32::Utf16ToUtf8(composed.text), win32::Utf16ToUtf8(c.text)) << c.itemType;
  }
}

TEST(ItemText, HeaderTakesTheFirstDateThereIsAndTheSenderAddressForAnEmptyFrom) {
  ItemValues values = EveryValue();
  values.clientSubmitTime.clear();
  values.from.clear();
  values.body.clear();
  std::u16string text = ComposeItemText(values, u"").text;
  EXPECT_NE(text.find(u"Creation Date : 3/15/2024 1:06 PM\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"From : ann@example.com\r\n"), std::u16string::npos);
  EXPECT_TRUE(text.ends_with(u"\r\nBody : ")) << "no line break after an empty body";

  values.deliveryTime.clear();
  EXPECT_NE(ComposeItemText(values, u"").text.find(u"Creation Date : 3/15/2024 1:00 PM\r\n"), std::u16string::npos);
  values.creationTime.clear();
  EXPECT_NE(ComposeItemText(values, u"").text.find(u"Creation Date : \r\n"), std::u16string::npos);
}

TEST(ItemText, ContactWritesItsFiftyOneTagLinesInOrder) {
  ItemValues v = EveryValue();
  v.itemType = 2;
  v.body = u"Met at the fair.\r\nLikes tea.";
  v.email1 = u"Cat (cat@example.com)";
  v.email2 = u"Cat (cat@work.example)";
  v.email3 = u"Cat (cat@home.example)";
  v.officeCountry = u"UK";
  v.officeCity = u"Leeds";
  v.officeState = u"West Yorkshire";
  v.officeStreet = u"1 Mill Lane";
  v.officeZip = u"LS1 1AA";
  ContactRecord& c = v.contact;
  c.title = u"Dr";
  c.jobTitle = u"Engineer";
  c.suffix = u"Jr";
  c.organization = u"Acme";
  c.email1Display = u"overwritten by the named value";
  c.officePhone = u"0113 1";
  c.faxNumber = u"0113 2";
  c.homeFax = u"0113 3";
  c.mobilePhone = u"07700 1";
  c.pager = u"0113 4";
  c.assistantPhone = u"0113 5";
  c.business2Phone = u"0113 6";
  c.home2Phone = u"0113 7";
  c.homePhone = u"0113 8";
  c.department = u"R&D";
  c.manager = u"Di";
  c.assistant = u"Ed";
  c.spouse = u"Flo";
  c.birthday = u"5/1/1980 12:00 AM";
  c.children = u"Gus";
  c.anniversary = u"6/2/2005 12:00 AM";
  c.nickname = u"Kit";
  c.categories = u"overwritten by the named value";
  c.homeCity = u"York";
  c.homeCountry = u"England";
  c.homeZip = u"YO1 7HH";
  c.homeState = u"North Yorkshire";
  c.homeStreet = u"2 Low Petergate";
  c.webSite = u"https://cat.example";
  c.comment = u"a comment the body replaces";
  c.otherCity = u"Hull";
  c.otherCountry = u"GB";
  c.otherZip = u"HU1 1AA";
  c.otherState = u"East Riding";
  c.otherStreet = u"3 Dock St";

  const std::u16string expected = u"ITEM TYPE - CONTACT\r\n" + kHeader +
                                  u"<ITEM>Address Book Name : Mailbox\\Contacts\\Friends</ITEM>\r\n"
                                  u"<ITEM>Group Name : Mailbox\\Contacts\\Friends</ITEM>\r\n"
                                  u"<ITEM>Name : Cat Jones</ITEM>\r\n"
                                  u"<ITEM>First Name : Cat</ITEM>\r\n"
                                  u"<ITEM>Last Name : Jones</ITEM>\r\n"
                                  u"<ITEM>Middle Name : Q</ITEM>\r\n"
                                  u"<ITEM>Title : Dr</ITEM>\r\n"
                                  u"<ITEM>JobTitle : Engineer</ITEM>\r\n"
                                  u"<ITEM>Suffix : Jr</ITEM>\r\n"
                                  u"<ITEM>Organization : Acme</ITEM>\r\n"
                                  u"<ITEM>dspEmail1 : Cat (cat@example.com)</ITEM>\r\n"
                                  u"<ITEM>dspEmail2 : Cat (cat@work.example)</ITEM>\r\n"
                                  u"<ITEM>dspEmail5 : Cat (cat@home.example)</ITEM>\r\n"
                                  u"<ITEM>Office Phone Number : 0113 1</ITEM>\r\n"
                                  u"<ITEM>Office Phone Number : </ITEM>\r\n"
                                  u"<ITEM>Fax Number : 0113 2</ITEM>\r\n"
                                  u"<ITEM>Home Fax Number : 0113 3</ITEM>\r\n"
                                  u"<ITEM>Mobile Phone : 07700 1</ITEM>\r\n"
                                  u"<ITEM>Pager Number : 0113 4</ITEM>\r\n"
                                  u"<ITEM>dspDefaultPhone8 : 0113 5</ITEM>\r\n"
                                  u"<ITEM>dspDefaultPhone9 : 0113 6</ITEM>\r\n"
                                  u"<ITEM>dspDefaultPhone10 : 0113 7</ITEM>\r\n"
                                  u"<ITEM>Home Phone Number : 0113 8</ITEM>\r\n"
                                  u"<ITEM>Cellular Phone Number : </ITEM>\r\n"
                                  u"<ITEM>Department : R&D</ITEM>\r\n"
                                  u"<ITEM>Manager : Di</ITEM>\r\n"
                                  u"<ITEM>Assistant : Ed</ITEM>\r\n"
                                  u"<ITEM>Spouse : Flo</ITEM>\r\n"
                                  u"<ITEM>Birthday : 5/1/1980 12:00 AM</ITEM>\r\n"
                                  u"<ITEM>Children : Gus</ITEM>\r\n"
                                  u"<ITEM>Anniversary : 6/2/2005 12:00 AM</ITEM>\r\n"
                                  u"<ITEM>ShortName : Kit</ITEM>\r\n"
                                  u"<ITEM>Categories : 2: Red; Blue</ITEM>\r\n"
                                  u"<ITEM>OfficeCity : Leeds</ITEM>\r\n"
                                  u"<ITEM>OfficeCountry : UK</ITEM>\r\n"
                                  u"<ITEM>OfficeState : West Yorkshire</ITEM>\r\n"
                                  u"<ITEM>OfficeStreetAddress : 1 Mill Lane</ITEM>\r\n"
                                  u"<ITEM>OfficeZip : LS1 1AA</ITEM>\r\n"
                                  u"<ITEM>City : York</ITEM>\r\n"
                                  u"<ITEM>Country : England</ITEM>\r\n"
                                  u"<ITEM>ZIP Code : YO1 7HH</ITEM>\r\n"
                                  u"<ITEM>State : North Yorkshire</ITEM>\r\n"
                                  u"<ITEM>StreetAddress : 2 Low Petergate</ITEM>\r\n"
                                  u"<ITEM>ZIP Code : YO1 7HH</ITEM>\r\n"
                                  u"<ITEM>WebSite : https://cat.example</ITEM>\r\n"
                                  u"<ITEM>Comment : Met at the fair.\r\nLikes tea.</ITEM>\r\n"
                                  u"<ITEM>OtherCity : Hull</ITEM>\r\n"
                                  u"<ITEM>OtherCountry : GB</ITEM>\r\n"
                                  u"<ITEM>OtherZip : HU1 1AA</ITEM>\r\n"
                                  u"<ITEM>OtherState : East Riding</ITEM>\r\n"
                                  u"<ITEM>OtherStreetAddress : 3 Dock St</ITEM>\r\n";
  const ItemTextFile composed = ComposeItemText(v, u"Mailbox<TagName>Contacts<TagName>Friends");
  EXPECT_EQ(composed.fileName, u"Contact.txt");
  EXPECT_EQ(win32::Utf16ToUtf8(composed.text), win32::Utf16ToUtf8(expected));

  // A contact whose body is empty has an empty comment, whatever its own
  // comment said.
  v.body.clear();
  EXPECT_NE(ComposeItemText(v, u"").text.find(u"<ITEM>Comment : </ITEM>\r\n"), std::u16string::npos);
}

// The reader takes header, type and the two first contact lines by their
// position: a line break inside one of those values would move every later
// line. Bodies and the entries of contacts and lists keep theirs.
TEST(ItemText, LineBreaksInsideSingleLineValuesBecomeBlanks) {
  ItemValues v = EveryValue();
  v.subject = u"Two\r\nlines";
  v.from = u"Ann\nSmith";
  v.to = u"Bo\r";
  v.appointmentLocation = u"Room\r\n4";
  v.categories = u"1: a\nb";
  v.body = u"Keeps\r\nits\nbreaks";
  v.itemType = 1;
  EXPECT_EQ(win32::Utf16ToUtf8(ComposeItemText(v, u"").text),
            win32::Utf16ToUtf8(u"ITEM TYPE - CALENDER\r\nCreation Date : 3/15/2024 1:05 PM\r\nRead Status : 1\r\n"
                               u"From : Ann Smith\r\nTo : Bo \r\nCC : Cy\r\nBcc : \r\nSubject : Two  lines\r\n"
                               u"Start Date : 14:05 PM 03/15/2024\r\nEnd Date : 15:00 PM 03/15/2024\r\n"
                               u"Location : Room  4\r\nCategory : 1: a b\r\nBody : Keeps\r\nits\nbreaks"));

  v.itemType = 2;
  v.displayName = u"Cat\r\nJones";
  v.contact.homeStreet = u"2 Low Petergate\r\nYork";
  const std::u16string contact = ComposeItemText(v, u"Mail\nbox").text;
  EXPECT_NE(contact.find(u"<ITEM>Address Book Name : Mail box</ITEM>\r\n"), std::u16string::npos);
  EXPECT_NE(contact.find(u"<ITEM>Group Name : Mail box</ITEM>\r\n"), std::u16string::npos);
  EXPECT_NE(contact.find(u"<ITEM>Name : Cat\r\nJones</ITEM>\r\n"), std::u16string::npos);
  EXPECT_NE(contact.find(u"<ITEM>StreetAddress : 2 Low Petergate\r\nYork</ITEM>\r\n"), std::u16string::npos);
  EXPECT_NE(contact.find(u"<ITEM>Comment : Keeps\r\nits\nbreaks</ITEM>\r\n"), std::u16string::npos);
  EXPECT_NE(contact.find(u"<ITEM>Categories : 1: a\nb</ITEM>\r\n"), std::u16string::npos);

  v.itemType = 12;
  EXPECT_TRUE(ComposeItemText(v, u"").text.ends_with(
      u"<ITEM>Comment : Keeps\r\nits\nbreaks</ITEM>\r\n<ITEM>Name : Cat\r\nJones</ITEM>\r\n"
      u"<ITEM>Category : 1: a\nb</ITEM>\r\n"));
}

TEST(ItemText, FileHoldsTheTextAsUtf16LeWithoutMarkAndReplacesAnOlderOne) {
  testing_support::TempMachine machine;
  const std::u16string path = (machine.scratch() / "Mail.txt").u16string();
  ASSERT_TRUE(SaveItemText(path, u"an older and much longer text that must not survive"));
  const std::u16string text = u"ITEM TYPE - EMAIL\r\nBody : Gr\u00FC\u00DFe \U0001F4E7";
  ASSERT_TRUE(SaveItemText(path, text));
  std::vector<unsigned char> expected;
  for (char16_t unit : text) expected.push_back(unit & 0xFF), expected.push_back(unit >> 8);
  EXPECT_EQ(cressing_test::ReadBytes(machine.scratch() / "Mail.txt"), expected);
  EXPECT_FALSE(SaveItemText((machine.scratch() / "missing" / "Mail.txt").u16string(), text));
}

}  // namespace
