// The first export mode in process over a memory store, where calls can be
// made to fail: attachments that cannot be opened or copied, message files
// that cannot be written, an OLE object that is only a storage, a body too
// large for GetProps, and the loop's own failing steps. No MIME converter is
// registered here (the engine tests cover the MIME files), so every item also
// reports its missing MIME file, which these tests leave aside.
#include <gtest/gtest.h>

#include "CressingDlg.h"
#include "MapiErrorText.h"
#include "MsgFile.h"
#include "export_records.h"
#include "mapi/mapicode.h"
#include "memory_profile.h"
#include "store_items.h"

namespace {

using namespace cressing_test;

class TestDlg : public CCressingDlg {
 public:
  using CCressingDlg::OnCopyDisplayName;
  using CCressingDlg::OnCopyFolderName;
};

constexpr char16_t kNoMime[] = u"Fail to write the MIME file from SaveMessageToEml in EnumLotusMessage.";
constexpr std::int32_t kExportFolder = 2;

std::u16string ErrorText(HRESULT status, const char16_t* step) { return MapiErrorText(status, step, u"", u""); }

class MemoryExport : public ::testing::Test {
 protected:
  MemoryExport() : previous_(fs::current_path()), profile_(machine_.scratch()) {
    work_ = machine_.scratch() / "work";
    fs::create_directories(work_);
    fs::current_path(work_);
    profile_.AddExportFolder();
    BindBuiltMapi();
    char name[] = "Memory";
    EXPECT_EQ(dlg_.m_pMapiObjects->Logon(nullptr, name), S_OK);
    const WPARAM self = win32::HandleValue(requester_.Window());
    EXPECT_EQ(dlg_.OnCopyDisplayName(self, 0), 0);
    EXPECT_EQ(dlg_.OnCopyFolderName(self, 1), 0);
  }
  ~MemoryExport() override { fs::current_path(previous_); }

  // The export of the Export folder; the errors without the MIME file's.
  ExportRun Export(const Answer& answer = {}) {
    ExportRun run;
    requester_.SetAnswer(
        [&](const controller::CopyDataReply& reply) { return RecordReply(run, reply, requester_.Window(), answer); });
    run.result = dlg_.ExportFolderForLotus(requester_.Window(), u"Memory<TagName>Export", kExportFolder);
    requester_.SetAnswer({});
    std::erase(run.errors, kNoMime);
    return run;
  }
  // The display names of the first item's list.
  static std::vector<std::u16string> Names(const Announced& item) {
    std::vector<std::u16string> names;
    for (std::size_t i = 1; i < item.attachmentLines.size(); i += 3) names.push_back(item.attachmentLines[i]);
    return names;
  }
  static const std::vector<unsigned char>* Stored(const Announced& item, const std::u16string& name) {
    for (std::size_t i = 1; i < item.attachmentLines.size(); i += 3)
      if (item.attachmentLines[i] == name) {
        const auto it = item.storedFiles.find(item.attachmentLines[i - 1]);
        return it == item.storedFiles.end() ? nullptr : &it->second;
      }
    return nullptr;
  }
  static std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
  // How many files the working folder holds.
  std::size_t WorkFileCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(work_), fs::directory_iterator()));
  }

  testing_support::TempMachine machine_;
  fs::path previous_;
  fs::path work_;
  MemoryProfile profile_;
  controller::Requester requester_;
  TestDlg dlg_;
};

const std::vector<std::u16string> kAllNames = {u"a.txt", u"b.txt", u"Inner.msg", u"c.txt", u"Sheet"};

TEST_F(MemoryExport, EveryAttachmentIsSavedAndTheStorageOnlyObjectBecomesADocfile) {
  const ExportRun run = Export();
  EXPECT_EQ(run.result, 1);
  EXPECT_TRUE(run.errors.empty());
  ASSERT_EQ(run.items.size(), 2u);
  const Announced& item = run.items[0];
  EXPECT_EQ(Names(item), kAllNames);
  ASSERT_NE(Stored(item, u"a.txt"), nullptr);
  EXPECT_TRUE(*Stored(item, u"a.txt") == Bytes(Pattern(200000)));

  ASSERT_EQ(item.attachmentLines[13], u"Sheet");
  const fs::path sheet = work_ / win32::Utf16ToUtf8(item.attachmentLines[12]);
  ComPtr<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(sheet.u16string().c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                           storage.ReleaseAndGetAddressOf()),
            S_OK);
  ComPtr<IStream> contents;
  ASSERT_EQ(
      storage->OpenStream(u"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, contents.ReleaseAndGetAddressOf()),
      S_OK);
  char cells[16] = {};
  ULONG read = 0;
  contents->Read(cells, sizeof cells, &read);
  EXPECT_EQ(std::string(cells, read), "cells");
}

TEST_F(MemoryExport, AnAttachmentThatCannotBeOpenedSkipsOnlyItself) {
  profile_.Fail("OpenAttach", MAPI_E_NO_ACCESS, 1, 1);  // the second
  const ExportRun run = Export();
  ASSERT_EQ(run.items.size(), 2u);
  EXPECT_EQ(Names(run.items[0]), (std::vector<std::u16string>{u"a.txt", u"Inner.msg", u"c.txt", u"Sheet"}));
  EXPECT_EQ(run.errors, std::vector<std::u16string>{
                            ErrorText(MAPI_E_NO_ACCESS, u"Fail to get lpAttach from OpenAttach in SaveAttachments.")});
}

TEST_F(MemoryExport, DataIsCopiedWholeWhereStatFails) {
  profile_.Fail("Stat", STG_E_ACCESSDENIED);
  const ExportRun run = Export();
  ASSERT_EQ(run.items.size(), 2u);
  EXPECT_TRUE(run.errors.empty());
  ASSERT_NE(Stored(run.items[0], u"a.txt"), nullptr);
  EXPECT_TRUE(*Stored(run.items[0], u"a.txt") == Bytes(Pattern(200000)));
  EXPECT_TRUE(*Stored(run.items[0], u"b.txt") == Bytes("bee"));
}

TEST_F(MemoryExport, ACopyThatFailsPartWayLeavesNoFileAndNoEntry) {
  profile_.Fail("Read", STG_E_READFAULT, 2, 1);  // the third read of a.txt's 200,000 bytes
  const ExportRun run = Export();
  ASSERT_EQ(run.items.size(), 2u);
  EXPECT_EQ(Names(run.items[0]), (std::vector<std::u16string>{u"b.txt", u"Inner.msg", u"c.txt", u"Sheet"}));
  EXPECT_EQ(run.errors, std::vector<std::u16string>{ErrorText(
                            STG_E_READFAULT, u"Fail to copy the attachment data from CopyTo in SaveAttachments.")});
  EXPECT_EQ(WorkFileCount(), 4u) << "the four stored files, nothing of a.txt";
}

TEST_F(MemoryExport, AMessageFileThatCannotBeWrittenLeavesNoFileAndNoEntry) {
  profile_.Fail("CopyTo", MAPI_E_NO_ACCESS);
  const ExportRun run = Export();
  ASSERT_EQ(run.items.size(), 2u);
  EXPECT_EQ(Names(run.items[0]), (std::vector<std::u16string>{u"a.txt", u"b.txt", u"c.txt", u"Sheet"}));
  EXPECT_EQ(run.errors,
            std::vector<std::u16string>{
                ErrorText(MAPI_E_NO_ACCESS, u"Fail to save the embedded message from SaveToMSG in SaveAttachments.")});
  EXPECT_EQ(WorkFileCount(), 4u);
}

TEST_F(MemoryExport, ABodyTooLargeForGetPropsIsReadThroughItsStream) {
  profile_.LimitValues(1000);
  const ExportRun run = Export();
  ASSERT_EQ(run.items.size(), 2u);
  EXPECT_EQ(run.items[1].Subject(), u"Big body");
  EXPECT_TRUE(run.items[1].itemText.ends_with(u"Body : " + MemoryProfile::BigBody()));
}

TEST_F(MemoryExport, FailingStepsOfTheLoop) {
  // A message that does not open is reported and not counted.
  profile_.FailOneOpenEntry(1);  // the folder opens, the first message does not
  ExportRun run = Export();
  EXPECT_EQ(run.result, 1);
  ASSERT_EQ(run.items.size(), 1u);
  EXPECT_EQ(run.items[0].Subject(), u"Big body");
  EXPECT_EQ(run.items[0].itemNumber, 1);
  EXPECT_EQ(run.items[0].itemTotal, 2);
  EXPECT_EQ(run.errors, std::vector<std::u16string>{
                            ErrorText(MAPI_E_NO_ACCESS, u"Fail to get pMsg from OpenEntry in EnumLotusMessage.")});
  EXPECT_EQ(run.doneCount, 1);

  struct Case {
    const char* call;
    const char16_t* step;
  };
  for (const Case& c : {Case{"GetContentsTable", u"Fail to get lpMapiTable from GetContentsTable in EnumLotusMessage."},
                        Case{"QueryRows", u"Fail to get RowSet from QueryRows in EnumLotusMessage."},
                        Case{"OpenEntry", u"Fail to get lpMapiFolder from OpenEntry in EnumLotusMessage."}}) {
    SCOPED_TRACE(c.call);
    profile_.Fail(c.call, MAPI_E_CORRUPT_DATA, 0, 1);
    run = Export();
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.items.empty());
    EXPECT_EQ(run.doneCount, 0);
    EXPECT_EQ(run.errors, std::vector<std::u16string>{ErrorText(MAPI_E_CORRUPT_DATA, c.step)});
  }
}

// A listing served while an item waits for its answer clears the entry
// list and with it the list's reference to the entry's store. Here that
// reference is the store's only one (a store no session keeps open): the
// export holds its own and goes on to the end.
TEST_F(MemoryExport, TheExportHoldsItsStoreWhenAListingClearsTheEntryList) {
  using Mode = std::int32_t (CCressingDlg::*)(HWND, const CString&, std::int32_t);
  for (const Mode mode : {&CCressingDlg::ExportFolderForLotus, &CCressingDlg::ExportFolderForGroupwise}) {
    SCOPED_TRACE(mode == &CCressingDlg::ExportFolderForLotus ? "first mode" : "second mode");
    std::string folderId;
    ComPtr<IMsgStore> listed = ComPtr<IMsgStore>::Attach(profile_.OpenUnsharedStore(folderId));
    ASSERT_TRUE(listed);
    ASSERT_FALSE(folderId.empty());
    SBinary id{static_cast<ULONG>(folderId.size()), reinterpret_cast<LPBYTE>(folderId.data())};
    auto entry = std::make_unique<CListDisplayName>();
    entry->m_index = 99;
    entry->m_lpEntryID = &id;
    entry->m_lpMDB = listed.Get();
    dlg_.m_pDisplayNameList.push_back(std::move(entry));

    ExportRun run;
    requester_.SetAnswer([&](const controller::CopyDataReply& reply) {
      return RecordReply(run, reply, requester_.Window(), [&](const Announced&) -> LRESULT {
        EXPECT_EQ(dlg_.OnCopyDisplayName(win32::HandleValue(requester_.Window()), 0), 0);
        listed.Reset();  // what the cleared list held
        return 1;
      });
    });
    run.result = (dlg_.*mode)(requester_.Window(), u"Memory<TagName>Export", 99);
    requester_.SetAnswer({});
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.Subjects(), (std::vector<std::u16string>{u"Attachments", u"Big body"}));
    EXPECT_EQ(run.doneCount, 1);
  }
}

LPMALLOC NoAllocator() { return nullptr; }

// Without MAPI's allocator no message file is made, and that is a failure.
TEST(MsgFile, NoAllocatorIsAFailureAndWritesNothing) {
  testing_support::TempMachine machine;
  BindBuiltMapi();
  const fs::path file = machine.scratch() / "none.msg";
  const std::u16string name = file.u16string();
  ComPtr<IMessage> message;
  ComPtr<IStorage> storage;
  EXPECT_EQ(SaveToMSG(nullptr, name.c_str()), E_INVALIDARG);
  EXPECT_EQ(CreateNewMSG(name.c_str(), nullptr, storage.ReleaseAndGetAddressOf()), E_INVALIDARG);

  const FARPROC bound = pfnMAPIGetDefaultMalloc;
  pfnMAPIGetDefaultMalloc = reinterpret_cast<FARPROC>(&NoAllocator);
  const HRESULT hr = CreateNewMSG(name.c_str(), message.ReleaseAndGetAddressOf(), storage.ReleaseAndGetAddressOf());
  pfnMAPIGetDefaultMalloc = bound;
  EXPECT_EQ(hr, MAPI_E_CALL_FAILED);
  EXPECT_FALSE(message);
  EXPECT_FALSE(storage);
  EXPECT_FALSE(fs::exists(file));
  // With it, the file is a message file.
  EXPECT_EQ(CreateNewMSG(name.c_str(), message.ReleaseAndGetAddressOf(), storage.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_TRUE(message && storage);
}

}  // namespace
