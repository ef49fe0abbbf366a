#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/ui.h"

namespace {

TEST(MessageBox, IsRecordedAndAnsweredAtOnce) {
  testing_support::TempMachine machine;
  EXPECT_EQ(MessageBoxW(nullptr, u"Profile not created", u"Brackenford", MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, u"", u"Second", MB_OK), IDOK);
  std::ifstream in(win32::DesktopFolder() / "messageboxes.log");
  const std::string log(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(log,
            "caption: Brackenford\ntext: Profile not created\nstyle: 0x00000040\n\n"
            "caption: Second\ntext: \nstyle: 0x00000000\n\n");
}

TEST(Keyboard, NoKeyIsDownUnlessATestHoldsOne) {
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
  win32::SetKeyDown(VK_CONTROL, true);
  EXPECT_NE(GetAsyncKeyState(VK_CONTROL) & 0x8000, 0);
  win32::SetKeyDown(VK_CONTROL, false);
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
}

}  // namespace
