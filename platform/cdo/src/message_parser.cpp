#include "message_parser.h"

#include "message_parts.h"

namespace cdo {
namespace {

std::optional<std::int64_t> DateOf(const std::string& text) {
  GDateTime* date = g_mime_utils_header_decode_date(text.c_str());
  if (!date) return std::nullopt;
  const std::int64_t unix = g_date_time_to_unix(date);
  g_date_time_unref(date);
  return unix;
}

// The date after the last ";" of the topmost Received field, else Date.
std::optional<std::int64_t> ReceivedTime(GMimeMessage* m) {
  if (const char* received = g_mime_object_get_header(GMIME_OBJECT(m), "Received")) {
    const std::string_view value(received);
    if (const size_t semicolon = value.rfind(';'); semicolon != std::string_view::npos)
      if (auto t = DateOf(std::string(value.substr(semicolon + 1)))) return t;
  }
  if (GDateTime* date = g_mime_message_get_date(m)) return g_date_time_to_unix(date);
  return std::nullopt;
}

std::string Subject(GMimeMessage* m) {
  const char* subject = g_mime_message_get_subject(m);
  std::string out = subject ? subject : "";
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

}  // namespace

std::optional<MessageFields> ParseMessage(std::string_view bytes) {
  if (bytes.empty()) return std::nullopt;
  EnsureGMime();
  GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GPtr<GMimeMessage> m(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!m) return std::nullopt;
  MessageFields f;
  f.received = ReceivedTime(m.get());
  f.from = AddressText(g_mime_message_get_addresses(m.get(), GMIME_ADDRESS_TYPE_FROM));
  f.to = AddressText(g_mime_message_get_addresses(m.get(), GMIME_ADDRESS_TYPE_TO));
  f.cc = AddressText(g_mime_message_get_addresses(m.get(), GMIME_ADDRESS_TYPE_CC));
  f.bcc = AddressText(g_mime_message_get_addresses(m.get(), GMIME_ADDRESS_TYPE_BCC));
  f.subject = Subject(m.get());
  Bodies bodies = FindBodies(g_mime_message_get_mime_part(m.get()));
  f.html = std::move(bodies.html);
  f.text = std::move(bodies.text);
  return f;
}

}  // namespace cdo
