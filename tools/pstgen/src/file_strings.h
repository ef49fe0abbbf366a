// ANSI files hold no PT_UNICODE values: their strings are PT_STRING8 in the
// store's code page (Windows-1252). Property and table contexts pass what
// they write through here.
#pragma once

#include <vector>

#include "layout.h"
#include "pstgen/description.h"

namespace pstgen {

// The tag as the file holds it: in ANSI files PT_UNICODE becomes PT_STRING8
// and PT_MV_UNICODE PT_MV_STRING8.
ULONG FileTag(const FormatLayout& f, ULONG tag);

// The properties as an ANSI file holds them. Throws DescriptionError naming
// the property when its text has a character the code page lacks.
std::vector<Property> NarrowStrings(const std::vector<Property>& props);

}  // namespace pstgen
