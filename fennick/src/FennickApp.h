// The Fennick application object.
#pragma once

#include "mfc/afxwin.h"

class CFennickApp : public CWinApp {
 public:
  CFennickApp();
  BOOL InitInstance() override;
};

extern CFennickApp theApp;
