// Logon requests and the error texts every failing step reports through.
#include <new>
#include <vector>

#include "CressingDlg.h"
#include "CressingText.h"
#include "MapiErrorText.h"
#include "mapi/mapicode.h"
#include "mapi/mapidefs.h"
#include "win32/codepage.h"
#include "win32/ui.h"

namespace {
constexpr char16_t kPstFilesStep[] = u"Fail to login in PST Files case.";
constexpr char16_t kOutlookStep[] = u"Fail to login in Outlook case.";
constexpr char16_t kExchangeStep[] = u"Fail to login in Exchange case.";
constexpr char16_t kLogonCaption[] = u"Brackenford";
}  // namespace

void CCressingDlg::LogoffSession() {
  if (m_pMapiObjects) m_pMapiObjects->Logoff(GetSafeHwnd(), MAPI_LOGOFF_UI);
}

BOOL CCressingDlg::OnLogon(const LOGON_INFO& info) {
  m_exchangeUser.clear();
  m_logonParent = m_replyWnd = win32::HandleFromValue(info.hwnd);
  HRESULT status = S_OK;
  const char16_t* step = nullptr;
  switch (info.case_Mapi) {
    case kCasePstFiles: {
      const CString profile = win32::AnsiToUtf16(FieldText(info.profile));
      LogoffSession();
      status = LogonProfile(m_logonParent, profile);
      step = kPstFilesStep;
      break;
    }
    case kCaseOutlook:
      LogoffSession();
      status = LogonOutlook(m_logonParent);
      step = kOutlookStep;
      break;
    case kCaseExchange: {
      const CString profile = win32::AnsiToUtf16(FieldText(info.profile));
      m_exchangeUser = win32::AnsiToUtf16(FieldText(info.user));
      LogoffSession();
      status = LogonProfile(m_logonParent, profile);
      step = kExchangeStep;
      break;
    }
    default:
      return TRUE;
  }
  return LogonResult(status, step);
}

BOOL CCressingDlg::OnLogonProfile(HWND requester, const PROFILE_LOGON_INFO& info) {
  LogoffSession();
  return LogonResult(LogonProfile(requester, FieldText(info.profile)), kExchangeStep);
}

// A cancelled logon is no error: nothing is sent.
BOOL CCressingDlg::LogonResult(HRESULT status, const CString& stepText) {
  if (status == S_OK) return TRUE;
  if (status != MAPI_E_USER_CANCEL) SendErrorText(GetMapiErrorText(status, stepText));
  return FALSE;
}

HRESULT CCressingDlg::LogonOutlook(HWND hwnd) {
  if (!m_pMapiObjects) return MAPI_NOT_INITIALIZED_RESULT;
  const HRESULT status = m_pMapiObjects->Logon(hwnd, nullptr);
  if (status == S_OK || status == MAPI_E_USER_CANCEL) return status;
  const CString text = GetMapiErrorText(status, CString());
  MessageBoxW(hwnd, text.c_str(), kLogonCaption, MB_ICONINFORMATION | MB_OK);
  return status;
}

// MAPI takes the profile name as 8-bit text: each unit keeps its low 8 bits.
// Without room for that copy no logon is tried, and the status is 1.
HRESULT CCressingDlg::LogonProfile(HWND parent, const CString& profile) {
  if (!m_pMapiObjects) return MAPI_NOT_INITIALIZED_RESULT;
  std::vector<char> narrow;
  try {
    narrow.assign(profile.size() + 1, '\0');
  } catch (const std::bad_alloc&) {
    return 1;
  }
  for (std::size_t i = 0; i < profile.size(); ++i) narrow[i] = static_cast<char>(profile[i] & 0xFF);
  return m_pMapiObjects->Logon(parent, narrow.data());
}

CString CCressingDlg::GetMapiErrorText(HRESULT status, const CString& stepText) const {
  return MapiErrorText(status, stepText, m_exchangeUser, m_mailboxName);
}

void CCressingDlg::SendErrorText(const CString& text) {
  if (!m_replyWnd) return;
  auto info = std::make_unique<ERROR_TEXT_INFO>();
  CopyToField(info->message, text);
  CopyToField(info->mailbox, m_mailboxName);
  COPYDATASTRUCT cds{CD_ERROR_TEXT, sizeof(ERROR_TEXT_INFO), info.get()};
  SendMessageW(m_replyWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}
