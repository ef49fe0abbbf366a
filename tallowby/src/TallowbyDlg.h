// Tallowby's hidden engine window: the controlling program's requests for a
// PST or an Exchange profile, answered with the new profile's name; the last
// profile made is deleted when the window goes.
#pragma once

#include <memory>

#include "CorvidOutlookProfileManager.h"
#include "engine/EngineWindow.h"
#include "tallowby/TallowbyRecords.h"

class CTallowbyDlg : public engine::CEngineDlg {
 public:
  explicit CTallowbyDlg(CWnd* pParent = nullptr);
  ~CTallowbyDlg() override;

 protected:
  BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
  LRESULT OnCreateExchangeProfile(WPARAM wParam, LPARAM lParam);
  LRESULT OnCheckSession(WPARAM wParam, LPARAM lParam);
  void OnBnClickedButton1002();

  DECLARE_MESSAGE_MAP()

 private:
  BOOL OnCreatePstProfile(HWND replyWnd);
  BOOL CreateExchangeProfileAndReply(HWND replyWnd, const CString& server, const CString& mailbox);
  // Remembers the profile and sends CD_PROFILE_NAME to the reply window.
  void AnnounceProfile(HWND replyWnd, const CString& profileName);
  void ShowErrorText();

  std::unique_ptr<CCorvidOutlookProfileManager> m_pProfileManager;
  CString m_lastProfileName;
};
