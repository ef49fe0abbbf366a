#include "CressingDlg.h"

namespace {
const engine::AboutText kAbout = {u"&About Cressing...", u"About Cressing", u"Cressing, Version 1.0"};
}

BEGIN_MESSAGE_MAP(CCressingDlg, engine::CEngineDlg)
  ON_COMMAND(IDOK, &CCressingDlg::OnOkClicked)
  ON_WM_COPYDATA()
END_MESSAGE_MAP()

CCressingDlg::CCressingDlg(CWnd* pParent) : engine::CEngineDlg(kAbout, u"Cressing", pParent) {}

BOOL CCressingDlg::OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct) {
  return CDialog::OnCopyData(pWnd, pCopyDataStruct);
}

void CCressingDlg::OnOkClicked() { CDialog::OnOK(); }
