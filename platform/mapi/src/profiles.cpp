// Profiles as JSON files in the machine root's profiles/.
#include "mapi/profiles.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <random>

#include "file_lock.h"
#include "json_fields.h"
#include "mapi/exchange.h"
#include "mapi/mapicode.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace mapi::profiles {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string U8(std::u16string_view s) { return win32::Utf16ToUtf8(s); }

// Profile names are case-insensitive: the file is named after the lower-case
// name, with every byte but letters, digits, '-' and '_' as %XX.
fs::path FileOf(std::u16string_view name) {
  std::string out;
  for (unsigned char c : U8(name)) {
    c = static_cast<unsigned char>(std::tolower(c));
    if (std::isalnum(c) || c == '-' || c == '_') {
      out.push_back(static_cast<char>(c));
    } else {
      static const char* hex = "0123456789ABCDEF";
      out += {'%', hex[c >> 4], hex[c & 15]};
    }
  }
  return win32::ProfilesFolder() / (out + ".json");
}
fs::path LockFile() { return win32::ProfilesFolder() / ".lock"; }
fs::path DefaultFile() { return win32::ProfilesFolder() / "default"; }

std::string NewUid() {
  std::random_device rd;
  std::string hex;
  static const char* digits = "0123456789abcdef";
  for (int i = 0; i < 16; ++i) {
    const unsigned b = rd() & 0xFF;
    hex += {digits[b >> 4], digits[b & 15]};
  }
  return hex;
}

// An Exchange service added but not yet configured has no server. A server
// names a folder of the machine root, so it never holds a separator or is a
// dot folder; other odd characters (the CR a CR LF line leaves) only name a
// server that does not exist.
bool ServerNameFits(std::u16string_view server) {
  if (server == u"." || server == u"..") return false;
  return server.find_first_of(u"/\\") == std::u16string_view::npos;
}

json ToJson(const Profile& p) {
  json services = json::array();
  for (const auto& s : p.services) {
    json j = {{"kind", s.kind == ServiceKind::kPst ? "pst" : "exchange"},
              {"uid", s.uid},
              {"displayName", U8(s.displayName)}};
    if (s.kind == ServiceKind::kPst) {
      j["path"] = U8(s.path);
    } else {
      j["server"] = U8(s.server);
      j["mailbox"] = U8(s.mailbox);
      j["configFlags"] = s.configFlags;
    }
    services.push_back(std::move(j));
  }
  return {{"name", U8(p.name)}, {"user", U8(p.user)}, {"services", std::move(services)}};
}

// A profile from its file's text; throws json_fields::Damaged naming what
// is wrong.
Profile FromJson(const std::string& text) {
  namespace f = json_fields;
  const json j = f::Parse(text, json::value_t::object, "a JSON object");
  Profile p;
  p.name = f::Text(j, "name", "");
  if (p.name.empty()) throw f::Damaged("name: missing or empty");
  p.user = f::Text(j, "user", "");
  const json& services = f::Array(j, "services", "");
  for (std::size_t i = 0; i < services.size(); ++i) {
    const std::string where = f::Item("", "services", i);
    f::Object(services[i], where.substr(0, where.size() - 1));
    const json& s = services[i];
    Service svc;
    const std::string kind = f::Utf8(s, "kind", where, "pst");
    if (kind != "pst" && kind != "exchange") throw f::Damaged(where + "kind: \"pst\" or \"exchange\"");
    svc.kind = kind == "exchange" ? ServiceKind::kExchange : ServiceKind::kPst;
    svc.uid = f::Utf8(s, "uid", where);
    svc.displayName = f::Text(s, "displayName", where);
    svc.path = f::Text(s, "path", where);
    svc.server = f::Text(s, "server", where);
    svc.mailbox = f::Text(s, "mailbox", where);
    svc.configFlags = f::Integer32(s, "configFlags", where);
    if (svc.kind == ServiceKind::kExchange && !ServerNameFits(svc.server))
      throw f::Damaged(where + "server: not a plain name");
    p.services.push_back(std::move(svc));
  }
  return p;
}

// S_OK, MAPI_E_NOT_FOUND for a file that is not there, MAPI_E_CORRUPT_DATA
// for one that holds no profile (the file and what is wrong in *error).
HRESULT Load(const fs::path& file, Profile* out, std::string* error) {
  std::string text;
  if (!ReadWholeFile(file, &text)) return MAPI_E_NOT_FOUND;
  try {
    *out = FromJson(text);
    return S_OK;
  } catch (const json_fields::Damaged& e) {
    if (error) *error = json_fields::InFile(file, e.what());
    return MAPI_E_CORRUPT_DATA;
  }
}

std::optional<Profile> Load(const fs::path& file) {
  Profile p;
  if (FAILED(Load(file, &p, nullptr))) return std::nullopt;
  return p;
}

bool SameName(std::u16string_view a, std::u16string_view b) { return FileOf(a) == FileOf(b); }

void MarkDefault(Profile& p) {
  const auto d = DefaultName();
  p.isDefault = d && SameName(*d, p.name);
}

bool Valid(const Profile& profile) {
  if (profile.name.empty()) return false;
  for (const auto& s : profile.services)
    if (s.kind == ServiceKind::kExchange && !ServerNameFits(s.server)) return false;
  return true;
}

HRESULT Write(Profile& p) {
  for (auto& s : p.services)
    if (s.uid.empty()) s.uid = NewUid();
  return WriteFileAtomically(FileOf(p.name), ToJson(p).dump(2)) ? S_OK : MAPI_E_DISK_ERROR;
}

}  // namespace

std::vector<Profile> List(std::vector<std::string>* damaged) {
  std::vector<Profile> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(win32::ProfilesFolder(), ec)) {
    if (e.path().extension() != ".json" || e.path().filename().string().front() == '.') continue;
    Profile p;
    std::string error;
    if (const HRESULT hr = Load(e.path(), &p, &error); hr == MAPI_E_CORRUPT_DATA && damaged) {
      damaged->push_back(std::move(error));
    } else if (SUCCEEDED(hr)) {
      MarkDefault(p);
      out.push_back(std::move(p));
    }
  }
  std::sort(out.begin(), out.end(), [](const Profile& a, const Profile& b) { return a.name < b.name; });
  return out;
}

std::optional<Profile> Find(std::u16string_view name) {
  Profile p;
  if (FAILED(Read(name, &p))) return std::nullopt;
  return p;
}

HRESULT Read(std::u16string_view name, Profile* profile, std::string* error) {
  if (name.empty()) return MAPI_E_NOT_FOUND;
  const HRESULT hr = Load(FileOf(name), profile, error);
  if (SUCCEEDED(hr)) MarkDefault(*profile);
  return hr;
}

HRESULT Create(Profile profile) {
  if (!Valid(profile)) return MAPI_E_INVALID_PARAMETER;
  FileLock lock(LockFile());
  if (!lock.locked()) return MAPI_E_DISK_ERROR;
  std::error_code ec;
  if (fs::exists(FileOf(profile.name), ec)) return MAPI_E_COLLISION;
  HRESULT hr = Write(profile);
  if (SUCCEEDED(hr) && profile.isDefault) WriteFileAtomically(DefaultFile(), U8(profile.name));
  return hr;
}

HRESULT Change(Profile profile) {
  if (!Valid(profile)) return MAPI_E_INVALID_PARAMETER;
  FileLock lock(LockFile());
  if (!lock.locked()) return MAPI_E_DISK_ERROR;
  std::error_code ec;
  if (!fs::exists(FileOf(profile.name), ec)) return MAPI_E_NOT_FOUND;
  return Write(profile);
}

HRESULT Delete(std::u16string_view name) {
  FileLock lock(LockFile());
  if (!lock.locked()) return MAPI_E_DISK_ERROR;
  std::error_code ec;
  const auto byDefault = DefaultName();
  if (name.empty() || !fs::remove(FileOf(name), ec)) return MAPI_E_NOT_FOUND;
  if (byDefault && SameName(*byDefault, name)) fs::remove(DefaultFile(), ec);
  return S_OK;
}

HRESULT SetDefault(std::u16string_view name) {
  FileLock lock(LockFile());
  if (!lock.locked()) return MAPI_E_DISK_ERROR;
  auto p = Load(FileOf(name));
  if (!p) return MAPI_E_NOT_FOUND;
  return WriteFileAtomically(DefaultFile(), U8(p->name)) ? S_OK : MAPI_E_DISK_ERROR;
}

std::optional<std::u16string> DefaultName() {
  std::string text;
  if (!ReadWholeFile(DefaultFile(), &text) || text.empty()) return std::nullopt;
  std::u16string name = win32::Utf8ToUtf16(text);
  std::error_code ec;
  if (!fs::exists(FileOf(name), ec)) return std::nullopt;
  return name;
}

Service PstService(std::u16string path, std::u16string displayName) {
  Service s;
  s.kind = ServiceKind::kPst;
  if (displayName.empty()) {
    const std::string u8 = win32::Utf16ToUtf8(path);
    const size_t slash = u8.find_last_of("/\\");
    std::string stem = slash == std::string::npos ? u8 : u8.substr(slash + 1);
    if (const size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
    displayName = win32::Utf8ToUtf16(stem);
  }
  s.displayName = std::move(displayName);
  s.path = std::move(path);
  return s;
}

Service ExchangeService(std::u16string server, std::u16string mailbox) {
  Service s;
  s.kind = ServiceKind::kExchange;
  s.displayName = u"Mailbox - " + mailbox;
  s.server = std::move(server);
  s.mailbox = std::move(mailbox);
  return s;
}

}  // namespace mapi::profiles
