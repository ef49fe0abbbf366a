#include "win32/registry.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "registry_store.h"
#include "registry_tree.h"
#include "win32/codepage.h"
#include "win32/text.h"

namespace {

using win32::reg::Key;
using win32::reg::Path;
using win32::reg::Snapshot;
using win32::reg::Value;

// An open key: where it is and what it may do. Handles name keys by path,
// so a key deleted under an open handle reads as ERROR_KEY_DELETED.
struct OpenKey {
  Path path;
  REGSAM access = 0;
};

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<ULONG_PTR, OpenKey> keys;
  ULONG_PTR next = 0x1000;
};

HandleTable& Handles() {
  static HandleTable t;
  return t;
}

struct Predefined {
  DWORD value;
  std::u16string_view name;
};
constexpr Predefined kPredefined[] = {
    {0x80000000u, u"HKEY_CLASSES_ROOT"},
    {0x80000001u, u"HKEY_CURRENT_USER"},
    {0x80000002u, u"HKEY_LOCAL_MACHINE"},
};

// The open key behind a handle (predefined or returned by open/create).
bool Lookup(HKEY h, OpenKey& out) {
  const auto v = reinterpret_cast<ULONG_PTR>(h);
  for (const Predefined& p : kPredefined)
    if ((v & 0xFFFFFFFFu) == p.value && (v >> 31) != 0) {
      out = {{std::u16string(p.name)}, KEY_ALL_ACCESS};
      return true;
    }
  HandleTable& t = Handles();
  std::lock_guard lock(t.mutex);
  auto it = t.keys.find(v);
  if (it == t.keys.end()) return false;
  out = it->second;
  return true;
}

HKEY NewHandle(OpenKey key) {
  HandleTable& t = Handles();
  std::lock_guard lock(t.mutex);
  const ULONG_PTR v = t.next;
  t.next += 4;
  t.keys.emplace(v, std::move(key));
  return reinterpret_cast<HKEY>(v);
}

// Names the file format can hold: no control line breaks or NULs, and
// well-formed UTF-16.
bool StorableName(std::u16string_view n) {
  for (char16_t c : n)
    if (c == 0 || c == u'\r' || c == u'\n') return false;
  return win32::Utf8ToUtf16(win32::Utf16ToUtf8(n)) == n;
}

// `base` extended by a subkey path ("a\b\c"); a trailing backslash is
// allowed, a leading one or an empty name in the middle is not.
LONG Extend(Path base, std::u16string_view sub, Path& out) {
  while (!sub.empty() && sub.back() == u'\\') sub.remove_suffix(1);
  if (!sub.empty() && sub.front() == u'\\') return ERROR_BAD_PATHNAME;
  std::size_t start = 0;
  while (start < sub.size()) {
    const std::size_t bs = std::min(sub.find(u'\\', start), sub.size());
    const std::u16string_view name = sub.substr(start, bs - start);
    if (name.empty()) return ERROR_BAD_PATHNAME;
    if (!StorableName(name)) return ERROR_INVALID_PARAMETER;
    base.emplace_back(name);
    start = bs + 1;
  }
  out = std::move(base);
  return ERROR_SUCCESS;
}

// The handle's key in a snapshot of the registry.
LONG Resolve(HKEY h, REGSAM need, Snapshot& snap, const Key*& key, OpenKey* opened = nullptr) {
  OpenKey k;
  if (!Lookup(h, k)) return ERROR_INVALID_HANDLE;
  if ((k.access & need) != need) return ERROR_ACCESS_DENIED;
  if (const LONG rc = win32::reg::Load(snap); rc != ERROR_SUCCESS) return rc;
  key = win32::reg::Find(*snap, k.path);
  if (!key && k.path.size() == 1) {
    static const Key kEmpty;
    key = &kEmpty;  // a root nothing was stored under yet
  }
  if (opened) *opened = k;
  return key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// Copies `src` out under the Windows contract for sizes.
LONG CopyOut(DWORD type, const std::vector<BYTE>& src, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  if (lpType) *lpType = type;
  if (!lpcbData) return ERROR_SUCCESS;
  const DWORD need = DWORD(src.size());
  const DWORD have = *lpcbData;
  *lpcbData = need;
  if (!lpData) return ERROR_SUCCESS;
  if (have < need) return ERROR_MORE_DATA;
  if (need) std::memcpy(lpData, src.data(), need);
  return ERROR_SUCCESS;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::vector<BYTE> AnsiData(const std::vector<BYTE>& wide) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) units += char16_t(wide[i] | (wide[i + 1] << 8));
  const std::string a = win32::Utf16ToAnsi(units);
  return std::vector<BYTE>(a.begin(), a.end());
}

LONG QueryValue(HKEY h, std::u16string_view name, bool ansi, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  Snapshot snap;
  const Key* key = nullptr;
  if (const LONG rc = Resolve(h, KEY_QUERY_VALUE, snap, key); rc != ERROR_SUCCESS) return rc;
  const Value* v = key->FindValue(name);
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (ansi && IsStringType(v->type)) return CopyOut(v->type, AnsiData(v->data), lpType, lpData, lpcbData);
  return CopyOut(v->type, v->data, lpType, lpData, lpcbData);
}

// Runs `edit` on the handle's key (or, with `sub`, a key below it) under
// the registry lock.
LONG EditKey(HKEY h, REGSAM need, const std::function<LONG(Key& top, const Path& path, bool& changed)>& edit,
             std::u16string_view sub = {}) {
  OpenKey k;
  if (!Lookup(h, k)) return ERROR_INVALID_HANDLE;
  if ((k.access & need) != need) return ERROR_ACCESS_DENIED;
  Path path;
  if (const LONG rc = Extend(k.path, sub, path); rc != ERROR_SUCCESS) return rc;
  const std::size_t openDepth = k.path.size();
  return win32::reg::Update([&](Key& top, bool& changed) -> LONG {
    Path opened(path.begin(), path.begin() + openDepth);
    if (openDepth > 1 && !win32::reg::Find(top, opened)) return ERROR_KEY_DELETED;
    return edit(top, path, changed);
  });
}

}  // namespace

LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  Snapshot snap;
  const Key* key = nullptr;
  OpenKey k;
  if (const LONG rc = Resolve(hKey, 0, snap, key, &k); rc != ERROR_SUCCESS) return rc;
  Path path;
  if (const LONG rc = Extend(k.path, win32::WideView(lpSubKey), path); rc != ERROR_SUCCESS) return rc;
  if (path.size() > 1 && !win32::reg::Find(*snap, path)) return ERROR_FILE_NOT_FOUND;
  *phkResult = NewHandle({std::move(path), samDesired & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY)});
  return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired,
                        const SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  bool createdAny = false;
  Path made;
  const LONG rc = EditKey(
      hKey, 0,
      [&](Key& top, const Path& path, bool& changed) -> LONG {
        if (path.size() - 1 > win32::reg::kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
        Key* key = &top;
        for (const auto& name : path) {
          bool created = false;
          key = &key->AddSubkey(name, &created);
          createdAny = createdAny || created;
        }
        changed = createdAny;
        made = path;
        return ERROR_SUCCESS;
      },
      win32::WideView(lpSubKey));
  if (rc != ERROR_SUCCESS) return rc;
  if (lpdwDisposition) *lpdwDisposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *phkResult = NewHandle({std::move(made), samDesired & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY)});
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY hKey) {
  OpenKey k;
  const auto v = reinterpret_cast<ULONG_PTR>(hKey);
  HandleTable& t = Handles();
  {
    std::lock_guard lock(t.mutex);
    if (t.keys.erase(v)) return ERROR_SUCCESS;
  }
  return Lookup(hKey, k) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;  // predefined keys stay open
}

LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  return QueryValue(hKey, win32::WideView(lpValueName), false, lpType, lpData, lpcbData);
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  return QueryValue(hKey, win32::AnsiToUtf16(lpValueName ? lpValueName : ""), true, lpType, lpData, lpcbData);
}

LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  const std::u16string_view name = win32::WideView(lpValueName);
  if (!StorableName(name)) return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> data(lpData, lpData + cbData);
  return EditKey(hKey, KEY_SET_VALUE, [&](Key& top, const Path& path, bool& changed) -> LONG {
    Key* key = win32::reg::Find(top, path);
    if (!key) key = &top.AddSubkey(path.front(), nullptr);  // a root first written to
    const Value* old = key->FindValue(name);
    changed = !old || old->type != dwType || old->data != data;
    if (changed) key->SetValue(name, dwType, std::move(data));
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  const std::u16string_view name = win32::WideView(lpValueName);
  return EditKey(hKey, KEY_SET_VALUE, [&](Key& top, const Path& path, bool& changed) -> LONG {
    Key* key = win32::reg::Find(top, path);
    changed = key && key->RemoveValue(name);
    return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

namespace {

LONG DeleteKey(HKEY hKey, LPCWSTR lpSubKey, bool tree) {
  return EditKey(
      hKey, 0,
      [&](Key& top, const Path& path, bool& changed) -> LONG {
        const bool emptyOnly = tree && !lpSubKey;
        if (path.size() == 1 && !emptyOnly) return ERROR_ACCESS_DENIED;  // roots stay
        Key* key = win32::reg::Find(top, path);
        if (!key) return path.size() == 1 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        if (emptyOnly) {  // empty the key itself, keep it
          changed = !key->subkeys.empty() || !key->values.empty();
          key->subkeys.clear();
          key->values.clear();
          return ERROR_SUCCESS;
        }
        if (!tree && !key->subkeys.empty()) return ERROR_ACCESS_DENIED;
        Path parent(path.begin(), path.end() - 1);
        changed = win32::reg::Find(top, parent)->RemoveSubkey(path.back());
        return ERROR_SUCCESS;
      },
      win32::WideView(lpSubKey));
}

}  // namespace

LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return DeleteKey(hKey, lpSubKey, false);
}

LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) { return DeleteKey(hKey, lpSubKey, true); }

namespace {

// Copies a name into a caller's buffer of *cch characters (terminator
// included); *cch becomes the name's length.
LONG CopyName(std::u16string_view name, LPWSTR buf, LPDWORD cch) {
  if (!buf || !cch) return ERROR_INVALID_PARAMETER;
  if (*cch < name.size() + 1) return ERROR_MORE_DATA;
  std::memcpy(buf, name.data(), name.size() * sizeof(WCHAR));
  buf[name.size()] = 0;
  *cch = DWORD(name.size());
  return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
                      LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) {
  Snapshot snap;
  const Key* key = nullptr;
  if (const LONG rc = Resolve(hKey, KEY_ENUMERATE_SUB_KEYS, snap, key); rc != ERROR_SUCCESS) return rc;
  if (dwIndex >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  if (const LONG rc = CopyName(key->subkeys[dwIndex].name, lpName, lpcchName); rc != ERROR_SUCCESS) return rc;
  if (lpClass && lpcchClass && *lpcchClass) *lpClass = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  Snapshot snap;
  const Key* key = nullptr;
  if (const LONG rc = Resolve(hKey, KEY_QUERY_VALUE, snap, key); rc != ERROR_SUCCESS) return rc;
  if (dwIndex >= key->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = key->values[dwIndex];
  if (const LONG rc = CopyName(v.name, lpValueName, lpcchValueName); rc != ERROR_SUCCESS) return rc;
  return CopyOut(v.type, v.data, lpType, lpData, lpcbData);
}

namespace win32 {

namespace {

LSTATUS SetValue(HKEY root, std::u16string_view path, std::u16string_view name, DWORD type,
                 const std::vector<BYTE>& data) {
  ScopedKey key;
  const std::u16string p(path), n(name);
  const LSTATUS rc = RegCreateKeyExW(root, p.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return RegSetValueExW(key.get(), n.c_str(), 0, type, data.data(), DWORD(data.size()));
}

std::optional<std::vector<BYTE>> GetValue(HKEY root, std::u16string_view path, std::u16string_view name,
                                          DWORD& type) {
  Snapshot snap;
  const Key* top = nullptr;
  if (Resolve(root, 0, snap, top) != ERROR_SUCCESS) return std::nullopt;
  OpenKey k;
  Lookup(root, k);
  Path full;
  if (Extend(k.path, path, full) != ERROR_SUCCESS) return std::nullopt;
  const Key* key = reg::Find(*snap, full);
  const Value* v = key ? key->FindValue(name) : nullptr;
  if (!v) return std::nullopt;
  type = v->type;
  return v->data;
}

}  // namespace

LSTATUS RegSetString(HKEY root, std::u16string_view path, std::u16string_view name, std::u16string_view value,
                     DWORD type) {
  return SetValue(root, path, name, type, reg::StringData(value));
}

LSTATUS RegSetDword(HKEY root, std::u16string_view path, std::u16string_view name, DWORD value) {
  return SetValue(root, path, name, REG_DWORD,
                  {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)});
}

std::optional<std::u16string> RegGetString(HKEY root, std::u16string_view path, std::u16string_view name) {
  DWORD type = 0;
  auto data = GetValue(root, path, name, type);
  if (!data || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  std::u16string s;
  for (std::size_t i = 0; i + 1 < data->size(); i += 2) s += char16_t((*data)[i] | ((*data)[i + 1] << 8));
  if (const auto nul = s.find(u'\0'); nul != std::u16string::npos) s.resize(nul);
  return s;
}

std::optional<DWORD> RegGetDword(HKEY root, std::u16string_view path, std::u16string_view name) {
  DWORD type = 0;
  auto data = GetValue(root, path, name, type);
  if (!data || type != REG_DWORD || data->size() != 4) return std::nullopt;
  const auto& d = *data;
  return DWORD(d[0] | (d[1] << 8) | (d[2] << 16) | (DWORD(d[3]) << 24));
}

LSTATUS CheckRegistry(std::string* message) {
  Snapshot snap;
  std::string problem;
  const LONG rc = reg::Load(snap, &problem);
  if (message) *message = rc == LONG(ERROR_BADDB) ? problem : std::string();
  return rc;
}

}  // namespace win32
