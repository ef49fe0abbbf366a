// The registry, kept in the machine root's registry.reg (see machine.h).
// Every call reads the file as it is now; every change is a locked
// read-modify-write that replaces the file atomically, so processes share
// one registry and a reader never sees half a file. A damaged file makes the
// calls fail with ERROR_BADDB and names the bad line on standard error.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "win32/errors.h"
#include "win32/types.h"

using REGSAM = DWORD;
using LSTATUS = LONG;
struct SECURITY_ATTRIBUTES;

// Predefined keys, with the values Windows gives them. HKEY_CLASSES_ROOT is
// a root of its own here, not a view merged from the Software\Classes keys.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000000u))))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000001u))))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000002u))))

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Access rights.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = KEY_READ;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// RegCreateKeyExW options and dispositions.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Each returns a Win32 status (ERROR_SUCCESS on success); a missing key or
// value is ERROR_FILE_NOT_FOUND, a key deleted under an open handle
// ERROR_KEY_DELETED. Keys lie at most 512 levels below their root: a deeper
// one is not created (ERROR_INVALID_PARAMETER), and registry.reg naming one
// is damaged (ERROR_BADDB).
LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                        LPDWORD lpdwDisposition);
LSTATUS RegCloseKey(HKEY hKey);
// Sizes are in bytes, strings with their terminator. lpData null: the size
// only; a buffer too small: ERROR_MORE_DATA with the size needed.
LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData);
// As above; string data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) comes in the
// ANSI code page (Windows-1252) and its size is the 8-bit size.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData);
LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData);
LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
// Deletes a key without subkeys (ERROR_ACCESS_DENIED otherwise).
LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
// Deletes a key with everything below it; a null lpSubKey empties hKey.
LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);
// Subkeys in case-insensitive order; *lpcchName is the buffer's size in
// characters on entry and the name's length on return. ERROR_NO_MORE_ITEMS
// past the last one.
LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                      LPWSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime);
// Values in the order they were first set.
LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

namespace win32 {

// Owns an open key and closes it.
class ScopedKey {
 public:
  ScopedKey() = default;
  explicit ScopedKey(HKEY h) : h_(h) {}
  ~ScopedKey() { reset(); }
  ScopedKey(ScopedKey&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  ScopedKey& operator=(ScopedKey&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  HKEY get() const { return h_; }
  // For the out argument of RegOpenKeyExW / RegCreateKeyExW.
  PHKEY put() {
    reset();
    return &h_;
  }
  HKEY release() { return std::exchange(h_, nullptr); }
  void reset() {
    if (h_) RegCloseKey(h_);
    h_ = nullptr;
  }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HKEY h_ = nullptr;
};

// Helpers for code that sets the machine up (machine init, COM server
// registration): `path` is below `root`, missing keys are created, an empty
// `name` is the key's default value.
LSTATUS RegSetString(HKEY root, std::u16string_view path, std::u16string_view name, std::u16string_view value,
                     DWORD type = REG_SZ);
LSTATUS RegSetDword(HKEY root, std::u16string_view path, std::u16string_view name, DWORD value);
// REG_SZ or REG_EXPAND_SZ text without its terminator; nothing when the key
// or value is missing or of another type.
std::optional<std::u16string> RegGetString(HKEY root, std::u16string_view path, std::u16string_view name);
std::optional<DWORD> RegGetDword(HKEY root, std::u16string_view path, std::u16string_view name);

// Whether registry.reg reads cleanly: ERROR_SUCCESS, or ERROR_BADDB with
// "<file>:<line>: <problem>" in *message.
LSTATUS CheckRegistry(std::string* message = nullptr);

}  // namespace win32
