// The tagged entries of a contact's or a list's item text body: each
// "<ITEM>label : value</ITEM>", whatever stands between them ignored.
#pragma once

#include <cstdint>

#include "mfc/strings.h"

// The number of "</ITEM>" markers.
std::int32_t CountItemEntries(const CString& text);
// The text cut before its first "</ITEM>", every marker then removed.
CString StripItemMarkers(const CString& text);
// Entry `index` (from 0): from the (index+1)-th "<ITEM>" on, through
// StripItemMarkers; empty when there are not that many.
CString GetItemEntry(const CString& text, std::int32_t index);
// Label and value around the entry's first " : "; both empty without one.
void SplitItemEntry(const CString& entry, CString& label, CString& value);

// A category list as the item text writes it ("2: Red; Blue") without its
// first two characters, which a one-digit count and its colon take up;
// shorter texts become empty.
CString WithoutCategoryCount(const CString& categories);
// The same with every ";" turned into ",".
CString CategoriesWithCommas(const CString& categories);
