#include <cerrno>
#include <string_view>

#include "message_parts.h"

namespace cdo {
namespace {

// Deeper nesting than any mail has; the walk stops there.
constexpr int kMaxDepth = 64;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool IsAttachment(GMimeObject* part) {
  const char* disposition = g_mime_object_get_disposition(part);
  if (disposition && g_ascii_strcasecmp(disposition, "attachment") == 0) return true;
  return g_mime_part_get_filename(GMIME_PART(part)) != nullptr;
}

std::string DecodedBytes(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content) return {};
  GPtr<GMimeStream> bytes(g_mime_stream_mem_new());
  if (g_mime_data_wrapper_write_to_stream(content, bytes.get()) < 0) return {};
  GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(bytes.get()));
  return std::string(reinterpret_cast<const char*>(array->data), array->len);
}

std::string PartText(GMimeObject* part) {
  const char* charset = g_mime_object_get_content_type_parameter(part, "charset");
  return TextToUtf8(DecodedBytes(GMIME_PART(part)), charset ? charset : "");
}

std::string CrlfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

struct Walk {
  Bodies out;
  bool haveHtml = false, haveText = false;

  void Visit(GMimeObject* obj, int depth) {
    if (!obj || depth > kMaxDepth || GMIME_IS_MESSAGE_PART(obj)) return;
    if (GMIME_IS_MULTIPART(obj)) {
      GMimeMultipart* multipart = GMIME_MULTIPART(obj);
      for (int i = 0; i < g_mime_multipart_get_count(multipart) && !(haveHtml && haveText); ++i)
        Visit(g_mime_multipart_get_part(multipart, i), depth + 1);
      return;
    }
    if (!GMIME_IS_PART(obj) || IsAttachment(obj)) return;
    GMimeContentType* type = g_mime_object_get_content_type(obj);
    if (!haveHtml && g_mime_content_type_is_type(type, "text", "html")) {
      out.html = PartText(obj);
      haveHtml = true;
    } else if (!haveText && g_mime_content_type_is_type(type, "text", "plain")) {
      out.text = CrlfLines(PartText(obj));
      haveText = true;
    }
  }
};

// iconv over the whole text; a byte it cannot read becomes U+FFFD and the
// conversion goes on after it.
bool Convert(std::string_view bytes, const char* from, std::string& out) {
  iconv_t cd = g_mime_iconv_open("UTF-8", from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  char buffer[4096];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  bool flushing = false;
  while (true) {
    char* o = buffer;
    size_t outLeft = sizeof buffer;
    const size_t r = flushing ? iconv(cd, nullptr, nullptr, &o, &outLeft) : iconv(cd, &in, &inLeft, &o, &outLeft);
    const int error = errno;
    out.append(buffer, static_cast<size_t>(o - buffer));
    if (r != static_cast<size_t>(-1)) {
      if (flushing) break;
      flushing = true;  // stateful charsets (ISO-2022-JP) end their last shift
      continue;
    }
    if (error == E2BIG) continue;
    if (flushing || inLeft == 0) break;
    out += kReplacement;  // EILSEQ, or EINVAL for a sequence cut at the end
    ++in;
    --inLeft;
  }
  g_mime_iconv_close(cd);
  return true;
}

}  // namespace

Bodies FindBodies(GMimeObject* root) {
  Walk walk;
  walk.Visit(root, 0);
  return std::move(walk.out);
}

std::string TextToUtf8(std::string_view bytes, std::string_view charset) {
  std::string out;
  if (!charset.empty()) {
    const std::string name(charset);
    if (Convert(bytes, g_mime_charset_iconv_name(name.c_str()), out)) return out;
  }
  if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) return std::string(bytes);
  Convert(bytes, "WINDOWS-1252", out);
  return out;
}

}  // namespace cdo
