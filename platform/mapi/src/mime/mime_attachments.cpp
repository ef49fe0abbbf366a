// Attachments by value and embedded messages.
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

}  // namespace

GPtr<GMimePart> BytesPart(const std::string& contentType, const std::string& data) {
  GPtr<GMimeContentType> type(g_mime_content_type_parse(nullptr, contentType.c_str()));
  GPtr<GMimePart> part(g_mime_part_new_with_type(g_mime_content_type_get_media_type(type.get()),
                                                 g_mime_content_type_get_media_subtype(type.get())));
  GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(data.data(), data.size()));
  GPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), content.get());
  GMimeContentEncoding encoding = g_mime_part_get_best_content_encoding(part.get(), GMIME_ENCODING_CONSTRAINT_7BIT);
  // Content that does not end a line would gain a line end in every reader
  // (GMime's quoted-printable adds one too); base64 keeps it exact.
  if (!data.empty() && data.back() != '\n') encoding = GMIME_CONTENT_ENCODING_BASE64;
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
