#include "TallowbyDlg.h"

#include <algorithm>

#include "InputFile.h"
#include "mfc/afxole.h"
#include "win32/text.h"
#include "win32/ui.h"

namespace {
const engine::AboutText kAbout = {u"&About Tallowby...", u"About Tallowby", u"Tallowby, Version 1.0"};
constexpr UINT kTestButton = 1002;
constexpr char16_t kBoxCaption[] = u"Brackenford";
}  // namespace

BEGIN_MESSAGE_MAP(CTallowbyDlg, engine::CEngineDlg)
  ON_WM_COPYDATA()
  ON_MESSAGE(WM_CREATE_EXCHANGE_PROFILE, &CTallowbyDlg::OnCreateExchangeProfile)
  ON_MESSAGE(WM_CHECK_SESSION, &CTallowbyDlg::OnCheckSession)
  ON_BN_CLICKED(kTestButton, &CTallowbyDlg::OnBnClickedButton1002)
END_MESSAGE_MAP()

CTallowbyDlg::CTallowbyDlg(CWnd* pParent) : engine::CEngineDlg(kAbout, u"Tallowby", pParent) {
  AfxOleInit();
  m_pProfileManager = std::make_unique<CCorvidOutlookProfileManager>();
}

CTallowbyDlg::~CTallowbyDlg() {
  if (m_pProfileManager) {
    m_pProfileManager->DeleteProfile(m_lastProfileName);
    m_pProfileManager.reset();
  }
}

// The record is read within cbData: a CD_CREATE_PST_PROFILE too short for
// its window handle, or naming no live window, makes nothing.
BOOL CTallowbyDlg::OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct) {
  if (!pWnd || !pCopyDataStruct) return CDialog::OnCopyData(pWnd, pCopyDataStruct);
  const COPYDATASTRUCT& cds = *pCopyDataStruct;
  switch (static_cast<DWORD>(cds.dwData)) {
    case CD_CREATE_PST_PROFILE: {
      if (!cds.lpData || cds.cbData < sizeof(CREATE_PST_PROFILE_INFO)) return FALSE;
      const HWND replyWnd = win32::HandleFromValue(win32::ReadRecord<CREATE_PST_PROFILE_INFO>(cds).hwnd);
      if (!IsWindow(replyWnd)) return FALSE;
      return OnCreatePstProfile(replyWnd);
    }
    case CD_IGNORED_TEXT: {
      if (!cds.lpData) break;
      // Copied, up to its terminator within cbData, and dropped.
      const CString text(win32::WideField(static_cast<const WCHAR*>(cds.lpData), cds.cbData / sizeof(WCHAR)));
      return TRUE;
    }
    default:
      break;
  }
  return CDialog::OnCopyData(pWnd, pCopyDataStruct);
}

BOOL CTallowbyDlg::OnCreatePstProfile(HWND replyWnd) {
  const std::optional<CString> folder = TempFolder();
  if (!folder) return FALSE;
  const std::optional<CStringArray> paths = ReadInputLines(*folder + kPstPathListFile);
  if (!paths) return FALSE;
  CString profileName;
  if (m_pProfileManager->CreatePstProfile(*paths, profileName, replyWnd)) {
    AnnounceProfile(replyWnd, profileName);
    return TRUE;
  }
  if (!m_pProfileManager->GetErrorText().empty()) ShowErrorText();
  return FALSE;
}

LRESULT CTallowbyDlg::OnCreateExchangeProfile(WPARAM wParam, LPARAM) {
  const HWND replyWnd = win32::HandleFromValue(wParam);
  const std::optional<CString> folder = TempFolder();
  if (!folder) return FALSE;
  const CString separator = !folder->empty() && folder->back() == u'\\' ? u"" : u"\\";
  const std::optional<CStringArray> lines = ReadInputLines(*folder + separator + kExchangeMailboxFile);
  if (!lines || lines->size() < 2) return FALSE;
  return CreateExchangeProfileAndReply(replyWnd, (*lines)[1], (*lines)[0]);
}

BOOL CTallowbyDlg::CreateExchangeProfileAndReply(HWND replyWnd, const CString& server, const CString& mailbox) {
  CString profileName;
  if (m_pProfileManager->CreateExchangeProfile(mailbox, server, profileName, replyWnd)) {
    AnnounceProfile(replyWnd, profileName);
    return TRUE;
  }
  ShowErrorText();
  return FALSE;
}

LRESULT CTallowbyDlg::OnCheckSession(WPARAM wParam, LPARAM) {
  return m_pProfileManager->CheckSession(win32::HandleFromValue(wParam));
}

void CTallowbyDlg::OnBnClickedButton1002() {
  AfxMessageBox(u"Start", 0);
  AfxMessageBox(u"Ends", 0);
  AfxMessageBox(u"", 0);
}

void CTallowbyDlg::AnnounceProfile(HWND replyWnd, const CString& profileName) {
  auto reply = std::make_unique<ProfileNameReply>();
  std::fill(std::begin(reply->profileName), std::end(reply->profileName), WCHAR{0});
  std::copy_n(profileName.begin(), std::min(profileName.size(), kProfileNameUnits - 1), reply->profileName);
  m_lastProfileName = profileName;
  COPYDATASTRUCT cds{CD_PROFILE_NAME, sizeof(ProfileNameReply), reply.get()};
  SendMessageW(replyWnd, WM_COPYDATA, reinterpret_cast<WPARAM>(replyWnd), reinterpret_cast<LPARAM>(&cds));
}

void CTallowbyDlg::ShowErrorText() {
  MessageBoxW(GetSafeHwnd(), m_pProfileManager->GetErrorText().c_str(), kBoxCaption, MB_ICONINFORMATION);
}
