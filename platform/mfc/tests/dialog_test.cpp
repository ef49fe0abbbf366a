// The dialog framework in one process: message maps, the modal loop and how
// dialogs end.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "mfc/afxwin.h"
#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/wire.h"

namespace {

constexpr UINT WM_PROBE = WM_USER + 5;
constexpr UINT WM_BASE_ONLY = WM_USER + 6;

// Keeps itself hidden, as the engines' dialogs do; logs what reaches it.
class CHiddenDlg : public CDialog {
 public:
  CHiddenDlg() : CDialog(102) {}
  std::vector<std::string> log;

 protected:
  void OnWindowPosChanging(WINDOWPOS* pos) {
    pos->flags &= ~SWP_SHOWWINDOW;
    CDialog::OnWindowPosChanging(pos);
  }
  LRESULT OnProbe(WPARAM w, LPARAM) {
    log.push_back("probe");
    return static_cast<LRESULT>(w) + 1;
  }
  LRESULT OnBaseOnly(WPARAM, LPARAM) {
    log.push_back("base");
    return 77;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHiddenDlg, CDialog)
  ON_WM_WINDOWPOSCHANGING()
  ON_MESSAGE(WM_PROBE, &CHiddenDlg::OnProbe)
  ON_MESSAGE(WM_BASE_ONLY, &CHiddenDlg::OnBaseOnly)
END_MESSAGE_MAP()

// A derived dialog whose map comes first; what it does not take goes to the base map.
class CRequestDlg : public CHiddenDlg {
 public:
  std::function<void(CRequestDlg&)> onInit;
  std::vector<ULONG_PTR> copyCodes;
  CWnd* lastSender = nullptr;
  HWND lastSenderHandle = nullptr;
  using CDialog::EndDialog;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (onInit) onInit(*this);
    return TRUE;
  }
  LRESULT OnProbe(WPARAM w, LPARAM) {
    log.push_back("derived probe");
    return static_cast<LRESULT>(w) + 100;
  }
  BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* cds) {
    if (!cds) return static_cast<BOOL>(Default());
    copyCodes.push_back(cds->dwData);
    lastSender = pWnd;
    lastSenderHandle = pWnd ? pWnd->GetSafeHwnd() : nullptr;
    return static_cast<BOOL>(cds->cbData);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRequestDlg, CHiddenDlg)
  ON_MESSAGE(WM_PROBE, &CRequestDlg::OnProbe)
  ON_WM_COPYDATA()
END_MESSAGE_MAP()

TEST(MessageMap, RoutesToTheMostDerivedHandlerThenBasesThenDefault) {
  testing_support::TempMachine machine;
  CRequestDlg dlg;
  std::vector<LRESULT> results;
  dlg.onInit = [&](CRequestDlg& d) {
    BYTE bytes[4] = {};
    COPYDATASTRUCT cds{0xAB00000409ull, 4, bytes};
    results.push_back(d.SendMessage(WM_PROBE, 1, 0));
    results.push_back(d.SendMessage(WM_BASE_ONLY, 0, 0));
    results.push_back(d.SendMessage(WM_COPYDATA, 0x1234, reinterpret_cast<LPARAM>(&cds)));
    results.push_back(d.SendMessage(WM_COPYDATA, 0, 0));
    results.push_back(d.SendMessage(WM_USER + 900, 1, 2));
    results.push_back(d.SendMessage(WM_COMMAND, 4242, 0));
    d.EndDialog(9);
  };
  EXPECT_EQ(dlg.DoModal(), 9);
  EXPECT_EQ(results, (std::vector<LRESULT>{101, 77, 4, 0, 0, 0}));
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"derived probe", "base"}));
  EXPECT_EQ(dlg.copyCodes, (std::vector<ULONG_PTR>{0xAB00000409ull}));
  EXPECT_EQ(dlg.lastSenderHandle, reinterpret_cast<HWND>(0x1234)) << "the sender arrives as a CWnd";
}

TEST(Dialog, HowAModalDialogEnds) {
  struct Case {
    const char* name;
    std::vector<std::pair<UINT, WPARAM>> posted;
    INT_PTR result;
  };
  const Case cases[] = {
      {"WM_CLOSE", {{WM_PROBE, 0}, {WM_CLOSE, 0}}, IDCANCEL},
      {"IDOK command", {{WM_COMMAND, IDOK}}, IDOK},
      {"Enter through the dialog keyboard", {{WM_KEYDOWN, VK_RETURN}}, IDOK},
      {"Esc through the dialog keyboard", {{WM_KEYDOWN, VK_ESCAPE}}, IDCANCEL},
      {"Ctrl+Break through the dialog keyboard", {{WM_KEYDOWN, VK_CANCEL}}, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempMachine machine;
    CRequestDlg dlg;
    dlg.onInit = [&](CRequestDlg& d) {
      for (auto [m, w] : c.posted) d.PostMessage(m, w, 0);
    };
    EXPECT_EQ(dlg.DoModal(), c.result);
    EXPECT_EQ(dlg.m_hWnd, nullptr) << "the window is gone with the dialog";
  }
}

TEST(Dialog, EndDialogDuringInitSkipsTheLoop) {
  testing_support::TempMachine machine;
  CRequestDlg dlg;
  dlg.onInit = [](CRequestDlg& d) {
    d.PostMessage(WM_PROBE, 0, 0);
    d.EndDialog(0);
  };
  EXPECT_EQ(dlg.DoModal(), 0);
  EXPECT_TRUE(dlg.log.empty()) << "nothing posted was handled";
}

// Writes a sent-message frame straight to the window's socket, as another
// process would, without waiting for the answer.
int SendFrameFromOutside(HWND hwnd, UINT message, WPARAM wParam) {
  char name[16];
  std::snprintf(name, sizeof name, "%08x.sock", static_cast<unsigned>(win32::HandleValue(hwnd)));
  const std::string path = (win32::DesktopFolder() / name).string();
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return -1;
  const auto frame = win32::wire::MakeRequest(win32::wire::FrameKind::kSend, message, wParam, 0);
  if (::write(fd, &frame, sizeof frame) != static_cast<ssize_t>(sizeof frame)) return -1;
  return fd;
}

TEST(Dialog, ARequestFromOutsideThatEndsTheDialogEndsTheLoop) {
  testing_support::TempMachine machine;
  CRequestDlg dlg;
  int fd = -1;
  // Waiting before the loop starts; served by the loop's first look.
  dlg.onInit = [&](CRequestDlg& d) { fd = SendFrameFromOutside(d.m_hWnd, WM_COMMAND, IDOK); };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_GE(fd, 0);
  win32::wire::FrameHeader reply{};
  EXPECT_EQ(::read(fd, &reply, sizeof reply), static_cast<ssize_t>(sizeof reply)) << "the request was answered";
  ::close(fd);
}

TEST(Dialog, AVisibleDialogEndsAtOnceOnTheUnattendedDesktop) {
  testing_support::TempMachine machine;
  CDialog about(100);
  EXPECT_EQ(about.DoModal(), IDOK);
}

}  // namespace
