// Items of a PST file, read through MAPI as the export reads them, written
// as item texts and members files.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "ItemText.h"
#include "cressing_test_support.h"
#include "mapi/install.h"
#include "mapi/profiles.h"
#include "pstgen/json_description.h"
#include "pstgen/writer.h"
#include "store_items.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;

constexpr char kDescription[] = R"json({ "store": { "display_name": "Texts" }, "folders": [
  { "name": "Inbox", "messages": [
    { "props": { "PR_SUBJECT_W": "Hello\r\nthere", "PR_SENDER_EMAIL_ADDRESS_W": "ann@example.com",
                 "PR_CLIENT_SUBMIT_TIME": "2024-03-15T13:05:00Z", "PR_IMPORTANCE": 2,
                 "PR_READ_RECEIPT_REQUESTED": true, "PR_BODY_W": "Hi,\r\nsee you." },
      "recipients": [ { "name": "Bo", "email": "bo@example.com" },
                      { "type": "cc", "name": "Cy", "email": "cy@example.com" } ] },
    { "class": null, "props": { "PR_SUBJECT_W": "No class", "PR_CREATION_TIME": "2024-01-15T13:05:00Z" } } ] },
  { "name": "Calendar", "class": "IPF.Appointment", "messages": [
    { "class": "IPM.Appointment",
      "props": { "PR_SUBJECT_W": "Planning", "PR_SENT_REPRESENTING_NAME_W": "Ann",
                 "PR_MESSAGE_DELIVERY_TIME": "2024-01-15T12:00:00Z", "PR_BODY_W": "Agenda" },
      "named": [
        { "set": "PSETID_Appointment", "lid": 33293, "type": "PT_SYSTIME", "value": "2024-01-15T14:00:00Z" },
        { "set": "PSETID_Appointment", "lid": 33294, "type": "PT_SYSTIME", "value": "2024-01-15T15:30:00Z" },
        { "set": "PSETID_Appointment", "lid": 33288, "type": "PT_UNICODE", "value": "Room 4" },
        { "set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Red", "Blue"] } ] } ] },
  { "name": "Tasks", "class": "IPF.Task", "messages": [
    { "class": "IPM.Task", "props": { "PR_SUBJECT_W": "Report", "PR_PRIORITY": 1, "PR_BODY_W": "Write it" },
      "named": [
        { "set": "PSETID_Task", "lid": 33028, "type": "PT_SYSTIME", "value": "2024-03-04T00:00:00Z" },
        { "set": "PSETID_Task", "lid": 33029, "type": "PT_SYSTIME", "value": "2024-03-08T00:00:00Z" },
        { "set": "PSETID_Task", "lid": 33025, "type": "PT_LONG", "value": 1 },
        { "set": "PSETID_Common", "lid": 34054, "type": "PT_BOOLEAN", "value": true },
        { "set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Work"] } ] },
    { "class": "IPM.Task", "props": { "PR_SUBJECT_W": "No dates" },
      "named": [
        { "set": "PSETID_Task", "lid": 33028, "type": "PT_SYSTIME", "value": "4501-01-01T00:00:00Z" },
        { "set": "PSETID_Task", "lid": 33029, "type": "PT_SYSTIME", "value": "4501-01-01T00:00:00Z" },
        { "set": "PSETID_Common", "lid": 34054, "type": "PT_BOOLEAN", "value": false } ] } ] },
  { "name": "People", "class": null, "messages": [
    { "id": "cat", "class": "IPM.Contact",
      "props": { "PR_DISPLAY_NAME_W": "Cat Jones", "PR_GIVEN_NAME_W": "Cat", "PR_SURNAME_W": "Jones",
                 "PR_MIDDLE_NAME_W": "Q", "PR_DISPLAY_NAME_PREFIX_W": "Dr", "PR_TITLE_W": "Engineer",
                 "PR_COMPANY_NAME_W": "Acme", "PR_HOME_TELEPHONE_NUMBER_W": "0113 8",
                 "PR_BIRTHDAY": "1980-05-01T04:00:00Z", "PR_CHILDRENS_NAMES_W": ["Gus", "Hal"],
                 "PR_HOME_ADDRESS_STREET_W": "2 Low Petergate\r\nYork", "PR_HOME_ADDRESS_POSTAL_CODE_W": "YO1 7HH",
                 "PR_COMMENT_W": "not this", "PR_BODY_W": "Met at the fair.\r\nLikes tea." },
      "named": [
        { "set": "PSETID_Address", "lid": 32899, "type": "PT_UNICODE", "value": "cat@example.com" },
        { "set": "PSETID_Address", "lid": 32900, "type": "PT_UNICODE", "value": "Cat (cat@example.com)" },
        { "set": "PSETID_Address", "lid": 32932, "type": "PT_UNICODE", "value": "Cat (cat@home.example)" },
        { "set": "PSETID_Address", "lid": 32838, "type": "PT_UNICODE", "value": "Leeds" },
        { "set": "PSETID_Address", "lid": 32841, "type": "PT_UNICODE", "value": "UK" },
        { "set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Friends"] } ] },
    { "class": "IPM.DistList", "props": { "PR_DISPLAY_NAME_W": "Team", "PR_BODY_W": "The team\r\nall of it" },
      "named": [
        { "set": "PSETID_Address", "lid": 32852, "type": "PT_MV_BINARY",
          "value": ["oneoff:Al|SMTP|al@example.com", "oneoff:Nobody|SMTP|", "contact:cat",
                    "oneoff:Bo|SMTP|bo@example.com"] },
        { "set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Work"] } ] },
    { "class": "IPM.DistList", "props": { "PR_DISPLAY_NAME_W": "Empty" } } ] },
  { "name": "Journal", "class": "IPF.Journal", "messages": [
    { "class": "IPM.Activity", "props": { "PR_SUBJECT_W": "Call", "PR_BODY_W": "Talked" },
      "named": [ { "set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Phone"] } ] } ] },
  { "name": "Notes", "class": "IPF.StickyNote", "messages": [
    { "class": "IPM.StickyNote", "props": { "PR_SUBJECT_W": "Note", "PR_BODY_W": "Buy milk" } } ] } ] })json";

// Header lines of an item without dates, senders or recipients.
std::u16string BareHeader(const std::u16string& subject) {
  return u"Creation Date : \r\nRead Status : \r\nFrom : \r\nTo : \r\nCC : \r\nBcc : \r\nSubject : " + subject + u"\r\n";
}

class PstItemTexts : public ::testing::Test {
 protected:
  PstItemTexts() : zone_("America/New_York") {
    previous_ = fs::current_path();
    fs::current_path(machine_.scratch());
    const fs::path pst = machine_.scratch() / "texts.pst";
    pstgen::WritePst(pstgen::ParseDescription(nlohmann::json::parse(kDescription)), pst);
    std::string error;
    EXPECT_TRUE(mapi::InstallMapi(&error)) << error;
    mapi::profiles::Profile profile;
    profile.name = u"Texts";
    profile.services.push_back(mapi::profiles::PstService(pst.u16string(), u"Texts"));
    EXPECT_EQ(mapi::profiles::Create(profile), S_OK);
    cressing_test::BindBuiltMapi();
    char name[] = "Texts";
    EXPECT_EQ(dlg_.m_pMapiObjects->Logon(nullptr, name), S_OK);
  }
  ~PstItemTexts() override { fs::current_path(previous_); }

  std::vector<ComPtr<IMessage>> Items(const std::u16string& folder) {
    return cressing_test::FolderMessages(dlg_.m_pMapiObjects->GetSession(), folder);
  }
  ItemTextFile Text(IMessage* message, const std::u16string& folderPath = u"Texts<TagName>People") {
    return ComposeItemText(cressing_test::GatherValues(dlg_, message), folderPath);
  }
  static std::string Utf8(const std::u16string& text) { return win32::Utf16ToUtf8(text); }

  testing_support::TempMachine machine_;
  cressing_test::Zone zone_;
  fs::path previous_;
  CCressingDlg dlg_;
};

TEST_F(PstItemTexts, MailAndItemsWithoutClass) {
  const auto inbox = Items(u"Inbox");
  ASSERT_EQ(inbox.size(), 2u);
  const ItemTextFile mail = Text(inbox[0].Get());
  EXPECT_EQ(mail.fileName, u"Mail.txt");
  EXPECT_EQ(Utf8(mail.text), Utf8(u"ITEM TYPE - EMAIL\r\nCreation Date : 3/15/2024 9:05 AM\r\nRead Status : 1\r\n"
                                  u"From : ann@example.com\r\nTo : Bo\r\nCC : Cy\r\nBcc : \r\n"
                                  u"Subject : Hello  there\r\nImportance : 2\r\nBody : Hi,\r\nsee you."));
  const ItemTextFile classless = Text(inbox[1].Get());
  EXPECT_EQ(classless.fileName, u"Mail.txt");
  EXPECT_EQ(Utf8(classless.text),
            Utf8(u"ITEM TYPE - EMAIL\r\nCreation Date : 1/15/2024 8:05 AM\r\nRead Status : \r\nFrom : \r\nTo : \r\n"
                 u"CC : \r\nBcc : \r\nSubject : No class\r\nImportance : \r\nBody : "));

  const auto notes = Items(u"Notes");
  ASSERT_EQ(notes.size(), 1u);
  const ItemTextFile note = Text(notes[0].Get());
  EXPECT_EQ(note.fileName, u"Notes.txt");
  EXPECT_EQ(Utf8(note.text),
            Utf8(u"ITEM TYPE - EMAIL\r\n" + BareHeader(u"Note") + u"Importance : \r\nBody : Buy milk"));
}

TEST_F(PstItemTexts, AppointmentTaskAndJournal) {
  const auto calendar = Items(u"Calendar");
  ASSERT_EQ(calendar.size(), 1u);
  const ItemTextFile appointment = Text(calendar[0].Get());
  EXPECT_EQ(appointment.fileName, u"Calendar.txt");
  EXPECT_EQ(Utf8(appointment.text),
            Utf8(u"ITEM TYPE - CALENDER\r\nCreation Date : 1/15/2024 7:00 AM\r\nRead Status : \r\nFrom : Ann\r\n"
                 u"To : \r\nCC : \r\nBcc : \r\nSubject : Planning\r\nStart Date : 09:00 AM 01/15/2024\r\n"
                 u"End Date : 10:30 AM 01/15/2024\r\nLocation : Room 4\r\nCategory : 2: Red; Blue\r\nBody : Agenda"));

  // Start and due dates hold local midnight: no day before, whatever the zone.
  const auto tasks = Items(u"Tasks");
  ASSERT_EQ(tasks.size(), 2u);
  const ItemTextFile task = Text(tasks[0].Get());
  EXPECT_EQ(task.fileName, u"Task.txt");
  EXPECT_EQ(Utf8(task.text), Utf8(u"ITEM TYPE - TASK\r\n" + BareHeader(u"Report") +
                                  u"Start Date :  03/04/2024\r\nDue Date :  03/08/2024\r\nCategory : 1: Work\r\n"
                                  u"Status : 1\r\nPriority : 1\r\nOrgConfidential : 1\r\nBody : Write it"));
  EXPECT_EQ(Utf8(Text(tasks[1].Get()).text),
            Utf8(u"ITEM TYPE - TASK\r\n" + BareHeader(u"No dates") +
                 u"Start Date : \r\nDue Date : \r\nCategory : \r\nStatus : \r\nPriority : \r\nOrgConfidential : \r\n"
                 u"Body : "));

  const auto journal = Items(u"Journal");
  ASSERT_EQ(journal.size(), 1u);
  const ItemTextFile entry = Text(journal[0].Get());
  EXPECT_EQ(entry.fileName, u"Journal.txt");
  EXPECT_EQ(Utf8(entry.text),
            Utf8(u"ITEM TYPE - JOURNAL\r\n" + BareHeader(u"Call") + u"Category : 1: Phone\r\nBody : Talked\r\n"));
}

TEST_F(PstItemTexts, ContactAndDistributionListsWithTheirMembers) {
  const auto people = Items(u"People");
  ASSERT_EQ(people.size(), 3u);
  const ItemTextFile contact = Text(people[0].Get());
  EXPECT_EQ(contact.fileName, u"Contact.txt");
  EXPECT_TRUE(contact.text.starts_with(u"ITEM TYPE - CONTACT\r\n" + BareHeader(u"")));
  std::size_t tagLines = 0;
  for (std::size_t at = contact.text.find(u"<ITEM>"); at != std::u16string::npos;
       at = contact.text.find(u"<ITEM>", at + 1))
    ++tagLines;
  EXPECT_EQ(tagLines, 51u);
  for (const char16_t* line : {
           u"<ITEM>Address Book Name : Texts\\People</ITEM>\r\n<ITEM>Group Name : Texts\\People</ITEM>\r\n"
           u"<ITEM>Name : Cat Jones</ITEM>\r\n<ITEM>First Name : Cat</ITEM>\r\n<ITEM>Last Name : Jones</ITEM>\r\n"
           u"<ITEM>Middle Name : Q</ITEM>\r\n<ITEM>Title : Dr</ITEM>\r\n<ITEM>JobTitle : Engineer</ITEM>\r\n",
           u"<ITEM>Organization : Acme</ITEM>\r\n<ITEM>dspEmail1 : Cat (cat@example.com)</ITEM>\r\n"
           u"<ITEM>dspEmail2 : </ITEM>\r\n<ITEM>dspEmail5 : Cat (cat@home.example)</ITEM>\r\n",
           u"<ITEM>Home Phone Number : 0113 8</ITEM>\r\n",
           u"<ITEM>Birthday : 5/1/1980 12:00 AM</ITEM>\r\n<ITEM>Children : Gus</ITEM>\r\n",
           u"<ITEM>Categories : 1: Friends</ITEM>\r\n<ITEM>OfficeCity : Leeds</ITEM>\r\n"
           u"<ITEM>OfficeCountry : UK</ITEM>\r\n<ITEM>OfficeState : </ITEM>\r\n",
           u"<ITEM>ZIP Code : YO1 7HH</ITEM>\r\n<ITEM>State : </ITEM>\r\n"
           u"<ITEM>StreetAddress : 2 Low Petergate\r\nYork</ITEM>\r\n<ITEM>ZIP Code : YO1 7HH</ITEM>\r\n",
           u"<ITEM>Comment : Met at the fair.\r\nLikes tea.</ITEM>\r\n",
       })
    EXPECT_NE(contact.text.find(line), std::u16string::npos) << Utf8(line);
  EXPECT_TRUE(dlg_.m_memberFilePath.empty());

  const fs::path members = machine_.scratch() / "DistListInfo.txt";
  const ItemTextFile team = Text(people[1].Get());
  EXPECT_EQ(team.fileName, u"ContactDist.txt");
  EXPECT_EQ(Utf8(team.text), Utf8(u"ITEM TYPE - CONTC_DIST_LIST\r\n" + BareHeader(u"") +
                                  u"<ITEM>Comment : The team\r\nall of it</ITEM>\r\n<ITEM>Name : Team</ITEM>\r\n"
                                  u"<ITEM>Category : 1: Work</ITEM>\r\n"));
  // One-off members, the contact by its e-mail address; Nobody has none.
  const std::string expected = "al@example.com\r\ncat@example.com\r\nbo@example.com\r\n";
  EXPECT_EQ(cressing_test::ReadBytes(members), std::vector<unsigned char>(expected.begin(), expected.end()));
  EXPECT_EQ(dlg_.m_memberFilePath, machine_.scratch().u16string() + u"\\DistListInfo.txt");

  // A list without members names no members file, not even the last one.
  const ItemTextFile empty = Text(people[2].Get());
  EXPECT_TRUE(
      empty.text.ends_with(u"<ITEM>Comment : </ITEM>\r\n<ITEM>Name : Empty</ITEM>\r\n<ITEM>Category : </ITEM>\r\n"));
  EXPECT_TRUE(dlg_.m_memberFilePath.empty());
}

}  // namespace
