// A GMime leaf part holding bytes as base64, encoded here in one pass and
// written out without GMime's per-byte filters.
#pragma once

#include <string_view>

#include "mime/gmime_holder.h"

namespace mime {

GPtr<GMimePart> NewBase64Part(const char* type, const char* subtype, std::string_view data);

}  // namespace mime
