// Tallowby's hidden engine window. Requests it does not know yet get the
// default handling.
#pragma once

#include "engine/EngineWindow.h"

class CTallowbyDlg : public engine::CEngineDlg {
 public:
  explicit CTallowbyDlg(CWnd* pParent = nullptr);

 protected:
  BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);

  DECLARE_MESSAGE_MAP()
};
