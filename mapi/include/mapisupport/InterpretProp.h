// Property values, binary values and GUIDs as display text.
#pragma once
#include <string>

#include "mapi/mapidefs.h"

constexpr ULONG GUID_STRING_SIZE = 39;  // "{8-4-4-4-12}" and the terminator

// The value text; types without a text give an empty one.
std::u16string PropValueToStrings(const SPropValue* lpProp);
// The text of element `iVal` of a multi-valued property, as the single
// value of its base type; no text for an index past the values.
std::u16string MVElementToStrings(const SPropValue* lpProp, ULONG iVal);
// "cb: <count> lpb: <hex>", "cb: 0 lpb: NULL", or empty without a value or
// without bytes behind a count.
std::u16string BinaryToHexText(const SBinary* lpBin);
// A new[] buffer of GUID_STRING_SIZE units, braced and upper-case; the
// all-zero GUID for none. The caller frees it with delete[].
LPWSTR GuidToText(const GUID* lpGUID);
