// Texts between the engine and the Notes object library: UTF-16 text to and
// from LNString, and the library's message for a status.
#pragma once

#include "mfc/strings.h"
#include "notes/lntypes.h"
#include "notes/lnvalues.h"

// The text as an LNString in the library's native form (charset 0); an
// empty text gives an empty LNString. A translation that fails raises its
// status rather than giving an empty text.
LNString ToLNString(const CString& text);
// The same in charset 1 (the name of an item whose value is UTF-8 HTML).
LNString ToLNStringCharset1(const CString& text);
// The same as ToLNString; the attachment code's paths and names.
LNString ToLNStringQuiet(const CString& text);
// The LNString as UTF-16 (at most 65,535 characters); an empty value or one
// that does not translate: its bytes read in the ANSI code page.
CString FromLNString(const LNString& value);
// LNGetErrorMessageText of the status (512 bytes, ANSI code page).
CString NotesMessage(LNSTATUS status);
// n in decimal, without padding.
CString DecimalText(int n);
// The text with the letters a-z upper-cased.
CString AsciiUpper(CString text);
