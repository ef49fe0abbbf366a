#include <string_view>

#include "message_parts.h"

namespace cdo {
namespace {

std::string Quoted(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

// Line breaks left by a malformed header read as spaces.
std::string OneLine(const char* text) {
  std::string out = text ? text : "";
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

void Append(std::string& out, const std::string& one) {
  if (one.empty()) return;
  if (!out.empty()) out += ", ";
  out += one;
}

// Groups inside groups cannot be written, but a parser may build them: the
// depth is bounded all the same.
void AppendList(std::string& out, InternetAddressList* list, int depth) {
  const int count = list ? internet_address_list_length(list) : 0;
  for (int i = 0; i < count; ++i) {
    InternetAddress* a = internet_address_list_get_address(list, i);
    const std::string name = OneLine(internet_address_get_name(a));
    if (INTERNET_ADDRESS_IS_GROUP(a)) {
      InternetAddressList* members = internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a));
      if (members && internet_address_list_length(members) > 0 && depth < 4)
        AppendList(out, members, depth + 1);
      else if (!name.empty())
        Append(out, Quoted(name));
      continue;
    }
    const std::string address = OneLine(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
    if (name.empty())
      Append(out, address);
    else if (address.empty())
      Append(out, Quoted(name));
    else
      Append(out, Quoted(name) + " <" + address + ">");
  }
}

}  // namespace

std::string AddressText(InternetAddressList* list) {
  std::string out;
  AppendList(out, list, 0);
  return out;
}

}  // namespace cdo
