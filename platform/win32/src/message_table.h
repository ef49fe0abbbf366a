// The system message table behind FormatMessageW.
#pragma once

#include "win32/types.h"

namespace win32 {
// The text of a Win32 code or an HRESULT (HRESULT_FROM_WIN32 forms use the
// Win32 code's text), or null when the system has none.
const char16_t* FindSystemMessage(DWORD code);
}  // namespace win32
