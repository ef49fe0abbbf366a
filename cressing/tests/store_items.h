// Items of a logged-on session's first store, opened as the export opens
// them, and their values gathered as the export gathers them.
#pragma once

#include <string>
#include <vector>

#include "CressingDlg.h"
#include "ItemValues.h"

namespace cressing_test {

// The messages of the folder with that name below the IPM subtree (in any
// depth), in contents-table order; none when there is no such folder.
std::vector<ComPtr<IMessage>> FolderMessages(IMAPISession* session, const std::u16string& folderName);

// The item's values: the named-property pass, then the fixed list, and the
// item type by its message class.
ItemValues GatherValues(CCressingDlg& dlg, IMessage* message);

// Binds the MAPI library of the build, whichever machine root an earlier
// test of the process bound.
void BindBuiltMapi();

}  // namespace cressing_test
