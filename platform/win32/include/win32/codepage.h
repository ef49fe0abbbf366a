// Code pages: the system ANSI code page (Windows-1252, as on an English
// Windows) and UTF-8, with the Windows conversion calls and their contract
// for counts, terminators and failures.
#pragma once

#include <string>
#include <string_view>

#include "win32/types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_MACCP = 2;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF7 = 65000;
constexpr UINT CP_UTF8 = 65001;
constexpr UINT CP_WINDOWS_1252 = 1252;

constexpr DWORD MB_PRECOMPOSED = 0x01;
constexpr DWORD MB_COMPOSITE = 0x02;
constexpr DWORD MB_USEGLYPHCHARS = 0x04;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;

constexpr DWORD WC_DISCARDNS = 0x10;
constexpr DWORD WC_SEPCHARS = 0x20;
constexpr DWORD WC_DEFAULTCHAR = 0x40;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
constexpr DWORD WC_COMPOSITECHECK = 0x200;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

// The ANSI code page of the machine (1252).
UINT GetACP();

// Returns the number of units written (or needed, when cchWideChar is 0);
// a length of -1 converts up to and including the terminator. 0 on failure,
// with GetLastError.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
// Same contract in the other direction. Characters the code page lacks
// become *lpDefaultChar (else '?') and set *lpUsedDefaultChar; for CP_UTF8
// both pointers must be null.
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar);

namespace win32 {
// Windows-1252 text to UTF-16; every byte has a character.
std::u16string AnsiToUtf16(std::string_view s);
// UTF-16 to Windows-1252; characters it lacks become '?'.
std::string Utf16ToAnsi(std::u16string_view s);
}  // namespace win32
