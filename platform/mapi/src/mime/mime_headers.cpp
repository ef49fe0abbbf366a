// Top-level fields: trace fields first, then addresses, subject, date,
// identifiers, importance and the other transport header fields kept.
#include <ctime>
#include <string_view>

#include "mime/header_words.h"
#include "mime/mime_writer.h"

namespace mime {
namespace {

struct AddressHeader {
  const char* name;
  std::vector<Address> Message::*list;
};
constexpr AddressHeader kAddressHeaders[] = {{"To", &Message::to}, {"Cc", &Message::cc}, {"Bcc", &Message::bcc}};

// Importance header, X-Priority header.
constexpr std::pair<std::string_view, std::string_view> kImportance[] = {
    {"low", "5 (Lowest)"}, {"normal", "3 (Normal)"}, {"high", "1 (Highest)"}};
constexpr std::string_view kPriority[] = {"non-urgent", "normal", "urgent"};

// Identifiers stay as they are or are left out: encoding would change them.
bool UsableIdentifiers(std::string_view ids) {
  if (ids.empty() || !IsPlainHeaderText(ids)) return false;
  size_t run = 0;
  for (char c : ids) {
    run = (c == ' ' || c == '\t') ? 0 : run + 1;
    if (run > 900) return false;  // no fold could keep the line within 998
  }
  return true;
}

// Field names of other headers: printable ASCII without ":", and not one
// that could read as a boundary line.
bool UsableFieldName(std::string_view name) {
  if (name.empty() || name.size() > 76 || name.starts_with("--")) return false;
  for (unsigned char c : name)
    if (c < 33 || c > 126 || c == ':') return false;
  return true;
}

void AppendTrace(std::string& out, const Message& m) {
  if (m.received) {
    const std::string date = FormatDate(*m.received);
    if (!date.empty()) AppendHeader(out, "Received", "by localhost with MAPI; " + date);
  }
  for (const auto& [name, value] : m.traceHeaders)
    if (UsableFieldName(name)) AppendHeader(out, name, EncodeHeaderText(value));
}

void AppendAddresses(std::string& out, const Message& m) {
  if (!AddrSpec(m.from.address).empty()) AppendHeader(out, "From", FormatMailbox(m.from));
  if (!AddrSpec(m.sender.address).empty()) AppendHeader(out, "Sender", FormatMailbox(m.sender));
  for (const AddressHeader& h : kAddressHeaders)
    if (std::string list = FormatAddressList(m.*h.list); !list.empty()) AppendHeader(out, h.name, list);
}

void AppendIdentifiers(std::string& out, const Message& m) {
  const std::pair<const char*, const std::string*> ids[] = {
      {"Message-ID", &m.messageId}, {"In-Reply-To", &m.inReplyTo}, {"References", &m.references}};
  for (const auto& [name, value] : ids)
    if (UsableIdentifiers(*value)) AppendHeader(out, name, *value);
}

void AppendImportance(std::string& out, const Message& m) {
  if (m.importance) {
    const auto& [importance, xPriority] = kImportance[static_cast<int>(*m.importance)];
    AppendHeader(out, "Importance", importance);
    AppendHeader(out, "X-Priority", xPriority);
  }
  if (m.priority) AppendHeader(out, "Priority", kPriority[static_cast<int>(*m.priority)]);
}

}  // namespace

std::string FormatDate(std::int64_t unixSeconds) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (!gmtime_r(&t, &tm) || tm.tm_year + 1900 < 1900 || tm.tm_year + 1900 > 9999) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d +0000", kDays[tm.tm_wday], tm.tm_mday,
                kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

void AppendMessageHeaders(std::string& out, const Message& m) {
  AppendTrace(out, m);
  AppendAddresses(out, m);
  if (!m.subject.empty()) AppendHeader(out, "Subject", EncodeUnstructured(m.subject));
  if (m.date)
    if (const std::string date = FormatDate(*m.date); !date.empty()) AppendHeader(out, "Date", date);
  AppendIdentifiers(out, m);
  AppendImportance(out, m);
  for (const auto& [name, value] : m.extraHeaders)
    if (UsableFieldName(name)) AppendHeader(out, name, EncodeHeaderText(value));
}

}  // namespace mime
