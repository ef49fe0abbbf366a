#include "FennickDlg.h"

namespace {
const engine::AboutText kAbout = {u"&About Fennick...", u"About Fennick", u"Fennick Version 1.0"};
}

BEGIN_MESSAGE_MAP(CFennickDlg, engine::CEngineDlg)
  ON_WM_COPYDATA()
END_MESSAGE_MAP()

CFennickDlg::CFennickDlg(CWnd* pParent) : engine::CEngineDlg(kAbout, u"", pParent) {}

BOOL CFennickDlg::OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct) {
  return CDialog::OnCopyData(pWnd, pCopyDataStruct);
}
