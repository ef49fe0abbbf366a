// The engine window that Cressing, Fennick and Tallowby share: a hidden modal
// dialog titled from the command line, which the controlling program finds by
// that title and sends its requests to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "mfc/afxwin.h"

namespace engine {

constexpr UINT IDM_ABOUTBOX = 0x0010;
constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDD_ABOUTBOX = 100;
constexpr UINT IDS_ABOUTBOX = 101;

// The marker the controlling program puts on an engine's command line.
constexpr std::u16string_view kTitleMarker = u"<GUID>";

// The window title: the command line from the first marker (included) to its
// end; nothing when the marker is missing.
std::optional<std::u16string> TitleFromCommandLine(std::u16string_view commandLine);

// The keys the engine window swallows before the dialog keyboard sees them:
// Ctrl+Break, and any message whose wParam is 13 or 27 (Enter, Esc).
bool IsFilteredKey(const MSG& msg);

// What each engine's About box and system menu say.
struct AboutText {
  const char16_t* menuItem;  // string resource 101, e.g. "&About Cressing..."
  const char16_t* caption;   // "About Cressing"
  const char16_t* text;      // "Cressing, Version 1.0"
};

// How an engine's InitInstance prepares the framework before the dialog runs.
enum class Startup {
  kWizard,            // common controls (mask 0xFF), base InitInstance, SetRegistryKey
  kControlContainer,  // control container and static 3-D controls
};

// The start-up of every engine: prepares the framework, runs `dlg` modally as
// the main window, and returns FALSE so that the program ends with the dialog.
// Without a machine root, or with a desktop folder that cannot be made
// private, it says so on standard error and the program ends with status 1
// before anything is made.
BOOL RunEngineDialog(CWinApp& app, CDialog& dlg, Startup startup);

// The About box: a visible dialog, which the unattended desktop ends at once.
class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(const AboutText& about);
  BOOL OnInitDialog() override;

 private:
  const AboutText& m_about;
};

// The hidden main dialog of an engine; each engine derives its own and adds
// its requests to the message map.
class CEngineDlg : public CDialog {
 public:
  CEngineDlg(const AboutText& about, const char16_t* templateCaption, CWnd* pParent = nullptr);

  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  BOOL OnInitDialog() override;
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnWindowPosChanging(WINDOWPOS* lpwndpos);

  // The command line the title comes from: this process's own.
  virtual CString CommandLine() const;

  HICON m_hIcon;
  const AboutText& m_about;

  DECLARE_MESSAGE_MAP()
};

}  // namespace engine
