#include "engine/EngineWindow.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "win32/machine.h"
#include "win32/process.h"

namespace engine {

namespace {

const char* ProgramName() { return program_invocation_short_name; }

// What the engine needs before its window can exist: the machine root
// (nothing is made in place of a missing one) and a desktop folder that only
// this user can reach. False, having said why on standard error.
bool MachineReady() {
  const std::filesystem::path root = win32::MachineRoot();
  std::error_code ec;
  if (!std::filesystem::is_directory(root, ec)) {
    std::fprintf(stderr,
                 "%s: the machine root %s does not exist; create it with `brackenford machine init` "
                 "(or set BRACKENFORD_MACHINE to another one)\n",
                 ProgramName(), root.c_str());
    return false;
  }
  std::string problem;
  if (win32::MakePrivateFolder(win32::DesktopFolder(), &problem) != 0) {
    std::fprintf(stderr, "%s: cannot use the desktop folder %s\n", ProgramName(), problem.c_str());
    return false;
  }
  return true;
}

void PrintUsage() {
  std::fprintf(stderr,
               "usage: %s '<GUID>title'\n"
               "An engine that a controlling program starts and drives with window messages: its hidden window\n"
               "takes the command line from \"<GUID>\" on as its title. Without \"<GUID>\" it ends at once.\n"
               "The machine root is $BRACKENFORD_MACHINE, else ~/.local/share/brackenford/machine\n"
               "(`brackenford machine init` makes one).\n",
               ProgramName());
}

}  // namespace

std::optional<std::u16string> TitleFromCommandLine(std::u16string_view commandLine) {
  const std::size_t at = commandLine.find(kTitleMarker);
  if (at == std::u16string_view::npos) return std::nullopt;
  return std::u16string(commandLine.substr(at));
}

bool IsFilteredKey(const MSG& msg) {
  const bool ctrlDown = (static_cast<USHORT>(GetAsyncKeyState(VK_CONTROL)) & 0x8000) != 0;
  if (msg.message == WM_KEYDOWN && msg.wParam == static_cast<WPARAM>(VK_CANCEL) && ctrlDown) return true;
  return msg.wParam == 13 || msg.wParam == 27;
}

BOOL RunEngineDialog(CWinApp& app, CDialog& dlg, Startup startup) {
  // Nothing of the engine exists yet: ending here leaves nothing behind.
  if (!MachineReady()) std::exit(EXIT_FAILURE);
  if (startup == Startup::kWizard) {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&icc);
    app.CWinApp::InitInstance();
    app.SetRegistryKey(u"Local AppWizard-Generated Applications");
  } else {
    AfxEnableControlContainer();
    app.Enable3dControlsStatic();
  }
  app.m_pMainWnd = &dlg;
  dlg.DoModal();
  app.m_pMainWnd = nullptr;
  return FALSE;
}

// ---- CAboutDlg

CAboutDlg::CAboutDlg(const AboutText& about) : CDialog(IDD_ABOUTBOX), m_about(about) {
  m_strCaption = about.caption;
}

BOOL CAboutDlg::OnInitDialog() { return CDialog::OnInitDialog(); }

// ---- CEngineDlg

BEGIN_MESSAGE_MAP(CEngineDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_WM_WINDOWPOSCHANGING()
END_MESSAGE_MAP()

CEngineDlg::CEngineDlg(const AboutText& about, const char16_t* templateCaption, CWnd* pParent)
    : CDialog(102, pParent), m_hIcon(AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr), m_about(about) {
  m_strCaption = templateCaption;
}

BOOL CEngineDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  // The About item goes on the system menu.
  CMenu* pSysMenu = GetSystemMenu(FALSE);
  const CString aboutMenu = m_about.menuItem ? m_about.menuItem : u"";
  if (pSysMenu && !aboutMenu.empty()) {
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, aboutMenu.c_str());
  }

  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  // The title is how the controlling program tells this engine instance apart.
  const CString commandLine = CommandLine();
  const std::optional<CString> title = TitleFromCommandLine(commandLine);
  if (!title) {
    PrintUsage();
    EndDialog(0);
  }
  SetWindowText(title ? title->c_str() : commandLine.c_str());
  return TRUE;
}

CString CEngineDlg::CommandLine() const { return GetCommandLineW(); }

BOOL CEngineDlg::PreTranslateMessage(MSG* pMsg) {
  if (IsFilteredKey(*pMsg)) return TRUE;
  return CDialog::PreTranslateMessage(pMsg);
}

void CEngineDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout(m_about);
    dlgAbout.DoModal();
  } else {
    CDialog::OnSysCommand(nID, lParam);
  }
}

void CEngineDlg::OnPaint() {
  if (IsIconic()) {
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
  } else {
    CDialog::OnPaint();
  }
}

HCURSOR CEngineDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }

// The dialog template is visible; the engine window never is.
void CEngineDlg::OnWindowPosChanging(WINDOWPOS* lpwndpos) {
  lpwndpos->flags &= ~SWP_SHOWWINDOW;
  CDialog::OnWindowPosChanging(lpwndpos);
}

}  // namespace engine
