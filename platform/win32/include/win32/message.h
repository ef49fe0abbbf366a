// System message texts for Win32 and COM codes (FormatMessageW) and the
// local heap its allocated buffers come from.
#pragma once

#include <cstdarg>
#include <memory>
#include <string>

#include "win32/types.h"

using HLOCAL = HANDLE;

constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
// Returns null on success, as Windows does.
HLOCAL LocalFree(HLOCAL hMem);

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

// The system's text for a Win32 code or HRESULT, ending with ".\r\n".
// Only FORMAT_MESSAGE_FROM_SYSTEM is served; the texts carry no inserts, so
// Arguments is never read. With FORMAT_MESSAGE_ALLOCATE_BUFFER, lpBuffer is
// really a WCHAR** that receives a LocalAlloc'ed text of at least nSize
// units. Returns the length without the terminator; 0 on failure with
// ERROR_MR_MID_NOT_FOUND for a code without text.
DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* Arguments);

namespace win32 {

// The system text of a code ("" when it has none).
std::u16string SystemMessage(DWORD code);

struct LocalDeleter {
  void operator()(void* p) const noexcept { LocalFree(p); }
};
// Owner of a buffer that a Windows call allocated with LocalAlloc.
template <class T>
using LocalPtr = std::unique_ptr<T, LocalDeleter>;

}  // namespace win32
