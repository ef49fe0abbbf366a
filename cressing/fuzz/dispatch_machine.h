// The machines the Cressing fuzz targets' dialogs log on to, kept apart from
// the dialog's code: the store's headers declare MAPI's entry points, which
// the support layer's binding declares again.
#pragma once

#include <filesystem>

namespace dispatch_fuzz {

// Installs MAPI into the current machine root with profiles of memory
// stores: "Memory" (the default: folders of every kind with an item of
// each type) and "Ann" (the mailbox "ann" of the server "EXSRV", which also
// holds "bob", who denies ann, and "cy").
void SetUpMachine();
// Installs MAPI into the current machine root with the default profile
// "PST" over the file at `pst` (read as a PST file when logged on to), and
// registers the MIME converter.
void SetUpPstMachine(const std::filesystem::path& pst);
// MAPI buffers allocated and not yet freed, in the whole process.
long LiveMapiBuffers();

}  // namespace dispatch_fuzz
