// The road of an item from a PST file to its Notes document: the real
// cressing exports each folder of a PST file made by pstgen (or written by
// Outlook), and each announced item goes to the real fennick with the files
// cressing wrote for it, as the controlling program hands them on.
#include "cressing/CressingRecords.h"
#include "builder_engine.h"
#include "testing/shared_fixtures.h"
#include "win32/window.h"

namespace {

using namespace fennick_test;

// An engine path ("/work\MSG1.eml") as a POSIX one.
fs::path PosixPath(std::u16string path) {
  std::replace(path.begin(), path.end(), u'\\', u'/');
  return fs::path(win32::Utf16ToUtf8(path));
}

// The files of one announced item, copied before cressing removes them.
struct Exported {
  std::int32_t itemType = 0;
  fs::path folder;  // eml, item text, attachment list and members file in it
};

class FennickRoad : public FennickBuilder {
 protected:
  FennickRoad() : export_(machine_.scratch() / "export"), previous_(fs::current_path()) {
    fs::create_directories(export_);
  }
  ~FennickRoad() override {
    if (cressing_ && cressingWindow_) cressing_->Close(cressingWindow_, kLimit);
  }

  // Cressing started in its export folder, logged on to a profile of the
  // file, with the file's folders listed (entry 2 and on).
  void StartCressing(const fs::path& pst) {
    const std::string add = (testing_support::BuildDir() / "bin" / "brackenford").string() +
                            " machine add-profile Road --pst '" + pst.string() + "' > /dev/null";
    ASSERT_EQ(std::system(add.c_str()), 0) << add;
    fs::current_path(export_);
    std::string error;
    cressingWindow_ = controller::StartEngine(testing_support::BuildDir() / "bin" / "cressing", u"<GUID>road-test",
                                              kLimit, &cressing_, &error);
    fs::current_path(previous_);
    ASSERT_NE(cressingWindow_, nullptr) << error;
    LOGON_INFO logon{};
    logon.hwnd = win32::HandleValue(requester_.Window());
    logon.case_Mapi = kCasePstFiles;
    std::strncpy(logon.profile, "Road", sizeof logon.profile - 1);
    ASSERT_EQ(requester_.SendRecord(cressingWindow_, CD_LOGON, logon).value, 1);
    requester_.Send(cressingWindow_, WM_LIST_STORES);
    requester_.Send(cressingWindow_, WM_LIST_STORE_FOLDERS, 1);
    requester_.TakeReplies();
  }

  // Exports the folder of the entry (first export mode); false when there
  // is no such folder.
  bool ExportFolder(std::int32_t entry, std::vector<Exported>& items) {
    auto info = std::make_unique<EXPORT_FOLDER_INFO>();
    std::memset(info.get(), 0, sizeof *info);
    const std::u16string path = u"Road<TagName>Folder";
    std::copy(path.begin(), path.end(), info->folderPath);
    info->entryIndex = entry;
    std::fill(std::begin(info->typeEnabled), std::end(info->typeEnabled), 1);
    requester_.SetAnswer([&](const controller::CopyDataReply& reply) -> LRESULT {
      if (reply.code == CD_ITEM_INFO) items.push_back(Keep(reply.bytes));
      return 1;
    });
    const LRESULT result = requester_.SendRecord(cressingWindow_, CD_EXPORT_FOLDER, *info).value;
    requester_.SetAnswer({});
    requester_.TakeReplies();
    return result == 1;
  }
  // Every item of every folder of the file.
  std::vector<Exported> ExportAll() {
    std::vector<Exported> items;
    for (std::int32_t entry = 2; ExportFolder(entry, items); ++entry) {
    }
    return items;
  }

  // The item's files as fennick gets them; its document.
  nlohmann::json InsertExported(const Exported& item) {
    auto info = ItemInfo(u"Mail\\Inbox\\", item.folder / "ItemText.txt");
    SetField(info->emlFile, U16(item.folder / "MSG.eml"));
    SetField(info->attachmentList, U16(item.folder / "AttachmentList.txt"));
    SetField(info->membersFile, U16(item.folder / "DistListInfo.txt"));
    EXPECT_EQ(Send(CD_INSERT_ITEM, *info), 1);
    EXPECT_TRUE(TakeReplies().empty());
    return LastDocument();
  }

 private:
  Exported Keep(const std::vector<unsigned char>& bytes) {
    auto info = std::make_unique<ITEM_INFO>();
    std::memcpy(info.get(), bytes.data(), std::min(bytes.size(), sizeof *info));
    Exported item;
    item.itemType = info->itemType;
    item.folder = machine_.scratch() / ("item" + std::to_string(++kept_));
    fs::create_directories(item.folder);
    const std::pair<const WCHAR*, const char*> files[] = {{info->emlFile, "MSG.eml"},
                                                          {info->itemTextFile, "ItemText.txt"},
                                                          {info->attachmentList, "AttachmentList.txt"},
                                                          {info->membersFile, "DistListInfo.txt"}};
    for (const auto& [field, name] : files) {
      const fs::path from = PosixPath(std::u16string(win32::WideField(field, 5000)));
      if (!from.empty() && fs::is_regular_file(from)) fs::copy_file(from, item.folder / name);
    }
    return item;
  }

  fs::path export_;
  fs::path previous_;
  std::optional<controller::EngineProcess> cressing_;
  HWND cressingWindow_ = nullptr;
  int kept_ = 0;
};

constexpr char kEveryType[] = R"({
 "store": {"display_name": "Road"},
 "folders": [
  {"name": "Calendar", "class": "IPF.Appointment", "messages": [{"class": "IPM.Appointment",
    "props": {"PR_SUBJECT_W": "Planning", "PR_BODY_W": "Agenda", "PR_CLIENT_SUBMIT_TIME": "2024-03-15T13:05:00Z"},
    "named": [
     {"set": "PSETID_Appointment", "lid": 33293, "type": "PT_SYSTIME", "value": "2024-03-15T14:05:00Z"},
     {"set": "PSETID_Appointment", "lid": 33294, "type": "PT_SYSTIME", "value": "2024-03-15T15:30:00Z"},
     {"set": "PSETID_Appointment", "lid": 33288, "type": "PT_UNICODE", "value": "Room 4"},
     {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Red", "Blue"]}]}]},
  {"name": "Tasks", "class": "IPF.Task", "messages": [{"class": "IPM.Task",
    "props": {"PR_SUBJECT_W": "Report", "PR_BODY_W": "Write it", "PR_PRIORITY": 1,
              "PR_CLIENT_SUBMIT_TIME": "2024-03-15T13:05:00Z"},
    "named": [
     {"set": "PSETID_Task", "lid": 33028, "type": "PT_SYSTIME", "value": "2024-03-04T00:00:00Z"},
     {"set": "PSETID_Task", "lid": 33029, "type": "PT_SYSTIME", "value": "2024-03-08T00:00:00Z"},
     {"set": "PSETID_Task", "lid": 33025, "type": "PT_LONG", "value": 2},
     {"set": "PSETID_Common", "lid": 34054, "type": "PT_BOOLEAN", "value": true},
     {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Work"]}]}]},
  {"name": "Contacts", "class": "IPF.Contact", "messages": [
    {"class": "IPM.Contact",
     "props": {"PR_SUBJECT_W": "Cat Jones", "PR_DISPLAY_NAME_W": "Cat Jones", "PR_GIVEN_NAME_W": "Cat",
               "PR_SURNAME_W": "Jones", "PR_COMPANY_NAME_W": "Acme", "PR_MOBILE_TELEPHONE_NUMBER_W": "555-1",
               "PR_HOME_ADDRESS_POSTAL_CODE_W": "22100", "PR_BIRTHDAY": "1980-03-15T00:00:00Z",
               "PR_BODY_W": "Met at the fair", "PR_CLIENT_SUBMIT_TIME": "2024-03-15T13:05:00Z"},
     "named": [
      {"set": "PSETID_Address", "lid": 32900, "type": "PT_UNICODE", "value": "cat@example.com"},
      {"set": "PSETID_Address", "lid": 32838, "type": "PT_UNICODE", "value": "Lund"},
      {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Friends", "Work"]}]},
    {"class": "IPM.DistList",
     "props": {"PR_SUBJECT_W": "Team", "PR_DISPLAY_NAME_W": "Team", "PR_BODY_W": "The team",
               "PR_CLIENT_SUBMIT_TIME": "2024-03-15T13:05:00Z"},
     "named": [
      {"set": "PSETID_Address", "lid": 32852, "type": "PT_MV_BINARY",
       "value": ["oneoff:Al|SMTP|al@example.com", "oneoff:Bo|SMTP|bo@example.com"]},
      {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Staff"]}]}]},
  {"name": "Journal", "class": "IPF.Journal", "messages": [{"class": "IPM.Activity",
    "props": {"PR_SUBJECT_W": "Call", "PR_BODY_W": "Called Bob", "PR_CLIENT_SUBMIT_TIME": "2024-03-15T13:05:00Z"},
    "named": [{"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["Calls"]}]}]}
 ]})";

TEST_F(FennickRoad, EachTypeBecomesItsOwnDocument) {
  StartCressing(testing_support::MakePst(machine_.scratch(), "road", kEveryType));
  const std::vector<Exported> items = ExportAll();
  std::vector<std::int32_t> types;
  for (const Exported& item : items) types.push_back(item.itemType);
  ASSERT_EQ(types, (std::vector<std::int32_t>{1, 4, 2, 12, 5}));

  EXPECT_EQ(Items(InsertExported(items[0])), (std::vector<Item>{
                                                 Text("Form", {"Appointment"}),
                                                 Text("Subject", {"Planning"}),
                                                 Text("From", {""}),
                                                 Text("Location", {"Room 4"}),
                                                 Text("Categories", {" Red; Blue"}),
                                                 Text("ExcludeFromView", {"S", "D"}),
                                                 Time("StartDate", "2024-03-15T14:05:00"),
                                                 Time("STARTDATETIME", "2024-03-15T14:05:00"),
                                                 Time("EndDate", "2024-03-15T15:30:00"),
                                                 Time("EndDateTime", "2024-03-15T15:30:00"),
                                                 Time("PostedDate", "2024-03-15T13:05:00"),
                                                 Html("Agenda"),
                                             }));
  EXPECT_EQ(Items(InsertExported(items[1])), (std::vector<Item>{
                                                 Text("Form", {"Task"}),
                                                 Text("Subject", {"Report"}),
                                                 Text("From", {""}),
                                                 Text("Importance", {"1"}),
                                                 Text("DisplayStatus", {"Complete"}),
                                                 Text("Categories", {"1: Work"}),
                                                 Text("ExcludeFromView", {"S", "D"}),
                                                 Text("OrgConfidential", {"1"}),
                                                 Time("DueDate", "2024-03-08T00:00:00"),
                                                 Time("StartDate", "2024-03-04T00:00:00"),
                                                 Time("PostedDate", "2024-03-15T13:05:00"),
                                                 Html("Write it"),
                                             }));

  // Every line of the contact text writes its items, empty ones included.
  const nlohmann::json person = InsertExported(items[2]);
  const std::vector<Item> personItems = Items(person);
  ASSERT_GE(personItems.size(), 3u);
  EXPECT_EQ(personItems.size(), 63u) << "an empty anniversary writes none";
  EXPECT_EQ(personItems.front(), Text("FullName", {"Cat Jones"}));
  EXPECT_EQ(std::vector<Item>(personItems.end() - 3, personItems.end()),
            (std::vector<Item>{Text("Form", {"Person"}), Text("Comment", {"Met at the fair\r\n"}),
                               Text("ExcludeFromView", {"S", "D"})}));
  for (const Item& item :
       {Text("MailAddress", {"cat@example.com"}), Text("CompanyName", {"Acme"}), Text("OfficeCity", {"Lund"}),
        Time("Birthday", "1980-03-15T00:00:00"), Text("Categories", {" Friends, Work"})})
    EXPECT_EQ(ItemsNamed(person, item.name), std::vector<Item>{item});
  EXPECT_EQ(ItemsNamed(person, "CellPhoneNumber"),
            (std::vector<Item>{Text("CellPhoneNumber", {"555-1"}), Text("CellPhoneNumber", {""})}));
  EXPECT_EQ(ItemsNamed(person, "Zip"), (std::vector<Item>{Text("Zip", {"22100"}), Text("Zip", {"22100"})}));

  EXPECT_EQ(Items(InsertExported(items[3])), (std::vector<Item>{
                                                 Text("Comment", {"The team"}),
                                                 Text("DisplayName", {"Team"}),
                                                 Text("ListName", {"Team"}),
                                                 Text("Categories", {" Staff"}),
                                                 Text("Form", {"Group"}),
                                                 Text("Members", {"al@example.com", "bo@example.com"}),
                                                 Text("ExcludeFromView", {"S", "D"}),
                                             }));
  EXPECT_FALSE(fs::exists(items[3].folder / "DistListInfo.txt")) << "the group took its members file";

  EXPECT_EQ(Items(InsertExported(items[4])), (std::vector<Item>{
                                                 Text("Form", {"JournalEntry"}),
                                                 Text("Subject", {"Call"}),
                                                 Text("Categories", {" Calls"}),
                                                 Text("ExcludeFromView", {"S", "D"}),
                                                 Time("TimeCreated", "2024-03-15T13:05:00"),
                                                 Time("PostedDate", "2024-03-15T13:05:00"),
                                                 Html("Called Bob\r"),
                                             }));
  EXPECT_EQ(Database()["documents"].size(), 5u);
}

// A contact's values after its two folder lines travel as entries, which
// may span lines: a street address of two lines reaches the person
// document on two lines (the reader keeps a CR where each line ended), and
// the entries after it are still read.
TEST_F(FennickRoad, AContactsTwoLineAddressesKeepBothLines) {
  constexpr char kTwoLines[] = R"({
 "store": {"display_name": "Road"},
 "folders": [{"name": "Contacts", "class": "IPF.Contact", "messages": [{"class": "IPM.Contact",
   "props": {"PR_DISPLAY_NAME_W": "Cat Jones", "PR_HOME_ADDRESS_STREET_W": "2 Low Petergate\r\nFlat 3",
             "PR_BUSINESS_HOME_PAGE_W": "https://cat.example",
             "PR_OTHER_ADDRESS_STREET_W": "3 Dock St\r\nHull"},
   "named": [{"set": "PSETID_Address", "lid": 32837, "type": "PT_UNICODE", "value": "1 Mill Lane\r\nUnit 4"}]}]}]
})";
  StartCressing(testing_support::MakePst(machine_.scratch(), "lines", kTwoLines));
  const std::vector<Exported> items = ExportAll();
  ASSERT_EQ(items.size(), 1u);
  const nlohmann::json person = InsertExported(items[0]);
  for (const Item& item :
       {Text("StreetAddress", {"2 Low Petergate\rFlat 3"}), Text("OfficeStreetAddress", {"1 Mill Lane\rUnit 4"}),
        Text("OtherStreetAddress", {"3 Dock St\rHull"}), Text("WebSite", {"https://cat.example"}),
        Text("FullName", {"Cat Jones"})})
    EXPECT_EQ(ItemsNamed(person, item.name), std::vector<Item>{item});
}

// Attachments the exporter lists without a file (no data, a reference
// without data, a web reference, an embedded message without its message):
// the document takes the others, and nothing is reported.
TEST_F(FennickRoad, AttachmentsListedWithoutAFileAreSkippedWithoutAWord) {
  constexpr char kListed[] = R"({
 "store": {"display_name": "Road"},
 "folders": [{"name": "Inbox", "messages": [{"props": {"PR_SUBJECT_W": "Files", "PR_BODY_W": "See them"},
   "attachments": [
    {"method": 1, "long_filename": "kept.txt", "data": "hex:6b657074"},
    {"method": 0, "display_name": "nothing"},
    {"method": 4, "long_filename": "ref4.lnk", "long_pathname": "C:\\long path\\ref4.lnk"},
    {"method": 7, "long_filename": "web.txt", "long_pathname": "https://example.com/web.txt"},
    {"method": 5, "display_name": "Gone"},
    {"method": 1, "long_filename": "last.txt", "data": "hex:6c617374"}]}]}]
})";
  StartCressing(testing_support::MakePst(machine_.scratch(), "listed", kListed));
  const std::vector<Exported> items = ExportAll();
  ASSERT_EQ(items.size(), 1u);
  const nlohmann::json document = InsertExported(items[0]);
  std::vector<std::string> names;
  for (const auto& attachment : document["attachments"]) names.push_back(attachment["name"].get<std::string>());
  EXPECT_EQ(names, (std::vector<std::string>{"kept.txt", "last.txt"}));
}

// Outlook's own file: its contact, its list with members and its recurring
// appointment each become their own document.
TEST_F(FennickRoad, OutlookSampleItemsBecomeTheirDocuments) {
  SKIP_WITHOUT_SHARED_FIXTURE(sample, "outlook-sample.pst");
  StartCressing(sample);
  std::map<std::string, nlohmann::json> byForm;
  for (const Exported& item : ExportAll()) {
    const nlohmann::json document = InsertExported(item);
    const std::vector<Item> forms = ItemsNamed(document, "Form");
    ASSERT_EQ(forms.size(), 1u) << "item type " << item.itemType;
    byForm[forms[0].values.at(0)] = document;
  }
  ASSERT_EQ(byForm.size(), 3u);
  const nlohmann::json& appointment = byForm["Appointment"];
  // The file keeps two marker characters in front of this subject; the
  // store answers it without them.
  EXPECT_EQ(ItemsNamed(appointment, "Subject"), std::vector<Item>{Text("Subject", {"Test appointment"})});
  EXPECT_EQ(ItemsNamed(appointment, "STARTDATETIME"), std::vector<Item>{Time("STARTDATETIME", "2016-08-02T15:00:00")});
  EXPECT_EQ(ItemsNamed(appointment, "EndDateTime"), std::vector<Item>{Time("EndDateTime", "2016-08-02T15:30:00")});
  EXPECT_EQ(appointment["attachments"].size(), 2u) << "its two attached appointments";
  EXPECT_EQ(
      ItemsNamed(byForm["Group"], "Members"),
      std::vector<Item>{Text("Members", {"contact1@rjohnson.id.au", "dist1@rjohnson.id.au", "dist2@rjohnson.id.au"})});
  EXPECT_EQ(ItemsNamed(byForm["Group"], "ListName"), std::vector<Item>{Text("ListName", {"test dist list"})});
  EXPECT_EQ(ItemsNamed(byForm["Person"], "FullName"), std::vector<Item>{Text("FullName", {"contact name 1"})});
  EXPECT_EQ(ItemsNamed(byForm["Person"], "MailAddress"),
            std::vector<Item>{Text("MailAddress", {"contact1@rjohnson.id.au"})});
}

}  // namespace
