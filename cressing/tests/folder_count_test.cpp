// The store walk in process over a provider whose hierarchy rows carry no
// content count: the walk asks the folder itself, and counts 0 when that
// fails.
#include <gtest/gtest.h>

#include <string>

#include "cressing_test_support.h"
#include "memory_profile.h"
#include "walk_dialog.h"

namespace {

using cressing_test::MemoryProfile;

using TestDlg = cressing_test::WalkDlg;

TEST(FolderWalkWithoutRowCount, TakesTheCountFromTheFolderAndZeroWhenItCannot) {
  struct Case {
    const char* what;
    MemoryProfile::InboxCount inboxCount;
    bool countOpenFails;
    std::u16string inbox;
  } cases[] = {
      {"the folder has its count", MemoryProfile::InboxCount::Four, false, u"Inbox (4)"},
      {"the folder has no count either", MemoryProfile::InboxCount::None, false, u"Inbox (0)"},
      {"the folder cannot be opened for it", MemoryProfile::InboxCount::Four, true, u"Inbox (0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::TempMachine machine;
    cressing_test::TempFolder temp(machine.scratch());
    MemoryProfile profile(machine.scratch());
    profile.AddInboxWithoutRowCounts(c.inboxCount);
    cressing_test::BindInstalledMapi();

    TestDlg dlg;
    char name[] = "Memory";
    ASSERT_EQ(dlg.m_pMapiObjects->Logon(nullptr, name), S_OK);
    ASSERT_EQ(dlg.OnCopyDisplayName(0, 0), 0);
    ASSERT_EQ(dlg.m_pDisplayNameList.size(), 1u);
    // The walk opens the top folder, then Inbox for its count, then Inbox to
    // walk it: only the second open fails, so Old is still walked.
    if (c.countOpenFails) profile.FailOneOpenEntry(1);

    EXPECT_EQ(dlg.OnCopyFolderName(0, 1), 0);
    const std::u16string inboxLine = c.inbox + u"<//FolderType//> 6";
    const std::u16string oldLine = inboxLine + u"<TagName>Old (1)<//FolderType//> 6";
    EXPECT_EQ(cressing_test::ReadBytes(temp.File("FolderName.txt")),
              cressing_test::ListBytes({inboxLine, oldLine, oldLine}));
    ASSERT_EQ(dlg.m_pDisplayNameList.size(), 3u);
    EXPECT_EQ(dlg.m_pDisplayNameList.back()->m_name, c.inbox + u"<TagName>Old (1)");
  }
}

}  // namespace
