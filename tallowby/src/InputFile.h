// The input files that the controlling program writes into the temporary
// folder for Tallowby: raw UTF-16LE code units, one value per line.
#pragma once

#include <optional>

#include "mfc/strings.h"

// The folder GetTempPathW names (a buffer of 260 characters); nothing when
// it does not fit, so that no file is looked for elsewhere.
std::optional<CString> TempFolder();

// The lines of a file: each runs up to the next LF, which is removed; every
// other unit (a CR, a byte-order mark) stays; the last line needs no LF, and
// an empty file has none. Nothing when the file does not open.
std::optional<CStringArray> ReadInputLines(const CString& path);

// The lines of a UTF-16LE text, by the rules above (an odd last byte is not
// a unit).
CStringArray SplitInputLines(std::u16string_view text);
