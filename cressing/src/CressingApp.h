// The Cressing application object.
#pragma once

#include "mfc/afxwin.h"

class CCressingApp : public CWinApp {
 public:
  CCressingApp();
  BOOL InitInstance() override;

  DECLARE_MESSAGE_MAP()
};

extern CCressingApp theApp;
