#include "TallowbyDlg.h"

namespace {
const engine::AboutText kAbout = {u"&About Tallowby...", u"About Tallowby", u"Tallowby, Version 1.0"};
}

BEGIN_MESSAGE_MAP(CTallowbyDlg, engine::CEngineDlg)
  ON_WM_COPYDATA()
END_MESSAGE_MAP()

CTallowbyDlg::CTallowbyDlg(CWnd* pParent) : engine::CEngineDlg(kAbout, u"Tallowby", pParent) {}

BOOL CTallowbyDlg::OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct) {
  return CDialog::OnCopyData(pWnd, pCopyDataStruct);
}
