// Files and folders with Windows paths (see path.h for the path rule). Each
// function fails as Windows does: FALSE (or its documented failure value)
// with the error code Windows would set in GetLastError.
#pragma once

#include <string_view>

#include "win32/errors.h"
#include "win32/types.h"

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x00000004;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// Existing folder: ERROR_ALREADY_EXISTS; missing parent: ERROR_PATH_NOT_FOUND.
BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
BOOL RemoveDirectoryW(LPCWSTR lpPathName);
// A folder or a read-only file: ERROR_ACCESS_DENIED.
BOOL DeleteFileW(LPCWSTR lpFileName);
// An existing target: ERROR_ALREADY_EXISTS. Files also move across file
// systems (copied, then the source removed).
BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
// An existing target with bFailIfExists: ERROR_FILE_EXISTS; a read-only
// target or a folder: ERROR_ACCESS_DENIED; a file onto itself:
// ERROR_SHARING_VIOLATION. The copy keeps the source's modification time and
// permissions; a copy that fails part-way leaves no target behind.
BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);
// FILE_ATTRIBUTE_DIRECTORY for a folder; for a file READONLY when it has no
// write permission, else NORMAL; INVALID_FILE_ATTRIBUTES when missing.
DWORD GetFileAttributesW(LPCWSTR lpFileName);
// Only FILE_ATTRIBUTE_READONLY has an effect (the write permissions).
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);

// The count contract of these: with room for the text and its terminator,
// the text's length without the terminator; otherwise the size needed
// including the terminator, the buffer untouched; 0 on failure.
//
// The current folder, as a POSIX path without a trailing separator.
DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
BOOL SetCurrentDirectoryW(LPCWSTR lpPathName);
// $TMPDIR, else the machine root's temp/ (made a private folder of the user
// first; 0 when it cannot be), always with a trailing separator. A path
// longer than the buffer gives the size needed, the buffer untouched.
DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer);
// The machine root's system folder, without a trailing separator.
UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize);

namespace win32 {
// Copies `text` out under the count contract above.
DWORD CopyOutText(std::u16string_view text, LPWSTR buffer, DWORD size);
}  // namespace win32
