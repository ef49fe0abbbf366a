// Small helpers to make and find encoded property values inside the writer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bytes.h"
#include "pstgen/description.h"

namespace pstgen {

inline Bytes LongValue(std::int32_t v) {
  Bytes b;
  Append<std::uint32_t>(b, std::uint32_t(v));
  return b;
}

inline Bytes BoolValue(bool v) { return Bytes{std::uint8_t(v ? 1 : 0)}; }

inline Bytes Utf16Value(const std::u16string& s) {
  Bytes b;
  for (char16_t c : s) Append<std::uint16_t>(b, std::uint16_t(c));
  return b;
}

inline std::u16string Utf16FromValue(const Bytes& b) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < b.size(); i += 2) s.push_back(char16_t(b[i] | b[i + 1] << 8));
  return s;
}

inline const Property* FindProp(const std::vector<Property>& props, ULONG tag) {
  for (auto it = props.rbegin(); it != props.rend(); ++it)
    if (it->tag == tag) return &*it;
  return nullptr;
}

inline std::optional<std::int32_t> FindLong(const std::vector<Property>& props, ULONG tag) {
  const Property* p = FindProp(props, tag);
  if (!p || p->value.size() < 4) return std::nullopt;
  return std::int32_t(GetAt<std::uint32_t>(p->value, 0));
}

// Sets the property unless the list already has it.
inline void SetDefault(std::vector<Property>& props, ULONG tag, Bytes value) {
  if (!FindProp(props, tag)) props.push_back({tag, std::move(value)});
}

inline void SetOrReplace(std::vector<Property>& props, ULONG tag, Bytes value) {
  std::erase_if(props, [&](const Property& p) { return p.tag == tag; });
  props.push_back({tag, std::move(value)});
}

}  // namespace pstgen
