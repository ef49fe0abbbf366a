// A leaf part whose content is already base64 text with LF line ends.
// GMime passes every encoded part through a line-end filter on writing,
// byte by byte; this part writes its text as it stands instead.
#include "mime/base64_part.h"

#include <algorithm>
#include <cstdint>

namespace mime {
namespace {

struct Base64Part {
  GMimePart parent;
};
struct Base64PartClass {
  GMimePartClass parent;
};

G_DEFINE_TYPE(Base64Part, base64_part, GMIME_TYPE_PART)

ssize_t WriteRaw(GMimeObject* object, GMimeFormatOptions* options, gboolean contentOnly, GMimeStream* out) {
  ssize_t total = 0;
  if (!contentOnly) {
    ssize_t n = g_mime_header_list_write_to_stream(object->headers, options, out);
    if (n == -1) return -1;
    total += n;
    if ((n = g_mime_stream_write_string(out, g_mime_format_options_get_newline(options))) == -1) return -1;
    total += n;
  }
  GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object));
  if (!content) return total;
  GMimeStream* text = g_mime_data_wrapper_get_stream(content);
  g_mime_stream_reset(text);
  ssize_t n = g_mime_stream_write_to_stream(text, out);
  g_mime_stream_reset(text);
  return n == -1 ? -1 : total + n;
}

void base64_part_class_init(Base64PartClass* klass) { GMIME_OBJECT_CLASS(klass)->write_to_stream = WriteRaw; }
void base64_part_init(Base64Part*) {}

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kLineBytes = 57;  // 76 characters a line, as GMime writes

size_t EncodedSize(size_t n) {
  size_t lines = (n + kLineBytes - 1) / kLineBytes;
  return (n + 2) / 3 * 4 + lines;
}

void Encode(std::string_view data, uint8_t* out) {
  const auto* in = reinterpret_cast<const uint8_t*>(data.data());
  for (size_t at = 0; at < data.size(); at += kLineBytes) {
    const size_t end = std::min(data.size(), at + kLineBytes);
    size_t i = at;
    for (; i + 3 <= end; i += 3) {
      const uint32_t v = uint32_t{in[i]} << 16 | uint32_t{in[i + 1]} << 8 | in[i + 2];
      *out++ = kAlphabet[v >> 18];
      *out++ = kAlphabet[(v >> 12) & 63];
      *out++ = kAlphabet[(v >> 6) & 63];
      *out++ = kAlphabet[v & 63];
    }
    if (i < end) {  // the last one or two bytes, padded
      const uint32_t v = uint32_t{in[i]} << 16 | (i + 1 < end ? uint32_t{in[i + 1]} << 8 : 0);
      *out++ = kAlphabet[v >> 18];
      *out++ = kAlphabet[(v >> 12) & 63];
      *out++ = i + 1 < end ? kAlphabet[(v >> 6) & 63] : '=';
      *out++ = '=';
    }
    *out++ = '\n';
  }
}

}  // namespace

GPtr<GMimePart> NewBase64Part(const char* type, const char* subtype, std::string_view data) {
  EnsureGMime();
  GPtr<GMimePart> part(GMIME_PART(g_object_new(base64_part_get_type(), nullptr)));
  GPtr<GMimeContentType> contentType(g_mime_content_type_new(type, subtype));
  g_mime_object_set_content_type(GMIME_OBJECT(part.get()), contentType.get());
  GByteArray* text = g_byte_array_sized_new(static_cast<guint>(EncodedSize(data.size())));
  g_byte_array_set_size(text, static_cast<guint>(EncodedSize(data.size())));
  Encode(data, text->data);
  GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_byte_array(text));
  g_mime_stream_mem_set_owner(GMIME_STREAM_MEM(stream.get()), TRUE);
  GPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_BASE64));
  g_mime_part_set_content(part.get(), content.get());
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
  return part;
}

}  // namespace mime
