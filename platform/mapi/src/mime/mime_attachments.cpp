// Attachments by value and embedded messages.
#include <algorithm>
#include <string_view>

#include "mime/base64_part.h"
#include "mime/mime_writer.h"

namespace mime {
namespace {

constexpr const char* kDefaultType = "application/octet-stream";

GPtr<GMimeObject> EmbeddedPart(const Attachment& a) {
  GPtr<GMimeMessage> inner = BuildMessage(*a.embedded);
  GPtr<GMimeMessagePart> part(g_mime_message_part_new_with_message("rfc822", inner.get()));
  GMimeObject* obj = GMIME_OBJECT(part.get());
  g_mime_object_set_disposition(obj, GMIME_DISPOSITION_ATTACHMENT);
  if (!a.fileName.empty()) g_mime_object_set_content_disposition_parameter(obj, "filename", a.fileName.c_str());
  return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

// A line that starts with "From " (mbox readers would mangle it).
bool HasFromLine(std::string_view data) {
  for (size_t at = 0; at < data.size();) {
    if (data.compare(at, 5, "From ") == 0) return true;
    at = data.find('\n', at);
    if (at == std::string_view::npos) break;
    ++at;
  }
  return false;
}

}  // namespace

// The choice GMime's best filter makes under the 7-bit constraint, in one
// pass over the bytes instead of a filter chain.
GMimeContentEncoding BestEncoding(std::string_view data) {
  size_t high = 0, maxLine = 0, line = 0;
  for (unsigned char c : data) {
    if (c == '\n') {
      maxLine = std::max(maxLine, line);
      line = 0;
      continue;
    }
    if (c == 0) return GMIME_CONTENT_ENCODING_BASE64;  // binary: nothing else counts
    high += c >> 7;
    ++line;
  }
  maxLine = std::max(maxLine, line);
  if (high > 0)
    return high >= data.size() * 17 / 100 ? GMIME_CONTENT_ENCODING_BASE64 : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
  if (maxLine > 998 || HasFromLine(data)) return GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
  return GMIME_CONTENT_ENCODING_DEFAULT;
}

GPtr<GMimePart> BytesPart(const std::string& contentType, const std::string& data) {
  GPtr<GMimeContentType> type(g_mime_content_type_parse(nullptr, contentType.c_str()));
  const char* media = g_mime_content_type_get_media_type(type.get());
  const char* subtype = g_mime_content_type_get_media_subtype(type.get());
  GMimeContentEncoding encoding = BestEncoding(data);
  // Content that does not end a line would gain a line end in every reader
  // (GMime's quoted-printable adds one too); base64 keeps it exact.
  if (!data.empty() && data.back() != '\n') encoding = GMIME_CONTENT_ENCODING_BASE64;
  if (encoding == GMIME_CONTENT_ENCODING_BASE64) return NewBase64Part(media, subtype, data);
  GPtr<GMimePart> part(g_mime_part_new_with_type(media, subtype));
  GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(data.data(), data.size()));
  GPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), content.get());
  g_mime_part_set_content_encoding(part.get(), encoding);
  return part;
}

GPtr<GMimeObject> BuildAttachment(const Attachment& a) {
  if (a.embedded) return EmbeddedPart(a);
  GPtr<GMimePart> part = BytesPart(a.contentType.empty() ? kDefaultType : a.contentType, a.data);
  GMimeObject* obj = GMIME_OBJECT(part.get());
  g_mime_object_set_disposition(obj, a.isInline ? GMIME_DISPOSITION_INLINE : GMIME_DISPOSITION_ATTACHMENT);
  if (!a.fileName.empty()) g_mime_part_set_filename(part.get(), a.fileName.c_str());
  if (!a.contentId.empty()) g_mime_part_set_content_id(part.get(), a.contentId.c_str());
  return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

}  // namespace mime
