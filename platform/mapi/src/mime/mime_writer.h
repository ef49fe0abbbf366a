// Writes a mime::Message as one RFC 5322 / MIME message: 7-bit text with
// CR LF line ends, headers folded, bodies and attachments in a multipart
// tree.
#pragma once

#include <cstdint>
#include <string>

#include "mime/mime_model.h"

namespace mime {

std::string WriteMessage(const Message& m);

// The top-level fields above MIME-Version, in their order (mime_headers.cpp).
void AppendMessageHeaders(std::string& out, const Message& m);
// "Mon, 1 Dec 2025 10:00:00 +0000"; "" for a time gmtime cannot take.
std::string FormatDate(std::int64_t unixSeconds);

}  // namespace mime
