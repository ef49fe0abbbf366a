// The RTF body of a message (PR_RTF_COMPRESSED): LZFu-compressed or stored
// uncompressed behind a 16-byte header.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mime {

// The RTF text; nullopt for a header that is neither form or data that
// ends early. Output stops at the size the header gives.
std::optional<std::string> DecompressRtf(std::string_view data);

}  // namespace mime
