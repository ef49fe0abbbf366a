// Environment variables with Windows names: looked up without regard to
// case, as on Windows (an exact match wins).
#pragma once

#include "win32/errors.h"
#include "win32/types.h"

// The value under the count contract of files.h; a missing variable gives
// 0 and ERROR_ENVVAR_NOT_FOUND, an empty one 0 and ERROR_SUCCESS.
DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);
// A null lpValue removes the variable. Names may not be empty or hold '='
// (ERROR_INVALID_PARAMETER). Not safe against other threads reading the
// environment at the same time, as with setenv.
BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue);
// Replaces each %NAME% of a set variable by its value; others stay as they
// are. Returns the size needed including the terminator (copied when
// nSize is enough), 0 on failure.
DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize);
