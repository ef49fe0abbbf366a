// The text and HTML bodies and the inline parts beside the HTML.
#include <string_view>

#include "mime/mime_writer.h"

namespace mime {
namespace {

// Line ends are not data in MIME text: CRLF and lone CR become LF, the
// line end of the file.
std::string UnixLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
  }
  return out;
}

GPtr<GMimeObject> TextPart(const char* subtype, const std::string& utf8) {
  GPtr<GMimePart> part = BytesPart(std::string("text/") + subtype, UnixLines(utf8));
  g_mime_object_set_content_type_parameter(GMIME_OBJECT(part.get()), "charset", "utf-8");
  return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

GPtr<GMimeObject> Multipart(const char* subtype, std::vector<GPtr<GMimeObject>> parts) {
  GPtr<GMimeMultipart> mp(g_mime_multipart_new_with_subtype(subtype));
  for (const auto& p : parts) g_mime_multipart_add(mp.get(), p.get());
  return GPtr<GMimeObject>(GMIME_OBJECT(mp.release()));
}

GPtr<GMimeObject> HtmlWithInlineParts(const Message& m) {
  GPtr<GMimeObject> html = TextPart("html", *m.htmlBody);
  std::vector<GPtr<GMimeObject>> parts;
  for (const Attachment& a : m.attachments)
    if (a.isInline && !a.contentId.empty() && !a.embedded) parts.push_back(BuildAttachment(a));
  if (parts.empty()) return html;
  parts.insert(parts.begin(), std::move(html));
  GPtr<GMimeObject> related = Multipart("related", std::move(parts));
  g_mime_object_set_content_type_parameter(related.get(), "type", "text/html");
  return related;
}

}  // namespace

GPtr<GMimeObject> BuildBodies(const Message& m) {
  if (!m.htmlBody) return m.textBody ? TextPart("plain", *m.textBody) : nullptr;
  GPtr<GMimeObject> html = HtmlWithInlineParts(m);
  if (!m.textBody) return html;
  std::vector<GPtr<GMimeObject>> parts;
  parts.push_back(TextPart("plain", *m.textBody));
  parts.push_back(std::move(html));
  return Multipart("alternative", std::move(parts));
}

}  // namespace mime
