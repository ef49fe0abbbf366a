// The mailbox listing, check and walk of the real engine on a simulated
// Exchange server: mailboxes ann, bob and cy on EXSRV, cy refusing ann.
#include "cressing_engine.h"
#include "mapi/exchange.h"

namespace {

using cressing_test::ListBytes;

constexpr char kMailbox[] = R"({
 "folders": [
  {"name": "Inbox", "class": "IPF.Note", "messages": [{}, {}], "folders": [
    {"name": "Projects", "class": "IPF.Note", "messages": [{}]}]},
  {"name": "Tasks", "class": "IPF.Task"}
 ]})";

class ExchangeEngine : public cressing_test::CressingEngine {
 protected:
  void SetUp() override {
    InstallMapi();
    const auto pst = MakePst("mailbox", kMailbox);
    for (const char16_t* alias : {u"ann", u"bob", u"cy"}) {
      const std::vector<std::u16string> denied =
          std::u16string(alias) == u"cy" ? std::vector<std::u16string>{u"ann"} : std::vector<std::u16string>{};
      ASSERT_EQ(mapi::exchange::AddMailbox(u"EXSRV", alias, u"User " + std::u16string(alias), pst.u16string(),
                                           denied),
                S_OK);
    }
    mapi::profiles::Profile profile;
    profile.name = u"Exchange";
    profile.user = u"ann";
    profile.services.push_back(mapi::profiles::ExchangeService(u"EXSRV", u"ann"));
    ASSERT_EQ(mapi::profiles::Create(profile), S_OK);
  }
};

const std::vector<std::u16string> kMailboxLines = {
    u"Deleted Items (0)<//FolderType//> 6",
    u"Deleted Items (0)<//FolderType//> 6",
    u"Inbox (2)<//FolderType//> 6",
    u"Inbox (2)<//FolderType//> 6<TagName>Projects (1)<//FolderType//> 6",
    u"Inbox (2)<//FolderType//> 6<TagName>Projects (1)<//FolderType//> 6",
    u"Tasks (0)<//FolderType//> 10",
    u"Tasks (0)<//FolderType//> 10",
};

TEST_F(ExchangeEngine, ListsTheMailboxesWithoutTheRowThatHasNoAddress) {
  Start();
  ASSERT_EQ(Logon(2, "Exchange", "ann"), 1);
  ASSERT_EQ(ListMailboxes(u"EXSRV"), 1);
  // The server's system mailbox has no address: no line, no entry.
  EXPECT_EQ(ListFileBytes("DisplayName.txt"), ListBytes({u"User ann", u"User bob", u"User cy"}));
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(MailboxRequest(CD_CHECK_MAILBOX, u"EXSRV", 4), 0) << "no entry 4";
  TakeMessages();
}

TEST_F(ExchangeEngine, ChecksAMailboxAndSendsAnEmptyTextOnSuccess) {
  Start();
  ASSERT_EQ(Logon(2, "Exchange", "ann"), 1);
  ASSERT_EQ(ListMailboxes(u"EXSRV"), 1);
  EXPECT_EQ(MailboxRequest(CD_CHECK_MAILBOX, u"EXSRV", 2), 1);
  const auto texts = TakeErrorTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].message, u"");
  EXPECT_EQ(texts[0].mailbox, u"");
}

TEST_F(ExchangeEngine, DeniedMailboxNamesTheUserAndTheMailbox) {
  Start();
  ASSERT_EQ(Logon(2, "Exchange", "ann"), 1);
  ASSERT_EQ(ListMailboxes(u"EXSRV"), 1);
  EXPECT_EQ(MailboxRequest(CD_CHECK_MAILBOX, u"EXSRV", 3), 0);
  auto texts = TakeErrorTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].message, u"User \"ann\" does not have rights to enumerate \"User cy\" mailbox.");
  EXPECT_EQ(texts[0].mailbox, u"User cy");

  EXPECT_EQ(MailboxRequest(CD_LIST_MAILBOX_FOLDERS, u"EXSRV", 3), 0);
  texts = TakeErrorTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].message, u"User \"ann\" does not have rights to enumerate \"User cy\" mailbox.");
  EXPECT_EQ(texts[0].mailbox, u"User cy");
  EXPECT_TRUE(ListFileBytes("MailBoxName.txt").empty());
}

TEST_F(ExchangeEngine, WalksAMailboxIntoMailBoxNameTxtAndContinuesTheIndexes) {
  Start();
  ASSERT_EQ(Logon(2, "Exchange", "ann"), 1);
  ASSERT_EQ(ListMailboxes(u"EXSRV"), 1);
  EXPECT_EQ(MailboxRequest(CD_LIST_MAILBOX_FOLDERS, u"EXSRV", 2), 0);
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(ListFileLines("MailBoxName.txt"), kMailboxLines);
  EXPECT_EQ(ListFileBytes("MailBoxName.txt"), ListBytes(kMailboxLines));

  // Entries 4 to 7 are bob's folders; ann's walk appends 8 to 11.
  EXPECT_EQ(MailboxRequest(CD_LIST_MAILBOX_FOLDERS, u"EXSRV", 1), 0);
  EXPECT_EQ(ListFileLines("MailBoxName.txt"), kMailboxLines);
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 12), 0) << "no entry 12";
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 11), -1) << "entry 11 is a folder";
  TakeMessages();
}

TEST_F(ExchangeEngine, MailboxListingWithoutAnExchangeStoreSendsNothing) {
  const auto pst = MakePst("plain", R"({"folders": []})");
  AddPstProfile(u"Plain", {{pst, u"Plain"}});
  Start();
  ASSERT_EQ(Logon(0, "Plain"), 1);
  EXPECT_EQ(ListMailboxes(u"EXSRV"), 0);
  EXPECT_EQ(MailboxRequest(CD_CHECK_MAILBOX, u"EXSRV", 1), 0);
  const auto texts = TakeErrorTexts();
  ASSERT_EQ(texts.size(), 1u) << "the check's closing text, empty";
  EXPECT_EQ(texts[0].message, u"");
}

}  // namespace
