#include <algorithm>

#include "registry_tree.h"

namespace win32::reg {

namespace {

// Upper case for the scripts that key names meet (Latin, Greek, Cyrillic);
// other characters compare as they are.
char16_t Fold(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return oddUpper ? char16_t((c & 1) ? c : c - 1) : char16_t(c & ~1u);
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return char16_t(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return char16_t(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
  return c;
}

constexpr std::u16string_view kRoots[] = {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE"};

template <typename K>
auto FindIn(K& key, std::u16string_view n) -> decltype(&key.subkeys[0]) {
  auto it = std::lower_bound(key.subkeys.begin(), key.subkeys.end(), n,
                             [](const Key& k, std::u16string_view v) { return CompareNoCase(k.name, v) < 0; });
  return (it != key.subkeys.end() && EqualNoCase(it->name, n)) ? &*it : nullptr;
}

template <typename K>
auto FindValueIn(K& key, std::u16string_view n) -> decltype(&key.values[0]) {
  for (auto& v : key.values)
    if (EqualNoCase(v.name, n)) return &v;
  return nullptr;
}

template <typename K>
auto FindPath(K& top, const Path& path) -> decltype(&top) {
  decltype(&top) key = &top;
  for (const auto& name : path)
    if (!(key = FindIn(*key, name))) return nullptr;
  return key;
}

}  // namespace

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::u16string_view CanonicalRoot(std::u16string_view name) {
  for (std::u16string_view r : kRoots)
    if (EqualNoCase(r, name)) return r;
  return {};
}

Key* Key::FindSubkey(std::u16string_view n) { return FindIn(*this, n); }
const Key* Key::FindSubkey(std::u16string_view n) const { return FindIn(*this, n); }

Key& Key::AddSubkey(std::u16string_view n, bool* created) {
  auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n,
                             [](const Key& k, std::u16string_view v) { return CompareNoCase(k.name, v) < 0; });
  const bool exists = it != subkeys.end() && EqualNoCase(it->name, n);
  if (created) *created = !exists;
  if (exists) return *it;
  Key k;
  k.name = std::u16string(n);
  return *subkeys.insert(it, std::move(k));
}

bool Key::RemoveSubkey(std::u16string_view n) {
  Key* k = FindSubkey(n);
  if (!k) return false;
  subkeys.erase(subkeys.begin() + (k - subkeys.data()));
  return true;
}

Value* Key::FindValue(std::u16string_view n) { return FindValueIn(*this, n); }
const Value* Key::FindValue(std::u16string_view n) const { return FindValueIn(*this, n); }

void Key::SetValue(std::u16string_view n, DWORD type, std::vector<BYTE> data) {
  Value* v = FindValue(n);
  if (!v) {
    values.push_back(Value{std::u16string(n), 0, {}});
    v = &values.back();
  }
  v->type = type;
  v->data = std::move(data);
}

bool Key::RemoveValue(std::u16string_view n) {
  Value* v = FindValue(n);
  if (!v) return false;
  values.erase(values.begin() + (v - values.data()));
  return true;
}

const Key* Find(const Key& top, const Path& path) { return FindPath(top, path); }
Key* Find(Key& top, const Path& path) { return FindPath(top, path); }

std::vector<BYTE> StringData(std::u16string_view s) {
  std::vector<BYTE> out;
  out.reserve((s.size() + 1) * 2);
  for (char16_t c : s) {
    out.push_back(BYTE(c & 0xFF));
    out.push_back(BYTE(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

}  // namespace win32::reg
