#include "mime/mime_writer.h"

#include <mutex>

namespace mime {
namespace {

bool InRelatedPart(const Message& m, const Attachment& a) {
  return m.htmlBody && a.isInline && !a.contentId.empty() && !a.embedded;
}

GPtr<GMimeObject> BuildTree(const Message& m) {
  GPtr<GMimeObject> body = BuildBodies(m);
  std::vector<GPtr<GMimeObject>> parts;
  for (const Attachment& a : m.attachments)
    if (!InRelatedPart(m, a)) parts.push_back(BuildAttachment(a));
  if (parts.empty()) return body ? std::move(body) : GPtr<GMimeObject>(GMIME_OBJECT(BytesPart("text/plain", "").release()));
  GPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
  if (body) g_mime_multipart_add(mixed.get(), body.get());
  for (const auto& p : parts) g_mime_multipart_add(mixed.get(), p.get());
  return GPtr<GMimeObject>(GMIME_OBJECT(mixed.release()));
}

}  // namespace

void EnsureGMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

GPtr<GMimeMessage> BuildMessage(const Message& m) {
  EnsureGMime();
  GPtr<GMimeMessage> out(g_mime_message_new(TRUE));
  SetHeaders(out.get(), m);
  GPtr<GMimeObject> tree = BuildTree(m);
  g_mime_message_set_mime_part(out.get(), tree.get());
  return out;
}

GPtr<GMimeStream> WriteMessageToMemory(const Message& m) {
  GPtr<GMimeMessage> msg = BuildMessage(m);
  GPtr<GMimeStream> stream(g_mime_stream_mem_new());
  g_mime_object_write_to_stream(GMIME_OBJECT(msg.get()), nullptr, stream.get());
  return stream;
}

std::string_view MemoryBytes(GMimeStream* stream) {
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
  return {reinterpret_cast<const char*>(bytes->data), bytes->len};
}

std::string WriteMessage(const Message& m) { return std::string(MemoryBytes(WriteMessageToMemory(m).get())); }

}  // namespace mime
