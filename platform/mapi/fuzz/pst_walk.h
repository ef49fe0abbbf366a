// The walk of a PST file that the PST fuzz targets share (pst_walk.cpp).
#pragma once

#include <filesystem>

namespace mapi_fuzz {

// Once per run, in the fuzz machine: MAPI, the profile "PST" over `pst`,
// and the MIME converter.
void SetUpPstWalk(const std::filesystem::path& pst);
// Logs on to "PST" and walks it; false when the logon fails.
bool WalkPst();

}  // namespace mapi_fuzz
