// Windows subset: the process's command line, and the ids of the process
// and of its threads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

// The program and its arguments as Windows shows them: joined by blanks, an
// argument with a blank or tab (or an empty one) in double quotes.
LPWSTR GetCommandLineW();

DWORD GetCurrentProcessId();
// Unique among the live threads of the machine (the kernel's thread id).
DWORD GetCurrentThreadId();

namespace win32 {
// The joining rule of GetCommandLineW, for a given argument list.
std::u16string JoinCommandLine(const std::vector<std::string>& args);
}  // namespace win32
