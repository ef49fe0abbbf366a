// The content type of an attachment: the one the message gives when it is
// well formed, else the one the shared MIME database knows for the file
// name, else application/octet-stream.
#pragma once

#include <string>
#include <string_view>

namespace mime {

std::string AttachmentContentType(std::string_view given, std::string_view fileName);

}  // namespace mime
