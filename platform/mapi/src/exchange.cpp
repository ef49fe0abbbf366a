// The simulated Exchange servers: exchange/<server>/mailboxes.json and one
// PST file per mailbox.
#include "mapi/exchange.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

#include "file_lock.h"
#include "json_fields.h"
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

// The mailboxes of a list file's text; throws json_fields::Damaged.
std::vector<Mailbox> FromJson(const std::string& text, const fs::path& folder) {
  namespace f = json_fields;
  const json j = f::Parse(text, json::value_t::array, "a JSON array of mailboxes");
  std::vector<Mailbox> out;
  for (std::size_t i = 0; i < j.size(); ++i) {
    const std::string where = "[" + std::to_string(i) + "].";
    f::Object(j[i], where.substr(0, where.size() - 1));
    Mailbox b;
    b.alias = f::Text(j[i], "alias", where);
    if (!IsPlainName(b.alias)) throw f::Damaged(where + "alias: not a plain name");
    b.displayName = f::Text(j[i], "displayName", where);
    b.dn = f::Text(j[i], "dn", where);
    const std::u16string pst = f::Text(j[i], "pst", where);
    if (!IsPlainName(pst)) throw f::Damaged(where + "pst: not a plain file name");
    b.pstPath = U16((folder / U8(pst)).string());
    const json& denied = f::Array(j[i], "denied", where);
    for (std::size_t d = 0; d < denied.size(); ++d) {
      if (!denied[d].is_string()) throw f::Damaged(where + "denied[" + std::to_string(d) + "]: expected a string");
      b.denied.push_back(U16(denied[d].get<std::string>()));
    }
    out.push_back(std::move(b));
  }
  return out;
}

// The list file's text as mailboxes: S_OK, or MAPI_E_CORRUPT_DATA.
HRESULT Parse(const std::string& text, std::u16string_view server, std::vector<Mailbox>* out, std::string* error) {
  try {
    *out = FromJson(text, ServerFolder(server));
    return S_OK;
  } catch (const json_fields::Damaged& e) {
    if (error) *error = json_fields::InFile(ListFile(server), e.what());
    return MAPI_E_CORRUPT_DATA;
  }
}

HRESULT Load(std::u16string_view server, std::vector<Mailbox>* out, std::string* error) {
  out->clear();
  if (!IsPlainName(server)) return MAPI_E_INVALID_PARAMETER;
  std::string text;
  if (!ReadWholeFile(ListFile(server), &text)) return S_OK;
  return Parse(text, server, out, error);
}

// Load for callers that cannot pass the reason on.
std::vector<Mailbox> LoadOrReport(std::u16string_view server) {
  std::vector<Mailbox> out;
  std::string error;
  if (Load(server, &out, &error) == MAPI_E_CORRUPT_DATA) json_fields::Report(error);
  return out;
}

}  // namespace

bool IsPlainName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  for (char16_t c : name)
    if (c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F) return false;
  return true;
}

std::u16string ServerDn(std::u16string_view server) {
  return u"/cn=Configuration/cn=Servers/cn=" + std::u16string(server);
}
std::u16string PrivateMdbDn(std::u16string_view server) { return ServerDn(server) + u"/cn=Microsoft Private MDB"; }
std::u16string MailboxDn(std::u16string_view alias) {
  return u"/o=Brackenford/ou=Exchange Administrative Group/cn=Recipients/cn=" + std::u16string(alias);
}

HRESULT AddMailbox(std::u16string_view server, const std::u16string& alias, const std::u16string& displayName,
                   const std::u16string& pstFile, const std::vector<std::u16string>& denied, std::string* error) {
  if (!IsPlainName(server) || !IsPlainName(alias)) return MAPI_E_INVALID_PARAMETER;
  const fs::path folder = ServerFolder(server);
  std::error_code ec;
  fs::create_directories(folder, ec);
  FileLock lock(folder / ".lock");
  if (!lock.locked()) return MAPI_E_DISK_ERROR;
  std::string text;
  json list = json::array();
  if (ReadWholeFile(ListFile(server), &text)) {
    std::vector<Mailbox> old;
    if (HRESULT hr = Parse(text, server, &old, error); FAILED(hr)) return hr;
    list = json::parse(text);
  }
  const std::string file = Lower(U8(alias)) + ".pst";
  fs::copy_file(fs::path(U8(pstFile)), folder / file, fs::copy_options::overwrite_existing, ec);
  if (ec) return MAPI_E_NOT_FOUND;
  json entry = {{"alias", U8(alias)},
                {"displayName", U8(displayName.empty() ? alias : displayName)},
                {"dn", U8(MailboxDn(alias))},
                {"pst", file},
                {"denied", json::array()}};
  for (const auto& d : denied) entry["denied"].push_back(U8(d));
  auto same = [&](const json& m) { return Lower(m.value("alias", "")) == Lower(U8(alias)); };
  list.erase(std::remove_if(list.begin(), list.end(), same), list.end());
  list.push_back(std::move(entry));
  return WriteFileAtomically(ListFile(server), list.dump(2)) ? S_OK : MAPI_E_DISK_ERROR;
}

HRESULT ReadMailboxes(std::u16string_view server, std::vector<Mailbox>* mailboxes, std::string* error) {
  return Load(server, mailboxes, error);
}

std::vector<Mailbox> Mailboxes(std::u16string_view server) { return LoadOrReport(server); }

bool ServerExists(std::u16string_view server) {
  std::error_code ec;
  return IsPlainName(server) && fs::exists(ListFile(server), ec);
}

std::optional<Mailbox> FindMailbox(std::u16string_view server, std::u16string_view who) {
  const std::string key = Lower(U8(who));
  for (auto& m : LoadOrReport(server))
    if (Lower(U8(m.alias)) == key || Lower(U8(m.displayName)) == key || Lower(U8(m.dn)) == key) return m;
  return std::nullopt;
}

}  // namespace mapi::exchange
