// Windows of one process: creation, titles, lookup and messages sent to them.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "peer.h"
#include "testing/temp_machine.h"
#include "win32/errors.h"
#include "win32/machine.h"
#include "win32/window.h"

namespace fs = std::filesystem;

namespace {

LRESULT Echo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 1) return static_cast<LRESULT>(wParam) * 1000 + lParam;
  if (message == WM_COPYDATA) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    return cds ? static_cast<LRESULT>(cds->cbData) : -1;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(Window, PublishesTitleAndIsFoundByWholeTitle) {
  testing_support::TempMachine machine;
  HWND w = peer::MakeWindow(u"<GUID>engine one", Echo);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ((fs::status(win32::DesktopFolder()).permissions() & fs::perms::all), fs::perms::owner_all);

  EXPECT_EQ(FindWindowW(nullptr, u"<GUID>engine one"), w);
  EXPECT_EQ(FindWindowW(u"<guid>ENGINE ONE", u"<GUID>engine one"), w) << "class names ignore case";
  EXPECT_EQ(FindWindowW(u"OtherClass", u"<GUID>engine one"), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"<GUID>engine"), nullptr) << "a prefix is not the title";

  ASSERT_TRUE(SetWindowTextW(w, u"<GUID>renamed"));
  EXPECT_EQ(FindWindowW(nullptr, u"<GUID>engine one"), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"<GUID>renamed"), w);
  WCHAR buf[8];
  EXPECT_EQ(GetWindowTextW(w, buf, 8), 7);
  EXPECT_EQ(std::u16string(buf), u"<GUID>r") << "cut to the buffer with its terminator";
  EXPECT_EQ(GetWindowTextLengthW(w), 13);

  ASSERT_TRUE(DestroyWindow(w));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(FindWindowW(nullptr, u"<GUID>renamed"), nullptr);
  EXPECT_TRUE(fs::is_empty(win32::DesktopFolder())) << "socket and title files are removed";
}

TEST(Window, SendToOwnWindowCallsItsProcedure) {
  testing_support::TempMachine machine;
  HWND w = peer::MakeWindow(u"self", Echo);
  EXPECT_EQ(SendMessageW(w, WM_USER + 1, 7, 42), 7042);
  BYTE bytes[3] = {1, 2, 3};
  COPYDATASTRUCT cds{1, 3, bytes};
  EXPECT_EQ(SendMessageW(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 3);
  DestroyWindow(w);
}

TEST(Window, PostedMessagesArriveInOrderThroughTheLoop) {
  testing_support::TempMachine machine;
  static std::vector<UINT> seen;
  seen.clear();
  HWND w = peer::MakeWindow(u"poster", [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    seen.push_back(m);
    if (m == WM_DESTROY) PostQuitMessage(5);
    return DefWindowProcW(h, m, wp, lp);
  });
  ASSERT_TRUE(PostMessageW(w, WM_USER + 3, 0, 0));
  ASSERT_TRUE(PostMessageW(w, WM_USER + 4, 0, 0));
  ASSERT_TRUE(PostMessageW(w, WM_CLOSE, 0, 0));
  EXPECT_EQ(peer::RunLoop(), 5);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 3, WM_USER + 4, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  BYTE b = 0;
  COPYDATASTRUCT cds{1, 1, &b};
  EXPECT_FALSE(PostMessageW(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds))) << "copy data cannot be posted";
}

TEST(Window, SendToNoWindowAnswersZeroWithInvalidHandle) {
  testing_support::TempMachine machine;
  SetLastError(0);
  EXPECT_EQ(SendMessageW(win32::HandleFromValue(0x1234abcd), WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessageW(win32::HandleFromValue(0x1234abcd), WM_CLOSE, 0, 0));
}

TEST(Window, TheDesktopIsMadePrivateAndNeverMadeWithoutAMachineRoot) {
  testing_support::TempMachine machine;
  ASSERT_EQ(::chmod(win32::DesktopFolder().c_str(), 0777), 0);
  HWND w = peer::MakeWindow(u"opened", Echo);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ((fs::status(win32::DesktopFolder()).permissions() & fs::perms::all), fs::perms::owner_all);
  DestroyWindow(w);

  const fs::path missing = machine.scratch() / "no-machine";
  win32::SetMachineRoot(missing);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(peer::MakeWindow(u"nowhere", Echo), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot use the desktop folder"), std::string::npos);
  EXPECT_FALSE(fs::exists(missing));
}

TEST(Window, SocketsAreTheOwnersAloneWhateverTheUmask) {
  testing_support::TempMachine machine;
  for (const mode_t mask : {mode_t{000}, mode_t{077}}) {
    const mode_t before = ::umask(mask);
    HWND w = peer::MakeWindow(u"masked", Echo);
    ::umask(before);
    ASSERT_NE(w, nullptr);
    char name[16];
    std::snprintf(name, sizeof name, "%08x.sock", static_cast<unsigned>(win32::HandleValue(w)));
    struct stat st {};
    ASSERT_EQ(::stat((win32::DesktopFolder() / name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "umask " << std::oct << mask;
    DestroyWindow(w);
  }
}

TEST(Window, DesktopPathTooLongForASocketIsRefusedClearly) {
  testing_support::TempMachine machine;
  const fs::path deep = machine.scratch() / std::string(110, 'd');
  win32::InitMachineRoot(deep);
  win32::SetMachineRoot(deep);
  SetLastError(0);
  EXPECT_EQ(peer::MakeWindow(u"too deep", Echo), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

struct Record {
  DWORD a;
  DWORD b;
  BYTE tail[8];
};

TEST(ReadRecord, NeverReadsPastCbDataAndZeroPadsShortRecords) {
  // A heap block of exactly cbData bytes: the sanitizer build would catch a read past it.
  auto bytes = std::make_unique<BYTE[]>(6);
  for (int i = 0; i < 6; ++i) bytes[i] = static_cast<BYTE>(0x11 * (i + 1));
  COPYDATASTRUCT cds{0, 6, bytes.get()};
  Record r = win32::ReadRecord<Record>(cds);
  EXPECT_EQ(r.a, 0x44332211u);
  EXPECT_EQ(r.b, 0x00006655u);
  for (BYTE t : r.tail) EXPECT_EQ(t, 0);

  COPYDATASTRUCT none{0, 100, nullptr};
  EXPECT_EQ(win32::ReadRecord<Record>(none).a, 0u);
}

}  // namespace
