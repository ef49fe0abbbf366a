// Requests to the real engine without MAPI on the machine: dispatch, the
// reply window, logon failures and their texts, listings without a session.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cressing_engine.h"
#include "win32/machine.h"

namespace {

using cressing_test::CressingEngine;
namespace fs = std::filesystem;

std::string MessageBoxLog() {
  std::ifstream in(win32::DesktopFolder() / "messageboxes.log");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(CressingEngine, UnknownCodesAndOwnOutgoingCodesAnswerZero) {
  Start();
  BYTE record[64] = {};
  for (ULONG_PTR code : {ULONG_PTR{CD_ITEM_INFO}, ULONG_PTR{CD_EXPORT_DONE}, ULONG_PTR{CD_ERROR_TEXT},
                         ULONG_PTR{0x7777}, ULONG_PTR{1} << 32})
    EXPECT_EQ(Request(code, record), 0) << code;
  EXPECT_EQ(Message(WM_STOP_EXPORT), 1);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(CressingEngine, LogonCaseOutsideTheThreeAnswersOneAndNamesTheReplyWindow) {
  Start();
  // The upper half of dwData is not part of the code.
  LOGON_INFO info{};
  info.hwnd = win32::HandleValue(requester_.Window());
  info.case_Mapi = 7;
  EXPECT_EQ(Request((ULONG_PTR{0x5A5A} << 32) | CD_LOGON, info), 1);
  EXPECT_TRUE(TakeMessages().empty()) << "nothing logged off or on";

  // A profile logon from another window reports to the window case 7 named.
  controller::Requester other;
  auto profile = std::make_unique<PROFILE_LOGON_INFO>();
  std::memset(profile.get(), 0, sizeof *profile);
  EXPECT_EQ(other.SendRecord(window_, CD_LOGON_PROFILE, *profile).value, 0);
  EXPECT_TRUE(other.Replies().empty());
  EXPECT_EQ(TakeMessages(), std::vector<std::u16string>{u"Fail to login in Exchange case."});
}

TEST_F(CressingEngine, ProfileLogonBeforeAnyReplyWindowSendsNothing) {
  Start();
  EXPECT_EQ(LogonProfile(u"Personal"), 0);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(CressingEngine, LogonWithoutMapiSendsTheStepTextOfItsCase) {
  Start();
  EXPECT_EQ(Logon(0, "Personal"), 0);
  EXPECT_EQ(Logon(2, "Exchange", "ann"), 0);
  const auto texts = TakeErrorTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].message, u"Fail to login in PST Files case.");
  EXPECT_EQ(texts[1].message, u"Fail to login in Exchange case.");
  EXPECT_EQ(texts[1].mailbox, u"");
}

TEST_F(CressingEngine, FailedOutlookLogonShowsTheBoxAndSendsTheStepText) {
  Start();
  EXPECT_EQ(Logon(1), 0);
  EXPECT_EQ(TakeMessages(), std::vector<std::u16string>{u"Fail to login in Outlook case."});
  const std::string log = MessageBoxLog();
  EXPECT_NE(log.find("Brackenford"), std::string::npos) << log;
  EXPECT_NE(log.find("Unexpected Error"), std::string::npos) << log;
}

TEST_F(CressingEngine, RequestsWithoutASessionReportIt) {
  Start();
  EXPECT_EQ(Message(WM_LIST_STORES, 0), -1);
  EXPECT_EQ(ListMailboxes(u"EXSRV"), 0);
  EXPECT_EQ(Request(CD_CHECK_STORE, std::int32_t{1}), 0);
  EXPECT_EQ(MailboxRequest(CD_CHECK_MAILBOX, u"EXSRV", 1), 0);
  EXPECT_EQ(TakeMessages(), std::vector<std::u16string>(4, u"Fail to get session."));

  // No entry 1: nothing is walked, no file is made, nothing is sent.
  EXPECT_EQ(Message(WM_LIST_STORE_FOLDERS, 1), 0);
  EXPECT_EQ(MailboxRequest(CD_LIST_MAILBOX_FOLDERS, u"EXSRV", 1), 0);
  auto exportInfo = std::make_unique<EXPORT_FOLDER_INFO>();
  std::memset(exportInfo.get(), 0, sizeof *exportInfo);
  exportInfo->entryIndex = 1;
  for (std::int32_t target : {0, 1, 2}) {
    exportInfo->target = target;
    EXPECT_EQ(Request(CD_EXPORT_FOLDER, *exportInfo), 0) << target;
  }
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_FALSE(fs::exists(temp_.File("FolderName.txt")));
  EXPECT_FALSE(fs::exists(temp_.File("MailBoxName.txt")));
  EXPECT_FALSE(fs::exists(temp_.File("DisplayName.txt")));
}

}  // namespace
