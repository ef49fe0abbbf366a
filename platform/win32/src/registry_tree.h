// The registry in memory: a tree of keys holding typed values, and its
// registry.reg text form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace win32::reg {

struct Value {
  std::u16string name;  // empty: the key's default value
  DWORD type = 0;
  std::vector<BYTE> data;
};

struct Key {
  std::u16string name;        // kept in its first spelling
  std::vector<Value> values;  // in the order they were first set
  std::vector<Key> subkeys;   // sorted case-insensitively, as Windows enumerates them

  Key* FindSubkey(std::u16string_view n);
  const Key* FindSubkey(std::u16string_view n) const;
  Key& AddSubkey(std::u16string_view n, bool* created);
  bool RemoveSubkey(std::u16string_view n);
  Value* FindValue(std::u16string_view n);
  const Value* FindValue(std::u16string_view n) const;
  void SetValue(std::u16string_view n, DWORD type, std::vector<BYTE> data);
  bool RemoveValue(std::u16string_view n);
};

// Key names from the top: the root's name ("HKEY_LOCAL_MACHINE") first.
using Path = std::vector<std::u16string>;

// Levels of keys a root may hold, as on Windows. The tree is copied and
// freed recursively, so no key may lie deeper.
constexpr std::size_t kMaxKeyDepth = 512;

// Registry names compare without regard to case.
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
int CompareNoCase(std::u16string_view a, std::u16string_view b);

// The roots the file may name, in their canonical spelling; empty when
// `name` is none of them.
std::u16string_view CanonicalRoot(std::u16string_view name);

const Key* Find(const Key& top, const Path& path);
Key* Find(Key& top, const Path& path);

struct ParseError {
  int line = 0;
  std::string message;
};

// registry.reg bytes (UTF-8, or UTF-16LE with its byte-order mark) into
// `top`; false with the first bad line in `error`.
bool Parse(std::string_view bytes, Key& top, ParseError& error);
// The tree as registry.reg text (UTF-8).
std::string Format(const Key& top);

// REG_SZ data as Windows stores it: UTF-16LE with the terminator.
std::vector<BYTE> StringData(std::u16string_view s);

}  // namespace win32::reg
