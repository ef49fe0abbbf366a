// The dialog in process with its store listing and folder walk open to the
// test, over the installed MAPI library.
#pragma once

#include "CressingDlg.h"
#include "testing/temp_machine.h"

namespace cressing_test {

class WalkDlg : public CCressingDlg {
 public:
  using CCressingDlg::OnCopyDisplayName;
  using CCressingDlg::OnCopyFolderName;
};

// The binding keeps the system folder of the first machine root that the
// process looked in; bound here, the slots hold the installed library
// whichever test ran before in this process.
inline void BindInstalledMapi() {
  LoadMAPIFuncs(MyLoadLibrary((testing_support::BuildDir() / "lib" / "libbrackenford_mapi.so").u16string().c_str()));
}

}  // namespace cressing_test
