#include "mime/content_types.h"

#include <gio/gio.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace mime {
namespace {

constexpr std::string_view kDefault = "application/octet-stream";

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};

bool TokenChar(char c) { return c > 0x20 && c < 0x7F && !std::strchr("()<>@,;:\\\"/[]?=", c); }

// "type/subtype" in lower case when the text is one; "" otherwise.
std::string WellFormed(std::string_view type) {
  while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.remove_suffix(1);
  while (!type.empty() && (type.front() == ' ' || type.front() == '\t')) type.remove_prefix(1);
  const size_t slash = type.find('/');
  if (slash == std::string_view::npos || slash == 0 || slash + 1 == type.size()) return {};
  if (!std::all_of(type.begin(), type.begin() + slash, TokenChar) ||
      !std::all_of(type.begin() + slash + 1, type.end(), TokenChar))
    return {};
  std::string out(type);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// Bytes by value cannot go out as a message or a multipart entity, which
// allow no base64 encoding.
bool Writable(const std::string& type) { return !type.starts_with("message/") && !type.starts_with("multipart/"); }

std::string FromFileName(std::string_view fileName) {
  if (fileName.empty()) return {};
  const std::string name(fileName);
  // By name alone: an upper-case extension counts as a guess, and is right.
  std::unique_ptr<gchar, GFreeDeleter> guessed(g_content_type_guess(name.c_str(), nullptr, 0, nullptr));
  if (!guessed) return {};
  std::unique_ptr<gchar, GFreeDeleter> type(g_content_type_get_mime_type(guessed.get()));
  return type ? WellFormed(type.get()) : std::string();
}

}  // namespace

std::string AttachmentContentType(std::string_view given, std::string_view fileName) {
  if (std::string type = WellFormed(given); !type.empty() && Writable(type)) return type;
  if (std::string type = FromFileName(fileName); !type.empty() && Writable(type)) return type;
  return std::string(kDefault);
}

}  // namespace mime
