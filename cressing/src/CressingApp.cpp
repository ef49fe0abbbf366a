#include "CressingApp.h"

#include "CressingDlg.h"
#include "engine/EngineWindow.h"

BEGIN_MESSAGE_MAP(CCressingApp, CWinApp)
  ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CCressingApp::CCressingApp() = default;

CCressingApp theApp;

// The program ends when the main dialog ends.
BOOL CCressingApp::InitInstance() {
  CCressingDlg dlg;
  return engine::RunEngineDialog(*this, dlg, engine::Startup::kWizard);
}
