#include "file_strings.h"

#include <cstdio>

#include "bytes.h"
#include "mapi/mapitags.h"
#include "mapi/tagnames.h"
#include "pstgen/values.h"
#include "win32/text.h"

namespace pstgen {
namespace {

Bytes Narrow(const std::uint8_t* utf16, std::size_t size) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < size; i += 2) s.push_back(char16_t(utf16[i] | utf16[i + 1] << 8));
  return EncodeCodePage(win32::Utf16ToUtf8(s), kAnsiCodePage);
}

// Count, offsets from the value's start, then the pieces one after another.
Bytes NarrowMulti(const Bytes& v) {
  if (v.size() < 4) return v;
  std::uint32_t n = GetAt<std::uint32_t>(v, 0);
  if (n > (v.size() - 4) / 4) return v;  // not the layout pstgen writes: kept as it is
  std::vector<Bytes> pieces;
  for (std::uint32_t i = 0; i < n; ++i) {
    std::size_t from = GetAt<std::uint32_t>(v, 4 + 4 * i);
    std::size_t to = i + 1 < n ? GetAt<std::uint32_t>(v, 8 + 4 * i) : v.size();
    if (from > to || to > v.size()) return v;
    pieces.push_back(Narrow(v.data() + from, to - from));
  }
  Bytes out;
  Append<std::uint32_t>(out, n);
  std::uint32_t at = 4 + 4 * n;
  for (const Bytes& p : pieces) Append<std::uint32_t>(out, at), at += std::uint32_t(p.size());
  for (const Bytes& p : pieces) AppendBytes(out, p);
  return out;
}

}  // namespace

ULONG FileTag(const FormatLayout& f, ULONG tag) {
  if (!f.ansi()) return tag;
  if (PROP_TYPE(tag) == PT_UNICODE) return CHANGE_PROP_TYPE(tag, PT_STRING8);
  if (PROP_TYPE(tag) == PT_MV_UNICODE) return CHANGE_PROP_TYPE(tag, PT_MV_STRING8);
  return tag;
}

std::vector<Property> NarrowStrings(const std::vector<Property>& props) {
  std::vector<Property> out;
  out.reserve(props.size());
  for (const Property& p : props) {
    ULONG type = PROP_TYPE(p.tag);
    if (type != PT_UNICODE && type != PT_MV_UNICODE) {
      out.push_back(p);
      continue;
    }
    try {
      Bytes v = type == PT_UNICODE ? Narrow(p.value.data(), p.value.size()) : NarrowMulti(p.value);
      out.push_back({FileTag(kAnsiLayout, p.tag), std::move(v)});
    } catch (const DescriptionError& e) {
      std::string name(mapi::NameFromTag(p.tag));
      char tag[16];
      std::snprintf(tag, sizeof tag, "0x%08X", unsigned(p.tag));
      throw DescriptionError((name.empty() ? std::string(tag) : name) + ": " + e.what() + " (an ANSI file)");
    }
  }
  return out;
}

}  // namespace pstgen
