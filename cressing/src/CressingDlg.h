// Cressing's hidden engine window. Requests it does not know yet get the
// default handling.
#pragma once

#include "engine/EngineWindow.h"

class CCressingDlg : public engine::CEngineDlg {
 public:
  explicit CCressingDlg(CWnd* pParent = nullptr);

 protected:
  BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
  void OnOkClicked();

  DECLARE_MESSAGE_MAP()
};
