// Code pages: the machine's ANSI code page (Windows-1252 unless the machine
// or the run names another), UTF-8, the Windows single-byte pages, the East
// Asian double-byte pages and ISO-2022-JP, with the Windows conversion calls
// and their contract for counts, terminators and failures.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The ANSI code page: $BRACKENFORD_CODEPAGE when it names one this machine
// converts, else the "ACP" value of the registry's kNlsCodePageKey (below
// HKEY_LOCAL_MACHINE), else 1252. Read once per machine root and variable value,
// as Windows reads it once at start.
UINT GetACP();
// Whether the conversions below take this code page (CP_ACP and the other
// symbolic ones are not code pages of their own).
BOOL IsValidCodePage(UINT CodePage);

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
// Text in the ANSI code page to UTF-16 (in Windows-1252 every byte has a
// character; elsewhere a byte that starts none becomes U+FFFD).
std::u16string AnsiToUtf16(std::string_view s);
// UTF-16 to the ANSI code page; characters it lacks become '?'.
std::string Utf16ToAnsi(std::u16string_view s);

// The variable that sets the ANSI code page for one run (a process and the
// processes it starts), ahead of the registry.
constexpr char kCodePageVariable[] = "BRACKENFORD_CODEPAGE";
// Where the machine keeps its ANSI code page ("ACP", a decimal REG_SZ).
constexpr char16_t kNlsCodePageKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";
constexpr char16_t kAnsiCodePageValue[] = u"ACP";

// A code page given as decimal digits, when this machine converts it.
std::optional<UINT> ParseCodePage(std::string_view text);
// The code pages this machine converts, ascending.
std::vector<UINT> ConvertibleCodePages();
// Stores the machine's ANSI code page in the registry; ERROR_INVALID_PARAMETER
// for one IsValidCodePage refuses.
LONG SetMachineCodePage(UINT codePage);
}  // namespace win32
