// The second export mode of the real engine over a PST profile: what each
// item type announces and leaves in the working folder, the flat contact
// file, and what this mode leaves alone (filters, stop flag, files).
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cressing_engine.h"

namespace {

namespace fs = std::filesystem;
using cressing_test::ReadBytes;

constexpr char kStore[] = R"json({ "store": { "display_name": "Groupwise" }, "folders": [
  { "name": "Mixed", "messages": [
    { "props": { "PR_SUBJECT_W": "Hello", "PR_SENDER_NAME_W": "Ann Sender", "PR_SENT_REPRESENTING_NAME_W": "Not Ann",
                 "PR_SENDER_EMAIL_ADDRESS_W": "ann@example.com", "PR_CREATION_TIME": "2024-03-15T13:05:00Z",
                 "PR_CLIENT_SUBMIT_TIME": "2024-03-16T13:05:00Z", "PR_MESSAGE_DELIVERY_TIME": "2024-03-17T13:05:00Z",
                 "PR_IMPORTANCE": 2, "PR_READ_RECEIPT_REQUESTED": true, "PR_BODY_W": "Hi,\r\nsee you." },
      "recipients": [ { "name": "Bo", "email": "bo@example.com" }, { "type": "cc", "name": "Cy", "email": "cy@example.com" },
                      { "type": "bcc", "name": "Di", "email": "di@example.com" } ] },
    { "class": "IPM.Appointment",
      "props": { "PR_SUBJECT_W": "Planning", "PR_CREATION_TIME": "2024-01-15T12:00:00Z", "PR_BODY_W": "Agenda" },
      "named": [
        { "set": "PSETID_Appointment", "lid": 33293, "type": "PT_SYSTIME", "value": "2024-01-15T14:00:00Z" },
        { "set": "PSETID_Appointment", "lid": 33294, "type": "PT_SYSTIME", "value": "2024-01-15T15:30:00Z" },
        { "set": "PSETID_Appointment", "lid": 33288, "type": "PT_UNICODE", "value": "Room 4" },
        { "set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Red", "Blue"] } ] },
    { "class": "IPM.Task", "props": { "PR_SUBJECT_W": "Report", "PR_PRIORITY": -1, "PR_BODY_W": "Write it" },
      "named": [
        { "set": "PSETID_Task", "lid": 33028, "type": "PT_SYSTIME", "value": "2024-03-04T00:00:00Z" },
        { "set": "PSETID_Task", "lid": 33029, "type": "PT_SYSTIME", "value": "2024-03-08T00:00:00Z" },
        { "set": "PSETID_Task", "lid": 33025, "type": "PT_LONG", "value": 1 },
        { "set": "PSETID_Common", "lid": 34054, "type": "PT_BOOLEAN", "value": true },
        { "set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Work"] } ] },
    { "class": "IPM.Activity", "props": { "PR_SUBJECT_W": "Call", "PR_BODY_W": "Talked" },
      "named": [ { "set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Phone"] } ] },
    { "class": "IPM.StickyNote", "props": { "PR_SUBJECT_W": "Note", "PR_BODY_W": "Buy milk" } },
    { "class": "IPM.DistList", "props": { "PR_DISPLAY_NAME_W": "Team" },
      "named": [ { "set": "PSETID_Address", "lid": 32852, "type": "PT_MV_BINARY",
                   "value": ["oneoff:Al|SMTP|al@example.com"] } ] },
    { "class": null, "props": { "PR_SUBJECT_W": "No class" } } ] },
  { "name": "Contacts", "class": "IPF.Contact", "messages": [
    { "class": "IPM.Contact",
      "props": { "PR_DISPLAY_NAME_W": "Cat Jones", "PR_GIVEN_NAME_W": "Cat", "PR_SURNAME_W": "Jones",
                 "PR_MIDDLE_NAME_W": "Q", "PR_INITIALS_W": "C.Q.J.", "PR_GENERATION_W": "Jr", "PR_TITLE_W": "Engineer",
                 "PR_COMPANY_NAME_W": "Acme\r\nLtd", "PR_DEPARTMENT_NAME_W": "R&D",
                 "PR_COMPANY_MAIN_PHONE_NUMBER_W": "0100", "PR_HOME_TELEPHONE_NUMBER_W": "0101",
                 "PR_PRIMARY_TELEPHONE_NUMBER_W": "0102", "PR_MOBILE_TELEPHONE_NUMBER_W": "0103",
                 "PR_BUSINESS_TELEPHONE_NUMBER_W": "0104", "PR_PAGER_TELEPHONE_NUMBER_W": "0105",
                 "PR_BUSINESS_FAX_NUMBER_W": "0106", "PR_ISDN_NUMBER_W": "0107", "PR_BIRTHDAY": "1980-05-01T04:00:00Z",
                 "PR_BUSINESS_HOME_PAGE_W": "http://acme.example", "PR_FTP_SITE_W": "ftp://acme.example",
                 "PR_HOME_ADDRESS_CITY_W": "York", "PR_HOME_ADDRESS_COUNTRY_W": "UK",
                 "PR_HOME_ADDRESS_POSTAL_CODE_W": "YO1 7HH", "PR_HOME_ADDRESS_STATE_OR_PROVINCE_W": "N Yorks",
                 "PR_HOME_ADDRESS_STREET_W": "2 Low Petergate", "PR_POSTAL_ADDRESS_W": "1 Park Row",
                 "PR_COUNTRY_W": "England", "PR_LOCALITY_W": "Leeds", "PR_STATE_OR_PROVINCE_W": "W Yorks",
                 "PR_POSTAL_CODE_W": "LS1 4AP", "PR_POST_OFFICE_BOX_W": "PO Box 9", "PR_RESOURCE_TYPE": "0xFFFFFFFE",
                 "0x8043001E": "cat@example.com", "0x8044001E": "cat@work.example", "0x8045001E": "zo\u00e9@home.example",
                 "PR_CREATION_TIME": "2024-03-15T13:05:00Z", "PR_SENDER_NAME_W": "Ann Sender", "PR_SUBJECT_W": "Card" },
      "recipients": [ { "name": "Bo", "email": "bo@example.com" }, { "type": "cc", "name": "Cy", "email": "cy@example.com" },
                      { "type": "bcc", "name": "Di", "email": "di@example.com" } ] },
    { "class": "IPM.Contact", "props": { "PR_DISPLAY_NAME_W": "Two Mails",
                                         "0x8043001E": "a@example.com", "0x8045001E": "c@example.com" } },
    { "class": "IPM.Contact" } ] },
  { "name": "Empty", "class": "IPF.Note" } ] })json";

// Entries after the store listing and the walk of store 1: the store is 1,
// "Deleted Items" 2, then the folders in their order.
constexpr std::int32_t kStoreEntry = 1;
constexpr std::int32_t kMixed = 3;
constexpr std::int32_t kContacts = 4;
constexpr std::int32_t kEmpty = 5;

// The labels of "GroupwiseContact.txt", in their order.
const std::vector<std::u16string> kContactLabels = {
    u"FullName : ",
    u"Email1Address : ",
    u"FirstName : ",
    u"CompanyMainTelephoneNumber : ",
    u"HomeTelephoneNumber :",
    u"LastName : ",
    u"CompanyName : ",
    u"Title : ",
    u"Department : ",
    u"PrimaryTelephoneNumber : ",
    u"MobileTelephoneNumber : ",
    u"Birthday : ",
    u"MiddleName : ",
    u"Initials : ",
    u"WebPage : ",
    u"HomeAddressCity : ",
    u"HomeAddressCountry : ",
    u"HomeAddressPostalCode : ",
    u"HomeAddressState : ",
    u"HomeAddress : ",
    u"ISDNNumber : ",
    u"Suffix : ",
    u"PhoneNumber : ",
    u"PagerNumber : ",
    u"FaxNumber : ",
    u"Country : ",
    u"City : ",
    u"State : ",
    u"Address : ",
    u"ZIPCode : ",
    u"OfficeWebsite : ",
    u"PostOffice : ",
    u"ResourceType : ",
    u"CreationDate : ",
    u"From : ",
    u"To : ",
    u"CC : ",
    u"Bcc : ",
    u"Subject : ",
};

// One CD_ITEM_INFO as it arrived, with the item text file's content and
// whether the MIME file existed at that moment.
struct Announced {
  std::u16string emlFile;
  std::int32_t itemType = -1;
  std::u16string itemTextFile;
  std::u16string attachmentList;
  std::int32_t itemNumber = -1;
  std::int32_t itemTotal = -1;
  std::u16string membersFile;
  bool emlExists = false;
  std::u16string text;  // empty when the path names no file
};

// The engine's Windows-form path ("folder\name") as a POSIX path.
fs::path Posix(std::u16string path) {
  std::replace(path.begin(), path.end(), u'\\', u'/');
  return fs::path(path);
}

std::u16string Utf16Le(const std::vector<unsigned char>& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
  return text;
}

std::string Utf8(const std::u16string& text) { return win32::Utf16ToUtf8(text); }

class GroupwiseExport : public cressing_test::CressingEngine {
 protected:
  // The working folder is deeper than the 260 characters of a Windows path
  // buffer; every path the engine announces lies in it.
  GroupwiseExport()
      : zone_("America/New_York"),
        work_(machine_.scratch() / std::string(120, 'w') / std::string(150, 'x')),
        previous_(fs::current_path()) {
    fs::create_directories(work_);
    fs::current_path(work_);
  }
  ~GroupwiseExport() override { fs::current_path(previous_); }

  void SetUp() override {
    InstallMapi();
    AddPstProfile(u"Groupwise", {{MakePst("groupwise", kStore), u"Groupwise"}});
    Start();
    ASSERT_EQ(Logon(0, "Groupwise"), 1);
    ASSERT_EQ(Message(WM_LIST_STORES), 0);
    ASSERT_EQ(Message(WM_LIST_STORE_FOLDERS, kStoreEntry), 0);
    requester_.SetAnswer([this](const controller::CopyDataReply& reply) { return Answer(reply); });
  }

  // A target-1 request whose filters would refuse every item of the first
  // mode: every type switched off, every dated item refused.
  LRESULT Export(std::int32_t entryIndex, controller::Requester* from = nullptr) {
    auto info = std::make_unique<EXPORT_FOLDER_INFO>();
    std::memset(info.get(), 0, sizeof *info);
    const std::u16string path = u"Groupwise<TagName>Contacts";
    std::copy(path.begin(), path.end(), info->folderPath);
    info->entryIndex = entryIndex;
    info->target = 1;
    info->dateFilterMode = 7;
    info->relativeDateChoice = 1;
    std::strcpy(info->dateRanges[0], "01/01/1990$01/02/1990");
    info->dateRangeCount = 1;
    if (from) {
      const controller::SendResult result = from->SendRecord(window_, CD_EXPORT_FOLDER, *info);
      EXPECT_TRUE(result.delivered);
      return result.value;
    }
    return Request(CD_EXPORT_FOLDER, *info);
  }

  LRESULT Answer(const controller::CopyDataReply& reply) {
    if (reply.code != CD_ITEM_INFO) return 1;
    EXPECT_EQ(reply.bytes.size(), sizeof(ITEM_INFO));
    EXPECT_EQ(reply.sender, requester_.Window()) << "wParam is the requester's own window";
    auto info = std::make_unique<ITEM_INFO>();
    std::memcpy(info.get(), reply.bytes.data(), std::min(reply.bytes.size(), sizeof *info));
    Announced item;
    item.emlFile = FieldText(info->emlFile);
    item.itemType = info->itemType;
    item.itemTextFile = FieldText(info->itemTextFile);
    item.attachmentList = FieldText(info->attachmentList);
    item.itemNumber = info->itemNumber;
    item.itemTotal = info->itemTotal;
    item.membersFile = FieldText(info->membersFile);
    item.emlExists = fs::exists(Posix(item.emlFile));
    if (fs::is_regular_file(Posix(item.itemTextFile))) item.text = Utf16Le(ReadBytes(Posix(item.itemTextFile)));
    announced_.push_back(item);
    if (onItem_) onItem_(announced_.size());
    return announced_.size() == stopAnsweringAt_ ? 0 : 1;
  }

  template <std::size_t N>
  static std::u16string FieldText(const WCHAR (&field)[N]) {
    return std::u16string(win32::WideField(field, N - 1));
  }

  // The codes of the replies other than CD_ITEM_INFO.
  std::vector<ULONG_PTR> OtherReplies() {
    std::vector<ULONG_PTR> codes;
    for (const controller::CopyDataReply& reply : requester_.TakeReplies())
      if (reply.code != CD_ITEM_INFO) codes.push_back(reply.code);
    return codes;
  }

  std::u16string InWork(const char16_t* name) const { return work_.u16string() + u"\\" + name; }

  cressing_test::Zone zone_;
  fs::path work_;
  fs::path previous_;
  std::vector<Announced> announced_;
  std::size_t stopAnsweringAt_ = 0;
  std::function<void(std::size_t)> onItem_;
};

TEST_F(GroupwiseExport, AnnouncesEveryTypeWithItsTextDespiteFiltersAndStop) {
  // A stop before the export and another while the first item waits for its
  // answer: this mode reads neither.
  ASSERT_EQ(Message(WM_STOP_EXPORT), 1);
  onItem_ = [this](std::size_t n) {
    if (n == 1) {
      EXPECT_EQ(requester_.Send(window_, WM_STOP_EXPORT).value, 1);
    }
  };
  EXPECT_EQ(Export(kMixed), 1);
  EXPECT_EQ(OtherReplies(), std::vector<ULONG_PTR>{CD_EXPORT_DONE});

  const std::u16string mail =
      u"ITEM TYPE - EMAIL\r\nCreation Date : 3/15/2024 9:05 AM\r\nRead Status : 1\r\nFrom : Ann Sender\r\n"
      u"To : Bo\r\nCC : Cy\r\nBcc : Di\r\nSubject : Hello\r\nImportance : \r\nBody : Hi,\r\nsee you.";
  const std::u16string calendar =
      u"ITEM TYPE - CALENDER\r\nCreation Date : 1/15/2024 7:00 AM\r\nRead Status : \r\nFrom : \r\nTo : \r\nCC : \r\n"
      u"Bcc : \r\nSubject : Planning\r\nStart Date : 09:00 AM 01/15/2024\r\nEnd Date : 10:30 AM 01/15/2024\r\n"
      u"Location : Room 4\r\nCategory : \r\nBody : Agenda";
  const std::u16string task =
      u"ITEM TYPE - TASK\r\nCreation Date : \r\nRead Status : \r\nFrom : \r\nTo : \r\nCC : \r\nBcc : \r\n"
      u"Subject : Report\r\nStart Date :  03/04/2024\r\nDue Date :  03/08/2024\r\nCategory : 1: Work\r\n"
      u"Status : 1\r\nPriority : -1\r\nOrgConfidential : \r\nBody : Write it";
  const std::u16string journal =
      u"ITEM TYPE - JOURNAL\r\nCreation Date : \r\nRead Status : \r\nFrom : \r\nTo : \r\nCC : \r\nBcc : \r\n"
      u"Subject : Call\r\nCategory : \r\nBody : Talked\r\n";
  const std::u16string classless =
      u"ITEM TYPE - EMAIL\r\nCreation Date : \r\nRead Status : \r\nFrom : \r\nTo : \r\nCC : \r\nBcc : \r\n"
      u"Subject : No class\r\nImportance : \r\nBody : ";
  const std::u16string folder = work_.u16string() + u"\\";
  const struct {
    std::int32_t type;
    std::u16string path;
    std::u16string text;
  } kExpected[] = {
      {0, InWork(u"Mail.txt"), mail},
      {1, InWork(u"Calendar.txt"), calendar},
      {4, InWork(u"Task.txt"), task},
      {5, InWork(u"Journal.txt"), journal},
      {3, folder, u""},
      {12, folder, u""},
      {0, InWork(u"Mail.txt"), classless},
  };
  ASSERT_EQ(announced_.size(), std::size(kExpected));
  for (std::size_t i = 0; i < announced_.size(); ++i) {
    const Announced& item = announced_[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(item.itemType, kExpected[i].type);
    EXPECT_EQ(Utf8(item.itemTextFile), Utf8(kExpected[i].path));
    EXPECT_EQ(Utf8(item.text), Utf8(kExpected[i].text));
    // The same MIME file name for every item, and no such file.
    EXPECT_EQ(Utf8(item.emlFile), Utf8(InWork(u"MSG1.eml")));
    EXPECT_FALSE(item.emlExists);
    EXPECT_EQ(item.attachmentList, u"");
    EXPECT_EQ(item.itemNumber, 0);
    EXPECT_EQ(item.itemTotal, 0);
    EXPECT_EQ(item.membersFile, u"") << "the list's members file is not announced";
  }

  // Nothing was deleted: each type's last text stays; sticky notes and lists
  // wrote none; the list's members file stays too.
  EXPECT_EQ(Utf8(Utf16Le(ReadBytes(work_ / "Mail.txt"))), Utf8(classless));
  for (const char* name : {"Calendar.txt", "Task.txt", "Journal.txt", "DistListInfo.txt"})
    EXPECT_TRUE(fs::exists(work_ / name)) << name;
  for (const char* name : {"Notes.txt", "ContactDist.txt", "AttachmentList.txt", "MSG1.eml"})
    EXPECT_FALSE(fs::exists(work_ / name)) << name;
  EXPECT_TRUE(TakeMessages().empty());
}

// Listings served while items wait for their answers replace the entry
// list the export started from; every item still comes, in order.
TEST_F(GroupwiseExport, AListingWhileAnItemWaitsLeavesTheExportWhole) {
  onItem_ = [this](std::size_t n) {
    if (n > 2) return;
    EXPECT_EQ(requester_.Send(window_, WM_LIST_STORES).value, 0);
    if (n == 1) {
      EXPECT_EQ(requester_.Send(window_, WM_LIST_STORE_FOLDERS, kStoreEntry).value, 0);
    }
  };
  EXPECT_EQ(Export(kMixed), 1);
  std::vector<std::int32_t> types;
  for (const Announced& item : announced_) types.push_back(item.itemType);
  EXPECT_EQ(types, (std::vector<std::int32_t>{0, 1, 4, 5, 3, 12, 0}));
  EXPECT_EQ(Utf8(announced_.back().text).find("Subject : No class\r\n") != std::string::npos, true);
  std::size_t done = 0;
  for (const controller::CopyDataReply& reply : requester_.TakeReplies()) done += reply.code == CD_EXPORT_DONE;
  EXPECT_EQ(done, 1u);
}

TEST_F(GroupwiseExport, ContactsGoToTheFlatContactFileLineByLine) {
  // A MIME file of that name already there: the next free name is taken,
  // and the file is left as it was.
  std::ofstream(work_ / "MSG1.eml") << "kept";
  EXPECT_EQ(Export(kContacts), 1);
  EXPECT_EQ(OtherReplies(), std::vector<ULONG_PTR>{CD_EXPORT_DONE});
  ASSERT_EQ(announced_.size(), 3u);
  for (const Announced& item : announced_) {
    EXPECT_EQ(item.itemType, 2);
    EXPECT_EQ(Utf8(item.itemTextFile), Utf8(InWork(u"GroupwiseContact.txt")));
    EXPECT_EQ(Utf8(item.emlFile), Utf8(InWork(u"MSG2.eml")));
  }
  EXPECT_EQ(ReadBytes(work_ / "MSG1.eml"), (std::vector<unsigned char>{'k', 'e', 'p', 't'}));

  // Every field filled. Line 20 repeats the home city and line 29 the postal
  // code; the street and the postal address are not read; a line break
  // inside a value is a blank.
  const std::vector<std::u16string> full = {u"Cat Jones",
                                            u"cat@example.com, cat@work.example, zo\u00e9@home.example",
                                            u"Cat",
                                            u"0100",
                                            u"0101",
                                            u"Jones",
                                            u"Acme  Ltd",
                                            u"Engineer",
                                            u"R&D",
                                            u"0102",
                                            u"0103",
                                            u"5/1/1980 12:00 AM",
                                            u"Q",
                                            u"C.Q.J.",
                                            u"http://acme.example",
                                            u"York",
                                            u"UK",
                                            u"YO1 7HH",
                                            u"N Yorks",
                                            u"York",
                                            u"0107",
                                            u"Jr",
                                            u"0104",
                                            u"0105",
                                            u"0106",
                                            u"England",
                                            u"Leeds",
                                            u"W Yorks",
                                            u"LS1 4AP",
                                            u"LS1 4AP",
                                            u"ftp://acme.example",
                                            u"PO Box 9",
                                            u"4294967294",
                                            u"3/15/2024 9:05 AM",
                                            u"Ann Sender",
                                            u"Bo",
                                            u"Cy",
                                            u"Di",
                                            u"Card"};
  std::u16string expected;
  for (std::size_t i = 0; i < kContactLabels.size(); ++i) expected += kContactLabels[i] + full[i] + u"\r\n";
  EXPECT_EQ(Utf8(announced_[0].text), Utf8(expected));

  // E-mails a, none and c; then a contact without any of the values: only
  // the labels, and nothing left of the contact before.
  EXPECT_NE(announced_[1].text.find(u"\r\nEmail1Address : a@example.com, c@example.com\r\n"), std::u16string::npos)
      << Utf8(announced_[1].text);
  std::u16string labels;
  for (const std::u16string& label : kContactLabels) labels += label + u"\r\n";
  EXPECT_EQ(Utf8(announced_[2].text), Utf8(labels));
  EXPECT_EQ(Utf8(Utf16Le(ReadBytes(work_ / "GroupwiseContact.txt"))), Utf8(labels));
  EXPECT_FALSE(fs::exists(work_ / "Contact.txt"));
}

TEST_F(GroupwiseExport, AnswerZeroEndsTheExportAndKeepsItsFiles) {
  stopAnsweringAt_ = 2;
  EXPECT_EQ(Export(kContacts), 1);
  EXPECT_TRUE(OtherReplies().empty()) << "no CD_EXPORT_DONE";
  ASSERT_EQ(announced_.size(), 2u);
  EXPECT_EQ(Utf8(Utf16Le(ReadBytes(work_ / "GroupwiseContact.txt"))), Utf8(announced_[1].text));
  EXPECT_NE(announced_[1].text.find(u"FullName : Two Mails\r\n"), std::u16string::npos);
}

TEST_F(GroupwiseExport, EmptyFolderEndsAtOnceAndFailuresStaySilent) {
  EXPECT_EQ(Export(kEmpty), 1);
  const auto replies = requester_.TakeReplies();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].code, CD_EXPORT_DONE);
  EXPECT_EQ(replies[0].sender, requester_.Window());
  EXPECT_EQ(Utf8(Utf16Le(replies[0].bytes)), Utf8(std::u16string(u"No more items") + u'\0'));

  // A store entry (no store of its own) and an index without an entry: 0,
  // nothing sent, also from a window that is not the reply window; that
  // stays the logon's.
  controller::Requester other;
  EXPECT_EQ(Export(kStoreEntry, &other), 0);
  EXPECT_EQ(Export(99, &other), 0);
  EXPECT_TRUE(other.Replies().empty());
  EXPECT_TRUE(requester_.TakeReplies().empty());
  EXPECT_EQ(LogonProfile(u"Nobody"), 0);
  EXPECT_EQ(TakeMessages().size(), 1u) << "the failed profile logon reports to the logon's window";
  EXPECT_TRUE(announced_.empty());
}

}  // namespace
