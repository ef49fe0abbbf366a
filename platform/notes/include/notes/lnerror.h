// Message texts of the Notes object library stand-in's statuses.
#pragma once

#include "notes/lntypes.h"

// Writes the status's message (ASCII, at most 511 bytes, no line break at
// the end) into `buffer` of `bufferSize` bytes, cut to fit and always
// NUL-terminated, and returns the bytes written without the terminator.
// `fullLength`, when given, receives the whole text's length.
LNINT LNGetErrorMessageText(LNSTATUS status, char* buffer, LNINT bufferSize, LNINT* fullLength = nullptr);
