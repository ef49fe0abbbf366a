#include "TallowbyApp.h"

#include "TallowbyDlg.h"
#include "engine/EngineWindow.h"

BEGIN_MESSAGE_MAP(CTallowbyApp, CWinApp)
  ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CTallowbyApp::CTallowbyApp() = default;

CTallowbyApp theApp;

// The program ends when the main dialog ends.
BOOL CTallowbyApp::InitInstance() {
  CTallowbyDlg dlg;
  return engine::RunEngineDialog(*this, dlg, engine::Startup::kWizard);
}
