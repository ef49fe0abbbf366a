// The application object: one global instance whose InitInstance the
// program's main() runs (see main/winmain.cpp).
#pragma once

#include "mfc/wnd.h"

constexpr UINT ID_HELP = 0xE146;

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(LPCWSTR lpszAppName = nullptr);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();
  // The message loop, until WM_QUIT; then ExitInstance.
  virtual int Run();
  virtual int ExitInstance();

  // Remembers the key; the application keeps no settings, so nothing is read
  // or written under it.
  void SetRegistryKey(LPCWSTR lpszRegistryKey);
  HICON LoadIcon(UINT nIDResource) const;
  BOOL Enable3dControlsStatic() { return TRUE; }
  void OnHelp();

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  CString m_pszAppName;
  CString m_pszRegistryKey;

 protected:
  DECLARE_MESSAGE_MAP()
};

// The one application object, or nullptr before it is constructed.
CWinApp* AfxGetApp();
// Runs the application object: InitInstance, then Run when it returns TRUE.
int AfxWinMain();
// Control containers need nothing on this desktop.
void AfxEnableControlContainer();
int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
