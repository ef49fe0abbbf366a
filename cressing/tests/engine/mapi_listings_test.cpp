// Logons, store listings and folder walks of the real engine over PST
// profiles of the machine's MAPI.
#include <fstream>

#include "cressing_engine.h"
#include "testing/shared_fixtures.h"

namespace {

using cressing_test::ListBytes;

constexpr char kTree[] = R"({
 "store": {"display_name": "Tree Mail"},
 "folders": [
  {"name": "Inbox", "class": "IPF.Note", "messages": [{}, {}, {}]},
  {"name": "Calendar", "class": "IPF.Appointment", "folders": [
    {"name": "Holidays", "class": "IPF.Appointment", "messages": [{"class": "IPM.Appointment"}]}]},
  {"name": "Plain", "class": "", "folders": [{"name": "Child", "class": "IPF.Task"}]},
  {"name": "Bare", "class": ""},
  {"name": "Lower", "class": "IPF.contact"}
 ]})";

constexpr char kSmall[] = R"({"store": {"display_name": "Small Mail"},
 "folders": [{"name": "Notes", "class": "IPF.StickyNote", "messages": [{"class": "IPM.StickyNote"}]}]})";

class PstEngine : public cressing_test::CressingEngine {
 protected:
  void SetUp() override {
    InstallMapi();
    tree_ = MakePst("tree", kTree);
    small_ = MakePst("small", kSmall);
    AddPstProfile(u"Two Stores", {{small_, u"Small Mail"}, {tree_, u"Tree Mail"}});
  }
  std::filesystem::path tree_, small_;
};

// pstgen puts "Deleted Items" first at the top of the personal folders.
const std::vector<std::u16string> kTreeLines = {
    u"Deleted Items (0)<//FolderType//> 6",
    u"Deleted Items (0)<//FolderType//> 6",
    u"Inbox (3)<//FolderType//> 6",
    u"Inbox (3)<//FolderType//> 6",
    u"Calendar (0)<//FolderType//> 7",
    u"Calendar (0)<//FolderType//> 7<TagName>Holidays (1)<//FolderType//> 7",
    u"Calendar (0)<//FolderType//> 7<TagName>Holidays (1)<//FolderType//> 7",
    u"Plain (0)<TagName>Child (0)<//FolderType//> 10",
    u"Plain (0)<TagName>Child (0)<//FolderType//> 10",
    u"Bare (0)",
    u"Lower (0)<//FolderType//> 6",
    u"Lower (0)<//FolderType//> 6",
};

TEST_F(PstEngine, ListsTheStoresAndWalksAStoreIntoFolderNameTxt) {
  Start();
  ASSERT_EQ(Logon(0, "Two Stores"), 1);
  ASSERT_EQ(Message(WM_LIST_STORES), 0);
  EXPECT_EQ(ListFileBytes("DisplayName.txt"), ListBytes({u"Small Mail", u"Tree Mail"}));

  ASSERT_EQ(Message(WM_LIST_STORE_FOLDERS, 2), 0);
  EXPECT_EQ(ListFileLines("FolderName.txt"), kTreeLines);
  EXPECT_EQ(ListFileBytes("FolderName.txt"), ListBytes(kTreeLines));
  EXPECT_TRUE(TakeMessages().empty());

  // The walk's eight folders are entries 3 to 10: 10 is a folder entry
  // (refused as a store), 11 is no entry at all (the file stays as it was).
  const auto walked = ListFileBytes("FolderName.txt");
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 11), 0);
  EXPECT_EQ(ListFileBytes("FolderName.txt"), walked);
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 10), -1);
  EXPECT_EQ(TakeMessages(), std::vector<std::u16string>{u"Fail to get lpMDB from OpenMsgStore in EnumFolders."});
  EXPECT_EQ(Request(CD_CHECK_STORE, std::int32_t{2}), 1);
  EXPECT_EQ(Request(CD_CHECK_STORE, std::int32_t{1}), 1);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(PstEngine, SecondWalkAppendsAfterTheFirstAndLeavesDisplayNameTxt) {
  Start();
  ASSERT_EQ(Logon(0, "Two Stores"), 1);
  ASSERT_EQ(Message(WM_LIST_STORES), 0);
  const auto stores = ListFileBytes("DisplayName.txt");
  ASSERT_EQ(Message(WM_LIST_STORE_FOLDERS, 2), 0);  // entries 3..10
  ASSERT_EQ(Message(WM_LIST_STORE_FOLDERS, 1), 0);  // entries 11, 12
  EXPECT_EQ(ListFileLines("FolderName.txt"),
            (std::vector<std::u16string>{u"Deleted Items (0)<//FolderType//> 6", u"Deleted Items (0)<//FolderType//> 6",
                                         u"Notes (1)<//FolderType//> 9", u"Notes (1)<//FolderType//> 9"}));
  EXPECT_EQ(ListFileBytes("DisplayName.txt"), stores);
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 13), 0);
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 12), -1) << "entry 12 is the second walk's last folder";
  TakeMessages();

  // A new store listing starts the numbering again.
  ASSERT_EQ(Message(WM_LIST_STORES), 0);
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 3), 0) << "no entry 3 any more";
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(PstEngine, LogonFailuresAndOutlookCases) {
  Start();
  EXPECT_EQ(Logon(0, "Nobody"), 0);
  const auto failed = TakeMessages();
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0],
            u"You are trying to access a mailbox or pst file that does not exist or you are using invalid logon "
            u"information. \r\nOr you have insufficient rights on the Exchange mailbox.");
  EXPECT_EQ(Message(WM_LIST_STORES), -1) << "the failed logon left no session";
  TakeMessages();

  // Outlook without a default profile: cancelled, no box, no text.
  EXPECT_EQ(Logon(1), 0);
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_FALSE(std::filesystem::exists(win32::DesktopFolder() / "messageboxes.log"));

  ASSERT_EQ(mapi::profiles::SetDefault(u"Two Stores"), S_OK);
  EXPECT_EQ(Logon(1), 1);
  EXPECT_EQ(Message(WM_LIST_STORES), 0);
  EXPECT_EQ(ListFileBytes("DisplayName.txt"), ListBytes({u"Small Mail", u"Tree Mail"}));
  EXPECT_EQ(LogonProfile(u"Two Stores"), 1);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(PstEngine, ListingsNeverWriteThroughALinkPlantedAsTheirFile) {
  namespace fs = std::filesystem;
  const fs::path victim = machine_.scratch() / "victim.txt";
  std::ofstream(victim) << "keep";
  for (const char* name : {"DisplayName.txt", "FolderName.txt"}) fs::create_symlink(victim, temp_.File(name));
  Start();
  ASSERT_EQ(Logon(0, "Two Stores"), 1);
  EXPECT_EQ(Message(WM_LIST_STORES), 0) << "the listing goes on without its file";
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 2), 0);
  EXPECT_EQ(Request(CD_CHECK_STORE, std::int32_t{2}), 1) << "the entries were made";
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(cressing_test::ReadBytes(victim), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
  EXPECT_TRUE(fs::is_symlink(temp_.File("DisplayName.txt")));
}

// A profile file with a value of the wrong type fails the logon with a
// status, whose text is sent; the engine goes on serving.
TEST_F(PstEngine, DamagedProfileFailsTheLogonWithAnErrorText) {
  std::ofstream(win32::ProfilesFolder() / "broken.json")
      << R"({"name": "Broken", "services": [{"kind": 3, "path": "/a.pst"}]})";
  Start();
  EXPECT_EQ(Logon(0, "Broken"), 0);
  EXPECT_EQ(TakeMessages(), std::vector<std::u16string>{
                                u"There is an internal inconsistency in a database, or in a complex property value."});
  EXPECT_EQ(Logon(0, "Two Stores"), 1);
  EXPECT_EQ(Message(WM_LIST_STORES), 0);
  EXPECT_TRUE(TakeMessages().empty());
}

// Outlook's own file: its mail folders carry no container class, so each
// comes once without type part; the others twice with theirs.
TEST_F(PstEngine, WalksAPstWrittenByOutlook) {
  SKIP_WITHOUT_SHARED_FIXTURE(sample, "outlook-sample.pst");
  AddPstProfile(u"Outlook Sample", {{sample, u"Sample"}});
  Start();
  ASSERT_EQ(Logon(0, "Outlook Sample"), 1);
  ASSERT_EQ(Message(WM_LIST_STORES), 0);
  EXPECT_EQ(ListFileLines("DisplayName.txt"), std::vector<std::u16string>{u"Sample"});
  ASSERT_EQ(Message(WM_LIST_STORE_FOLDERS, 1), 0);
  EXPECT_TRUE(TakeMessages().empty());
  const std::vector<std::u16string> expected = {
      u"Deleted Items (0)",
      u"Inbox (0)",
      u"Outbox (0)",
      u"Sent Items (0)",
      u"Calendar (1)<//FolderType//> 7",
      u"Calendar (1)<//FolderType//> 7",
      u"Contacts (2)<//FolderType//> 8",
      u"Contacts (2)<//FolderType//> 8",
      u"Journal (0)<//FolderType//> 11",
      u"Journal (0)<//FolderType//> 11",
      u"Notes (0)<//FolderType//> 9",
      u"Notes (0)<//FolderType//> 9",
      u"Tasks (0)<//FolderType//> 10",
      u"Tasks (0)<//FolderType//> 10",
      u"Drafts (0)<//FolderType//> 6",
      u"Drafts (0)<//FolderType//> 6",
      u"RSS Feeds (0)<//FolderType//> 6",
      u"RSS Feeds (0)<//FolderType//> 6",
      u"Junk E-mail (0)<//FolderType//> 6",
      u"Junk E-mail (0)<//FolderType//> 6",
  };
  EXPECT_EQ(ListFileLines("FolderName.txt"), expected);
  EXPECT_EQ(ListFileBytes("FolderName.txt"), ListBytes(expected));
  // Twelve folders: entries 2 to 13.
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 14), 0);
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 13), -1);
}

}  // namespace
