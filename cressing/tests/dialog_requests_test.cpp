// The dialog's request dispatch in process: what each request copies into
// the dialog, and how error texts are sent.
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "CressingDlg.h"
#include "controller/Requester.h"
#include "cressing_test_support.h"

namespace {

class TestDlg : public CCressingDlg {
 public:
  using CCressingDlg::OnCopyData;
  using CCressingDlg::OnStopExport;
};

class DialogRequests : public ::testing::Test {
 protected:
  LRESULT Send(ULONG_PTR code, const void* data, DWORD size) {
    COPYDATASTRUCT cds{code, size, const_cast<void*>(data)};
    return dlg_.OnCopyData(nullptr, &cds);
  }
  template <class Record>
  LRESULT SendRecord(ULONG_PTR code, const Record& record) {
    return Send(code, &record, sizeof record);
  }
  static std::unique_ptr<EXPORT_FOLDER_INFO> Export(std::int32_t target) {
    auto info = std::make_unique<EXPORT_FOLDER_INFO>();
    std::memset(info.get(), 0, sizeof *info);
    info->target = target;
    return info;
  }

  testing_support::TempMachine machine_;
  TestDlg dlg_;
};

TEST_F(DialogRequests, StartsWithTheValuesOfItsTable) {
  EXPECT_TRUE(dlg_.m_exchangeUser.empty());
  EXPECT_TRUE(dlg_.m_mailboxName.empty());
  EXPECT_EQ(dlg_.m_replyWnd, nullptr);
  EXPECT_EQ(dlg_.m_dateFilterMode, 0);
  EXPECT_EQ(dlg_.m_dateRangeCount, 0);
  for (std::uint8_t on : dlg_.m_typeEnabled) EXPECT_EQ(on, 1);
  EXPECT_NE(dlg_.m_pMapiObjects, nullptr);
  EXPECT_EQ(dlg_.m_stopRequested, 0);
  EXPECT_TRUE(dlg_.m_pDisplayNameList.empty());
  EXPECT_EQ(dlg_.m_memberDumpActive, 1);
  EXPECT_EQ(dlg_.m_memberFileOpen, 1);
  EXPECT_FALSE(dlg_.m_memberFile.IsOpen());
}

TEST_F(DialogRequests, ExportFolderCopiesEveryFilterAndKeepsThemForAnUnknownTarget) {
  dlg_.m_exchangeUser = u"jo";
  auto info = Export(2);
  info->dateFilterMode = 3;
  info->relativeDateChoice = 4;
  std::memset(info->dateRanges[0], 'x', kDateRangeSize);  // no terminator in the slot
  std::strcpy(info->dateRanges[1], "01/02/2020-03/04/2021");
  info->dateRangeCount = 2;
  const std::uint8_t types[] = {1, 0, 1, 0, 0, 7};
  std::memcpy(info->typeEnabled, types, sizeof types);

  EXPECT_EQ(SendRecord(CD_EXPORT_FOLDER, *info), 0);
  EXPECT_TRUE(dlg_.m_exchangeUser.empty());
  EXPECT_EQ(dlg_.m_dateFilterMode, 3);
  EXPECT_EQ(dlg_.m_relativeDateChoice, 4);
  EXPECT_EQ(std::string(dlg_.m_dateRanges[0]), std::string(24, 'x'));
  EXPECT_STREQ(dlg_.m_dateRanges[1], "01/02/2020-03/04/2021");
  EXPECT_EQ(dlg_.m_dateRangeCount, 2);
  EXPECT_EQ(std::memcmp(dlg_.m_typeEnabled, types, sizeof types), 0);

  // A count of 0 leaves the old texts but sets the count; a later request
  // replaces every filter.
  auto next = Export(0);
  EXPECT_EQ(SendRecord(CD_EXPORT_FOLDER, *next), 0);
  EXPECT_EQ(dlg_.m_dateRangeCount, 0);
  EXPECT_STREQ(dlg_.m_dateRanges[1], "01/02/2020-03/04/2021");
  EXPECT_EQ(dlg_.m_dateFilterMode, 0);
  for (std::uint8_t on : dlg_.m_typeEnabled) EXPECT_EQ(on, 0);
}

TEST_F(DialogRequests, DateRangeCountIsLimitedButANegativeOneIsStoredAsItIs) {
  auto info = Export(2);
  info->dateRangeCount = 5000;
  std::strcpy(info->dateRanges[999], "last");
  SendRecord(CD_EXPORT_FOLDER, *info);
  EXPECT_EQ(dlg_.m_dateRangeCount, 1000);
  EXPECT_STREQ(dlg_.m_dateRanges[999], "last");
  info->dateRangeCount = -3;
  SendRecord(CD_EXPORT_FOLDER, *info);
  EXPECT_EQ(dlg_.m_dateRangeCount, -3);
}

TEST_F(DialogRequests, StopFlagIsClearedByAFirstModeExportOnly) {
  EXPECT_EQ(dlg_.OnStopExport(0, 0), 1);
  EXPECT_EQ(dlg_.m_stopRequested, 1);
  SendRecord(CD_EXPORT_FOLDER, *Export(1));
  EXPECT_EQ(dlg_.m_stopRequested, 1) << "second mode leaves the flag";
  SendRecord(CD_EXPORT_FOLDER, *Export(0));
  EXPECT_EQ(dlg_.m_stopRequested, 0);
}

TEST_F(DialogRequests, ShortRecordReadsAsZeroPadded) {
  // Only hwnd and case_Mapi 7 arrive: the texts read as empty.
  LOGON_INFO info{};
  info.hwnd = 0x1234;
  info.case_Mapi = 7;
  dlg_.m_exchangeUser = u"jo";
  EXPECT_EQ(Send(CD_LOGON, &info, 12), 1);
  EXPECT_EQ(dlg_.m_replyWnd, win32::HandleFromValue(0x1234));
  EXPECT_TRUE(dlg_.m_exchangeUser.empty());
  // An export record cut inside folderPath has target 0 and no entry.
  auto exportInfo = Export(0);
  dlg_.m_dateFilterMode = 9;
  EXPECT_EQ(Send(CD_EXPORT_FOLDER, exportInfo.get(), 20), 0);
  EXPECT_EQ(dlg_.m_dateFilterMode, 0);
  EXPECT_EQ(Send(CD_LOGON, nullptr, 0), 0) << "no bytes at all: a case-0 logon, which fails without MAPI";
  EXPECT_EQ(dlg_.m_replyWnd, nullptr);
}

TEST_F(DialogRequests, UpperHalfOfDwDataIsIgnored) {
  LOGON_INFO info{};
  info.case_Mapi = 7;
  EXPECT_EQ(SendRecord((ULONG_PTR{0xABCD} << 32) | CD_LOGON, info), 1);
  EXPECT_EQ(SendRecord(CD_ITEM_INFO, info), 0);
  EXPECT_EQ(SendRecord(CD_EXPORT_DONE, info), 0);
  EXPECT_EQ(SendRecord(ULONG_PTR{0xABCD} << 32, info), 0);
}

TEST_F(DialogRequests, ErrorTextIsCutTo1023UnitsAndCarriesTheMailboxName) {
  controller::Requester requester;
  ASSERT_NE(requester.Window(), nullptr);
  dlg_.SendErrorText(u"not sent: no reply window");
  EXPECT_TRUE(requester.Replies().empty());

  dlg_.m_replyWnd = requester.Window();
  dlg_.m_mailboxName = std::u16string(1500, u'm');
  dlg_.SendErrorText(std::u16string(2000, u'e'));
  ASSERT_EQ(requester.Replies().size(), 1u);
  const controller::CopyDataReply& reply = requester.Replies()[0];
  EXPECT_EQ(reply.code, CD_ERROR_TEXT);
  EXPECT_EQ(reply.sender, nullptr) << "wParam 0";
  ASSERT_EQ(reply.bytes.size(), sizeof(ERROR_TEXT_INFO));
  const auto text = cressing_test::ReadErrorText(reply.bytes);
  EXPECT_EQ(text.message, std::u16string(1023, u'e'));
  EXPECT_EQ(text.mailbox, std::u16string(1023, u'm'));
}

}  // namespace
