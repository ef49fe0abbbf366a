// Text <-> date for VariantChangeType, through the date services of the
// Windows layer (the running user's locale).
#pragma once

#include <string>
#include <string_view>

#include "com/variant.h"

namespace com {
HRESULT DateFromText(std::u16string_view text, LCID lcid, DATE* out);
HRESULT TextFromDate(DATE date, LCID lcid, std::u16string* out);
}  // namespace com
