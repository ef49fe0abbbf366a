// Texts between the engine and the Notes object library: UTF-16 text to and
// from LNString, and the library's message for a status.
#pragma once

#include "mfc/strings.h"
#include "notes/lntypes.h"
#include "notes/lnvalues.h"

// An empty text, a failed translation or a raised status: an empty LNString.
LNString ToLNString(const CString& text);
// The LNString as UTF-16 (at most 65,535 characters); an empty value or one
// that does not translate: its bytes read in the ANSI code page.
CString FromLNString(const LNString& value);
// LNGetErrorMessageText of the status (512 bytes, ANSI code page).
CString NotesMessage(LNSTATUS status);
// n in decimal, without padding.
CString DecimalText(int n);
