// Name texts of named properties: the form by which the export loops
// recognise a property ("id: 0x820D=33293", 'sz: "Keywords"'); the property
// set does not appear in it.
#pragma once

#include <string>

#include "mapi/mapidefs.h"

// The comment of a string name held as 8-bit text.
inline constexpr char16_t kNameWasAnsiText[] = u"IDS_NAMEWASANSI";
// The members file of a distribution list, in the current folder.
inline constexpr char16_t kMembersFileName[] = u"DistListInfo.txt";

// "id: 0x%04X=%u" of a numeric name; 'sz: "name"' of a string name, or
// 'sz: "name" IDS_NAMEWASANSI' when its buffer holds 8-bit text (its 8-bit
// length is not shorter than its UTF-16 length). Empty without a name, for a
// string name without its text, and for any other kind. The buffer is read
// only up to its UTF-16 terminator.
std::u16string NameIDToText(const MAPINAMEID* name);
