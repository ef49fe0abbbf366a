// Windows paths on a POSIX file system: "\" and "/" both separate, and runs
// of separators collapse, so "/tmp/" + "\" + "a.txt" names /tmp/a.txt.
#pragma once

#include <filesystem>
#include <string_view>

#include "win32/types.h"

namespace win32 {

std::filesystem::path MapPath(std::u16string_view windowsPath);
inline std::filesystem::path MapPath(const WCHAR* windowsPath) {
  return MapPath(std::u16string_view(windowsPath ? windowsPath : u""));
}

}  // namespace win32
