// The Tallowby application object.
#pragma once

#include "mfc/afxwin.h"

class CTallowbyApp : public CWinApp {
 public:
  CTallowbyApp();
  BOOL InitInstance() override;

  DECLARE_MESSAGE_MAP()
};

extern CTallowbyApp theApp;
