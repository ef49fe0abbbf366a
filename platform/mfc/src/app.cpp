#include "mfc/app.h"

#include <filesystem>

#include "win32/text.h"

namespace {
CWinApp* g_app = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR lpszAppName) : m_pszAppName(win32::WideView(lpszAppName)) { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0)) {
    CWnd* target = CWnd::FromHandlePermanent(msg.hwnd);
    if (target && target->PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ExitInstance();
  return static_cast<int>(msg.wParam);
}

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey) { m_pszRegistryKey = win32::WideView(lpszRegistryKey); }

HICON CWinApp::LoadIcon(UINT nIDResource) const { return ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(nIDResource)); }

void CWinApp::OnHelp() {}  // no help file on this desktop

CWinApp* AfxGetApp() { return g_app; }

int AfxWinMain() {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  // Without a name of its own the application is named after its program
  // file, as message box captions show it.
  if (app->m_pszAppName.empty()) {
    std::error_code ec;
    app->m_pszAppName = win32::Utf8ToUtf16(std::filesystem::read_symlink("/proc/self/exe", ec).stem().string());
  }
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

void AfxEnableControlContainer() {}

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT) {
  CWinApp* app = AfxGetApp();
  const CString caption = app ? app->m_pszAppName : CString();
  HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
  return ::MessageBoxW(owner, lpszText, caption.c_str(), nType);
}
