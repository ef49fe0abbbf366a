// Win32 codes for failures on a path.
#pragma once

#include <filesystem>

#include "win32/types.h"

namespace win32 {

// ENOENT becomes ERROR_FILE_NOT_FOUND when the path's folder exists and
// ERROR_PATH_NOT_FOUND when it does not; other errors map as ErrorFromErrno.
DWORD PathError(int err, const std::filesystem::path& path);

// Whether a file's permissions make it read-only in the Windows sense (no
// write permission for anyone); checked by hand because root writes anyway.
bool IsReadOnlyMode(unsigned mode);

}  // namespace win32
