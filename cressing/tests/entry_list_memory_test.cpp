// What the entry list holds on to: the row sets its entries point into and
// the stores they name go with the entries, so that listing and walking
// again and again does not grow the engine.
#include <gtest/gtest.h>

#include "cressing_test_support.h"
#include "memory_profile.h"
#include "walk_dialog.h"

namespace {

using cressing_test::MemoryProfile;

using TestDlg = cressing_test::WalkDlg;

// The references the store of the last folder entry has, its entries'
// own included.
ULONG StoreReferences(const TestDlg& dlg) {
  IMsgStore* store = dlg.m_pDisplayNameList.back()->m_lpMDB;
  store->AddRef();
  return store->Release();
}

TEST(EntryListMemory, ListingAgainFreesWhatTheLastWalkKept) {
  testing_support::TempMachine machine;
  cressing_test::TempFolder temp(machine.scratch());
  MemoryProfile profile(machine.scratch());
  profile.AddInboxWithoutRowCounts(MemoryProfile::InboxCount::Four);
  cressing_test::BindInstalledMapi();

  TestDlg dlg;
  char name[] = "Memory";
  ASSERT_EQ(dlg.m_pMapiObjects->Logon(nullptr, name), S_OK);
  long buffers = 0;
  ULONG references = 0;
  for (int round = 1; round <= 20; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(dlg.OnCopyDisplayName(0, 0), 0);
    ASSERT_EQ(dlg.OnCopyFolderName(0, 1), 0);
    ASSERT_EQ(dlg.m_pDisplayNameList.size(), 3u) << "the store, Inbox and Old";
    if (round == 2) {
      buffers = MemoryProfile::LiveMapiBuffers();
      references = StoreReferences(dlg);
    } else if (round > 2) {
      EXPECT_EQ(MemoryProfile::LiveMapiBuffers(), buffers);
      EXPECT_EQ(StoreReferences(dlg), references);
    }
  }
  // A walk without a listing before it appends: what it keeps stays while
  // its entries do.
  ASSERT_EQ(dlg.OnCopyFolderName(0, 1), 0);
  EXPECT_EQ(dlg.m_pDisplayNameList.size(), 5u);
  EXPECT_GT(MemoryProfile::LiveMapiBuffers(), buffers);
  ASSERT_EQ(dlg.OnCopyDisplayName(0, 0), 0);
  ASSERT_EQ(dlg.OnCopyFolderName(0, 1), 0);
  EXPECT_EQ(MemoryProfile::LiveMapiBuffers(), buffers);
}

}  // namespace
