// Reading the machine's JSON files (profiles, mailbox lists) strictly: a
// value of the wrong type makes the file damaged, and the error names the
// value by its place ("services[0].kind: expected a string").
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "win32/text.h"

namespace mapi::json_fields {

using nlohmann::json;

struct Damaged : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Parses a whole file's text; `what` says what the file should hold.
inline json Parse(const std::string& text, json::value_t want, const char* what) {
  json j = json::parse(text, nullptr, false);
  if (j.is_discarded()) throw Damaged("not JSON");
  if (j.type() != want) throw Damaged(std::string("expected ") + what);
  return j;
}

inline void Object(const json& v, const std::string& where) {
  if (!v.is_object()) throw Damaged(where + ": expected an object");
}

// The value at key, or null when the object has none.
inline const json* Field(const json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

// In the readers below, `where` is the object's place with a trailing '.'
// ("" at the top); an absent key gives the fallback.
inline std::string Utf8(const json& object, const char* key, const std::string& where, std::string fallback = {}) {
  const json* v = Field(object, key);
  if (!v) return fallback;
  if (!v->is_string()) throw Damaged(where + key + ": expected a string");
  return v->get<std::string>();
}

inline std::u16string Text(const json& object, const char* key, const std::string& where) {
  return win32::Utf8ToUtf16(Utf8(object, key, where));
}

inline long Integer32(const json& object, const char* key, const std::string& where) {
  const json* v = Field(object, key);
  if (!v) return 0;
  if (!v->is_number_integer()) throw Damaged(where + key + ": expected an integer");
  const bool fits = v->is_number_unsigned() ? v->get<std::uint64_t>() <= std::numeric_limits<std::int32_t>::max()
                                            : v->get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
                                                  v->get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max();
  if (!fits) throw Damaged(where + key + ": out of range");
  return static_cast<long>(v->get<std::int64_t>());
}

// The array at key; an empty one when the object has none.
inline const json& Array(const json& object, const char* key, const std::string& where) {
  static const json kEmpty = json::array();
  const json* v = Field(object, key);
  if (!v) return kEmpty;
  if (!v->is_array()) throw Damaged(where + key + ": expected an array");
  return *v;
}

inline std::string Item(const std::string& where, const char* key, std::size_t i) {
  return where + key + "[" + std::to_string(i) + "].";
}

// "<file>: <what is wrong>", as the callers report it.
inline std::string InFile(const std::filesystem::path& file, const std::string& problem) {
  return file.string() + ": " + problem;
}

// A damaged file met where no caller can take the text (a logon): the
// machine's user sees it on standard error.
inline void Report(const std::string& error) { std::fprintf(stderr, "MAPI: damaged file %s\n", error.c_str()); }

}  // namespace mapi::json_fields
