// The simulated Exchange servers: exchange/<server>/mailboxes.json and one
// PST file per mailbox.
#include "mapi/exchange.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

#include "file_lock.h"
#include "mapi/mapicode.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace mapi::exchange {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}
std::string U8(std::u16string_view s) { return win32::Utf16ToUtf8(s); }
std::u16string U16(const std::string& s) { return win32::Utf8ToUtf16(s); }

fs::path ServerFolder(std::u16string_view server) { return win32::ExchangeFolder() / Lower(U8(server)); }
fs::path ListFile(std::u16string_view server) { return ServerFolder(server) / "mailboxes.json"; }

std::vector<Mailbox> Load(std::u16string_view server) {
  std::string text;
  std::vector<Mailbox> out;
  if (!ReadWholeFile(ListFile(server), &text)) return out;
  const json j = json::parse(text, nullptr, false);
  if (!j.is_array()) return out;
  for (const auto& m : j) {
    Mailbox b;
    b.alias = U16(m.value("alias", ""));
    b.displayName = U16(m.value("displayName", ""));
    b.dn = U16(m.value("dn", ""));
    b.pstPath = U16((ServerFolder(server) / m.value("pst", "")).string());
    if (m.contains("denied"))
      for (const auto& d : m["denied"]) b.denied.push_back(U16(d.get<std::string>()));
    out.push_back(std::move(b));
  }
  return out;
}

}  // namespace

std::u16string ServerDn(std::u16string_view server) {
  return u"/cn=Configuration/cn=Servers/cn=" + std::u16string(server);
}
std::u16string PrivateMdbDn(std::u16string_view server) { return ServerDn(server) + u"/cn=Microsoft Private MDB"; }
std::u16string MailboxDn(std::u16string_view alias) {
  return u"/o=Brackenford/ou=Exchange Administrative Group/cn=Recipients/cn=" + std::u16string(alias);
}

HRESULT AddMailbox(std::u16string_view server, const std::u16string& alias, const std::u16string& displayName,
                   const std::u16string& pstFile, const std::vector<std::u16string>& denied) {
  if (server.empty() || alias.empty()) return MAPI_E_INVALID_PARAMETER;
  const fs::path folder = ServerFolder(server);
  std::error_code ec;
  fs::create_directories(folder, ec);
  FileLock lock(folder / ".lock");
  if (!lock.locked()) return MAPI_E_DISK_ERROR;
  const std::string file = Lower(U8(alias)) + ".pst";
  fs::copy_file(fs::path(U8(pstFile)), folder / file, fs::copy_options::overwrite_existing, ec);
  if (ec) return MAPI_E_NOT_FOUND;
  std::string text;
  json list = json::array();
  if (ReadWholeFile(folder / "mailboxes.json", &text)) {
    json old = json::parse(text, nullptr, false);
    if (old.is_array()) list = std::move(old);
  }
  json entry = {{"alias", U8(alias)},
                {"displayName", U8(displayName.empty() ? alias : displayName)},
                {"dn", U8(MailboxDn(alias))},
                {"pst", file},
                {"denied", json::array()}};
  for (const auto& d : denied) entry["denied"].push_back(U8(d));
  auto same = [&](const json& m) { return Lower(m.value("alias", "")) == Lower(U8(alias)); };
  list.erase(std::remove_if(list.begin(), list.end(), same), list.end());
  list.push_back(std::move(entry));
  return WriteFileAtomically(folder / "mailboxes.json", list.dump(2)) ? S_OK : MAPI_E_DISK_ERROR;
}

std::vector<Mailbox> Mailboxes(std::u16string_view server) { return Load(server); }

bool ServerExists(std::u16string_view server) {
  std::error_code ec;
  return !server.empty() && fs::exists(ListFile(server), ec);
}

std::optional<Mailbox> FindMailbox(std::u16string_view server, std::u16string_view who) {
  const std::string key = Lower(U8(who));
  for (auto& m : Load(server))
    if (Lower(U8(m.alias)) == key || Lower(U8(m.displayName)) == key || Lower(U8(m.dn)) == key) return m;
  return std::nullopt;
}

}  // namespace mapi::exchange
