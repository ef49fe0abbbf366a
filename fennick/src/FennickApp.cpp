#include "FennickApp.h"

#include "FennickDlg.h"
#include "engine/EngineWindow.h"

CFennickApp::CFennickApp() = default;

CFennickApp theApp;

// The program ends when the main dialog ends.
BOOL CFennickApp::InitInstance() {
  CFennickDlg dlg;
  return engine::RunEngineDialog(*this, dlg, engine::Startup::kControlContainer);
}
