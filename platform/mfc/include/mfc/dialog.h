// Modal dialogs. DoModal creates the dialog's window, runs OnInitDialog and
// serves the window until EndDialog. A dialog that would become visible ends
// at once with IDOK: nobody is at this desktop to answer it.
#pragma once

#include "mfc/wnd.h"

class CDataExchange;

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  virtual INT_PTR DoModal();
  void EndDialog(int nResult);
  virtual BOOL OnInitDialog();
  BOOL PreTranslateMessage(MSG* pMsg) override;

  UINT GetTemplateId() const { return m_nIDTemplate; }
  bool IsModalRunning() const { return m_running; }

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual void OnOK();
  virtual void OnCancel();
  void OnClose();

  // The dialog template's caption and whether it has a system menu.
  CString m_strCaption;
  BOOL m_bSysMenu = TRUE;
  CWnd* m_pParentWnd;

  DECLARE_MESSAGE_MAP()

 private:
  LRESULT HandleInitDialog(WPARAM, LPARAM);
  void RunModalLoop();

  UINT m_nIDTemplate;
  int m_nModalResult = -1;
  bool m_bModalDone = false;
  bool m_running = false;
};
