#include "mfc/dialog.h"

#include "mfc/app.h"

namespace {

constexpr const char16_t* kDialogClass = u"#32770";

void RegisterDialogClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &CWnd::AfxWndProc;
    wc.lpszClassName = kDialogClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
  ON_COMMAND(IDOK, &CDialog::OnOK)
  ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
  ON_WM_CLOSE()
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_pParentWnd(pParentWnd), m_nIDTemplate(nIDTemplate) {}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

INT_PTR CDialog::DoModal() {
  RegisterDialogClass();
  m_bModalDone = false;
  m_nModalResult = -1;
  HWND hwnd = ::CreateWindowExW(0, kDialogClass, m_strCaption.c_str(),
                                WS_POPUP | WS_CAPTION | (m_bSysMenu ? WS_SYSMENU : 0) | DS_MODALFRAME, 0, 0, 0, 0,
                                m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) return -1;
  m_hasSysMenu = m_bSysMenu != FALSE;
  Attach(hwnd);
  SendMessage(WM_INITDIALOG, 0, 0);
  if (!m_bModalDone) {
    // Showing the dialog: its handlers may keep it hidden. One that would be
    // seen cannot be answered on this desktop, so it ends as if confirmed.
    WINDOWPOS pos{hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW};
    SendMessage(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (pos.flags & SWP_SHOWWINDOW) {
      ::ShowWindow(hwnd, SW_SHOW);
      EndDialog(IDOK);
    }
  }
  RunModalLoop();
  DestroyWindow();
  return m_nModalResult;
}

void CDialog::RunModalLoop() {
  m_running = true;
  while (!m_bModalDone) {
    MSG msg;
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // A request served inside PeekMessageW may have ended the dialog.
      if (!m_bModalDone) ::WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside this one
      break;
    }
    CWnd* target = FromHandlePermanent(msg.hwnd);
    if (target && target->PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  m_running = false;
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bModalDone = true;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog() { return TRUE; }

void CDialog::DoDataExchange(CDataExchange*) {}

// The dialog keyboard: Enter confirms; Esc and Ctrl+Break cancel.
BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message != WM_KEYDOWN) return FALSE;
  switch (pMsg->wParam) {
    case VK_RETURN:
      SendMessage(WM_COMMAND, IDOK, 0);
      return TRUE;
    case VK_ESCAPE:
    case VK_CANCEL:
      SendMessage(WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }
void CDialog::OnClose() { SendMessage(WM_COMMAND, IDCANCEL, 0); }
