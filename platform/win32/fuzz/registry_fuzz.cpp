// libFuzzer target: registry.reg files. Any bytes either parse or name a
// bad line; a file that parses is written back unchanged by what it read
// (its text form parses to the same tree), and the registry functions over
// it, as the machine's programs call them, give exactly the keys and values
// of that tree. A value set then leaves a file that still reads.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "registry_tree.h"
#include "testing/fuzz.h"
#include "win32/machine.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace {

namespace reg = win32::reg;
namespace fs = std::filesystem;

// Keys and values compared through the functions, at most: a deep or wide
// file is read whole by the parser anyway.
constexpr int kMaxKeysWalked = 300;

// Names that a caller can pass: a NUL ends them, and the functions refuse
// line breaks, which a hand-edited file may still hold inside a name.
bool Nameable(std::u16string_view s) { return s.find_first_of(u"\r\n\0", 0, 3) == std::u16string_view::npos; }

// Replaces registry.reg as a write by another process would (a new file).
void PutFile(std::string_view bytes) {
  const fs::path file = win32::RegistryFile();
  const fs::path next = file.string() + ".next";
  {
    std::ofstream out(next, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  fs::rename(next, file);
}

// The value through RegQueryValueExW: size first, then the bytes.
void CheckQuery(HKEY key, const reg::Value& value) {
  DWORD type = 0, size = 0;
  FUZZ_CHECK(RegQueryValueExW(key, value.name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS);
  FUZZ_CHECK(type == value.type && size == value.data.size());
  std::vector<BYTE> data(size + 1);
  if (size > 0) {
    DWORD small = size - 1;
    FUZZ_CHECK(RegQueryValueExW(key, value.name.c_str(), nullptr, &type, data.data(), &small) == ERROR_MORE_DATA);
    FUZZ_CHECK(small == size);
  }
  DWORD got = static_cast<DWORD>(data.size());
  FUZZ_CHECK(RegQueryValueExW(key, value.name.c_str(), nullptr, &type, data.data(), &got) == ERROR_SUCCESS);
  FUZZ_CHECK(got == size && std::equal(value.data.begin(), value.data.end(), data.begin()));
  // The 8-bit form only has to answer (its text is converted).
  DWORD ansiSize = 0;
  const std::string ansiName = win32::Utf16ToUtf8(value.name);
  RegQueryValueExA(key, ansiName.c_str(), nullptr, &type, nullptr, &ansiSize);
}

// The open key's values and subkeys against the tree's key.
void Walk(HKEY handle, const reg::Key& key, int& budget) {
  if (--budget < 0) return;
  std::vector<char16_t> name(32768);
  std::vector<BYTE> data(70000);
  for (DWORD i = 0;; ++i) {
    DWORD cch = static_cast<DWORD>(name.size()), type = 0, cb = static_cast<DWORD>(data.size());
    const LSTATUS rc = RegEnumValueW(handle, i, name.data(), &cch, nullptr, &type, data.data(), &cb);
    if (i == key.values.size()) {
      FUZZ_CHECK(rc == ERROR_NO_MORE_ITEMS);
      break;
    }
    const reg::Value& v = key.values[i];
    if (v.name.size() >= name.size() || v.data.size() > data.size()) continue;
    FUZZ_CHECK(rc == ERROR_SUCCESS);
    FUZZ_CHECK(std::u16string_view(name.data(), cch) == v.name && type == v.type);
    FUZZ_CHECK(cb == v.data.size() && std::equal(v.data.begin(), v.data.end(), data.begin()));
    if (Nameable(v.name)) CheckQuery(handle, v);
  }
  for (DWORD i = 0;; ++i) {
    DWORD cch = static_cast<DWORD>(name.size());
    const LSTATUS rc = RegEnumKeyExW(handle, i, name.data(), &cch, nullptr, nullptr, nullptr, nullptr);
    if (i == key.subkeys.size()) {
      FUZZ_CHECK(rc == ERROR_NO_MORE_ITEMS);
      break;
    }
    const reg::Key& sub = key.subkeys[i];
    if (sub.name.size() >= name.size()) continue;
    FUZZ_CHECK(rc == ERROR_SUCCESS && std::u16string_view(name.data(), cch) == sub.name);
    if (!Nameable(sub.name) || budget <= 0) continue;
    win32::ScopedKey child;
    FUZZ_CHECK(RegOpenKeyExW(handle, sub.name.c_str(), 0, KEY_READ, child.put()) == ERROR_SUCCESS);
    Walk(child.get(), sub, budget);
  }
}

HKEY RootHandle(std::u16string_view name) {
  if (name == u"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (name == u"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  return HKEY_LOCAL_MACHINE;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testing_support::FuzzMachine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  reg::Key tree;
  reg::ParseError error;
  if (!reg::Parse(bytes, tree, error)) {
    FUZZ_CHECK(error.line > 0 && !error.message.empty());
    return 0;
  }
  // Written back, the tree reads the same.
  const std::string text = reg::Format(tree);
  reg::Key again;
  FUZZ_CHECK(reg::Parse(text, again, error));
  FUZZ_CHECK(reg::Format(again) == text);

  PutFile(bytes);
  int budget = kMaxKeysWalked;
  for (const reg::Key& root : tree.subkeys) Walk(RootHandle(root.name), root, budget);

  // A change rewrites the file, which still reads, with the new value in it.
  const BYTE one[] = {1, 0, 0, 0};
  FUZZ_CHECK(RegSetValueExW(HKEY_CURRENT_USER, u"Fuzz", 0, REG_DWORD, one, sizeof one) == ERROR_SUCCESS);
  std::string problem;
  FUZZ_CHECK(win32::CheckRegistry(&problem) == ERROR_SUCCESS);
  FUZZ_CHECK(win32::RegGetDword(HKEY_CURRENT_USER, u"", u"Fuzz") == 1u);
  return 0;
}
