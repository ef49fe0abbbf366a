// The engine window convention within one process: the title rule, the
// keyboard filter, the hidden window and the About item.
#include <gtest/gtest.h>

#include "engine/EngineWindow.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

TEST(EngineTitle, IsTheCommandLineFromTheFirstMarkerToItsEnd) {
  struct Case {
    std::u16string line;
    std::optional<std::u16string> title;
  };
  const Case cases[] = {
      {u"/bin/cressing <GUID>abc", u"<GUID>abc"},
      {u"/bin/cressing <GUID>", u"<GUID>"},
      {u"/bin/cressing x<GUID>one <GUID>two", u"<GUID>one <GUID>two"},
      {u"/bin/cressing \"<GUID> quoted\"", u"<GUID> quoted\""},
      {u"/bin/cressing <guid>abc", std::nullopt},
      {u"/bin/cressing", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(engine::TitleFromCommandLine(c.line), c.title) << win32::Utf16ToUtf8(c.line);
}

const engine::AboutText kAbout = {u"&About Test...", u"About Test", u"Test, Version 1.0"};

constexpr UINT WM_PROBE = WM_USER + 5;

// An engine dialog started as if by "test <GUID>probe"; posts `first`, then
// a probe that ends it with 42.
class CProbeDlg : public engine::CEngineDlg {
 public:
  explicit CProbeDlg(MSG first) : engine::CEngineDlg(kAbout, u"Test"), m_first(first) {}
  using engine::CEngineDlg::m_hIcon;
  const CMenu* SystemMenu() { return GetSystemMenu(FALSE); }
  bool shownOnce = false;

 protected:
  CString CommandLine() const override { return u"test <GUID>probe"; }
  BOOL OnInitDialog() override {
    engine::CEngineDlg::OnInitDialog();
    if (m_first.message) PostMessage(m_first.message, m_first.wParam, m_first.lParam);
    PostMessage(WM_PROBE);
    return TRUE;
  }
  LRESULT OnProbe(WPARAM, LPARAM) {
    EndDialog(42);
    return 0;
  }
  DECLARE_MESSAGE_MAP()

 private:
  MSG m_first;
};

BEGIN_MESSAGE_MAP(CProbeDlg, engine::CEngineDlg)
  ON_MESSAGE(WM_PROBE, &CProbeDlg::OnProbe)
END_MESSAGE_MAP()

TEST(EngineKeyboard, FilterKeepsEnterEscAndCtrlBreakFromEndingTheWindow) {
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool ctrlDown;
    bool filtered;
    INT_PTR result;  // 42: the window lived on to the probe
  };
  const Case cases[] = {
      {"Enter key down", WM_KEYDOWN, VK_RETURN, false, true, 42},
      {"Esc key down", WM_KEYDOWN, VK_ESCAPE, false, true, 42},
      {"Enter character", WM_CHAR, 13, false, true, 42},
      {"Esc key up", WM_KEYUP, 27, false, true, 42},
      {"any message with wParam 13", WM_USER + 1, 13, false, true, 42},
      {"Ctrl+Break", WM_KEYDOWN, VK_CANCEL, true, true, 42},
      {"Break without Ctrl reaches the dialog keyboard", WM_KEYDOWN, VK_CANCEL, false, false, IDCANCEL},
      {"Ctrl held on another key", WM_KEYDOWN, 'A', true, false, 42},
      {"IDOK command is not a key", WM_COMMAND, IDOK, false, false, IDOK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempMachine machine;
    win32::SetKeyDown(VK_CONTROL, c.ctrlDown);
    const MSG msg{nullptr, c.message, c.wParam, 0, 0, {0, 0}};
    EXPECT_EQ(engine::IsFilteredKey(msg), c.filtered);
    CProbeDlg dlg(msg);
    EXPECT_EQ(dlg.DoModal(), c.result);
    win32::SetKeyDown(VK_CONTROL, false);
  }
}

TEST(EngineWindow, StaysHiddenHasTheAboutItemAndAnswersItsQueries) {
  testing_support::TempMachine machine;
  struct Seen {
    LRESULT dragIcon = 0;
    LRESULT about = -1;
    std::vector<CMenu::Item> menu;
    CString title;
  } seen;
  // Looked at from inside the running dialog, before the probe ends it.
  class CLook : public CProbeDlg {
   public:
    using CProbeDlg::CProbeDlg;
    Seen* out = nullptr;
    BOOL OnInitDialog() override {
      CProbeDlg::OnInitDialog();
      out->menu = SystemMenu()->Items();
      GetWindowText(out->title);
      out->dragIcon = SendMessage(WM_QUERYDRAGICON);
      out->about = SendMessage(WM_SYSCOMMAND, engine::IDM_ABOUTBOX | 0x3, 0);
      SendMessage(WM_PAINT);
      return TRUE;
    }
  } look{MSG{}};
  look.out = &seen;
  EXPECT_EQ(look.DoModal(), 42) << "the About box ended at once and the window lived on";
  ASSERT_EQ(seen.menu.size(), 2u);
  EXPECT_EQ(seen.menu[0].flags, MF_SEPARATOR);
  EXPECT_EQ(seen.menu[1].id, engine::IDM_ABOUTBOX);
  EXPECT_EQ(seen.menu[1].text, u"&About Test...");
  EXPECT_EQ(seen.dragIcon, reinterpret_cast<LRESULT>(look.m_hIcon));
  EXPECT_EQ(seen.about, 0);
  EXPECT_EQ(seen.title, u"<GUID>probe");
}

TEST(EngineWindow, WithoutMarkerEndsDuringStartUp) {
  testing_support::TempMachine machine;
  class CPlain : public engine::CEngineDlg {
   public:
    CPlain() : engine::CEngineDlg(kAbout, u"Test") {}
  } dlg;
  EXPECT_EQ(dlg.DoModal(), 0) << "this test program's command line has no marker";
}

}  // namespace
