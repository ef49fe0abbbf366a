// Writes a mime::Message as one RFC 822 message through GMime.
#pragma once

#include <string>
#include <string_view>

#include "mime/gmime_holder.h"
#include "mime/mime_model.h"

namespace mime {

GPtr<GMimeMessage> BuildMessage(const Message& m);
// The message's bytes, LF line ends.
std::string WriteMessage(const Message& m);
// The same bytes left in GMime's memory stream, for writing on without a copy.
GPtr<GMimeStream> WriteMessageToMemory(const Message& m);
std::string_view MemoryBytes(GMimeStream* stream);

// Parts of the build, one file each.
void SetHeaders(GMimeMessage* out, const Message& m);
// The body tree: text, HTML or both as multipart/alternative; inline parts
// with content ids go into multipart/related beside the HTML. Null when the
// message has no body at all.
GPtr<GMimeObject> BuildBodies(const Message& m);
// One attachment: a part with its bytes, or message/rfc822 for an embedded message.
GPtr<GMimeObject> BuildAttachment(const Attachment& a);
// The transfer encoding GMime would pick for the bytes in 7-bit output.
GMimeContentEncoding BestEncoding(std::string_view data);
// A leaf part holding bytes, with the encoding that fits them.
GPtr<GMimePart> BytesPart(const std::string& contentType, const std::string& data);

}  // namespace mime
