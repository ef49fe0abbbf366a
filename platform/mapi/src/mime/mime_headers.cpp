// Top-level headers: addresses, subject, dates, identifiers, importance and
// the kept transport headers.
#include <glib.h>

#include <string_view>

#include "mime/header_words.h"
#include "mime/mime_writer.h"

namespace mime {
namespace {

GMimeHeaderList* Headers(GMimeMessage* m) { return g_mime_object_get_header_list(GMIME_OBJECT(m)); }

// Sets or replaces a header with a value we have formatted ourselves.
void SetRaw(GMimeMessage* m, const char* name, const std::string& value) {
  g_mime_object_set_header(GMIME_OBJECT(m), name, "", nullptr);
  GMimeHeader* h = g_mime_header_list_get_header(Headers(m), name);
  g_mime_header_set_raw_value(h, (" " + value + "\n").c_str());
}

// Received goes first, as a transport puts it.
void PrependRaw(GMimeMessage* m, const char* name, const std::string& value) {
  g_mime_object_prepend_header(GMIME_OBJECT(m), name, "", nullptr);
  GMimeHeader* h = g_mime_header_list_get_header_at(Headers(m), 0);
  g_mime_header_set_raw_value(h, (" " + value + "\n").c_str());
}

void AppendRaw(GMimeMessage* m, const std::string& name, const std::string& value) {
  GMimeHeaderList* list = Headers(m);
  g_mime_header_list_append(list, name.c_str(), "", nullptr);
  GMimeHeader* h = g_mime_header_list_get_header_at(list, g_mime_header_list_get_count(list) - 1);
  g_mime_header_set_raw_value(h, (" " + value + "\n").c_str());
}

std::string FormatDate(std::int64_t unixSeconds) {
  GDateTime* dt = g_date_time_new_from_unix_utc(unixSeconds);
  if (!dt) return {};
  GString text(g_mime_utils_header_format_date(dt));
  g_date_time_unref(dt);
  return text.get();
}

struct AddressHeader {
  const char* name;
  std::vector<Address> Message::*list;
};
constexpr AddressHeader kAddressHeaders[] = {
    {"To", &Message::to}, {"Cc", &Message::cc}, {"Bcc", &Message::bcc}};

// Importance header, X-Priority header.
constexpr std::pair<std::string_view, std::string_view> kImportance[] = {
    {"low", "5 (Lowest)"}, {"normal", "3 (Normal)"}, {"high", "1 (Highest)"}};
constexpr std::string_view kPriority[] = {"non-urgent", "normal", "urgent"};

void SetAddresses(GMimeMessage* out, const Message& m) {
  if (!m.from.name.empty() || !m.from.address.empty()) SetRaw(out, "From", FormatMailbox(m.from));
  for (const AddressHeader& h : kAddressHeaders)
    if (!(m.*h.list).empty()) SetRaw(out, h.name, FormatAddressList(m.*h.list));
}

void SetSubject(GMimeMessage* out, const std::string& subject) {
  if (IsPlainHeaderText(subject))
    g_mime_message_set_subject(out, subject.c_str(), "utf-8");
  else
    SetRaw(out, "Subject", EncodeWords(subject, WordContext::Text));
}

void SetDates(GMimeMessage* out, const Message& m) {
  if (m.received) {
    std::string date = FormatDate(*m.received);
    if (!date.empty()) PrependRaw(out, "Received", "by localhost with MAPI; " + date);
  }
  if (m.date) {
    std::string date = FormatDate(*m.date);
    if (!date.empty()) SetRaw(out, "Date", date);
  }
}

void SetIdentifiers(GMimeMessage* out, const Message& m) {
  const std::pair<const char*, const std::string*> ids[] = {
      {"Message-ID", &m.messageId}, {"In-Reply-To", &m.inReplyTo}, {"References", &m.references}};
  for (const auto& [name, value] : ids)
    if (!value->empty() && IsPlainHeaderText(*value)) SetRaw(out, name, *value);
}

void SetImportance(GMimeMessage* out, const Message& m) {
  if (m.importance) {
    const auto& [importance, xPriority] = kImportance[static_cast<int>(*m.importance)];
    SetRaw(out, "Importance", std::string(importance));
    SetRaw(out, "X-Priority", std::string(xPriority));
  }
  if (m.priority) SetRaw(out, "Priority", std::string(kPriority[static_cast<int>(*m.priority)]));
}

}  // namespace

void SetHeaders(GMimeMessage* out, const Message& m) {
  SetDates(out, m);
  SetAddresses(out, m);
  SetSubject(out, m.subject);
  SetIdentifiers(out, m);
  SetImportance(out, m);
  for (const auto& [name, value] : m.extraHeaders) AppendRaw(out, name, value);
}

}  // namespace mime
