#include "pst/pst_props.h"

#include <cstring>
#include <string>
#include <vector>

#include "mapi/mapicode.h"
#include "mapi/mapitags.h"

namespace pst {
namespace {

bool IsVariable(ULONG type) {
  type &= ~MV_FLAG;
  return type == PT_STRING8 || type == PT_UNICODE || type == PT_BINARY;
}

size_t FixedSize(ULONG type) {
  switch (type & ~MV_FLAG) {
    case PT_I2: return 2;
    case PT_LONG: case PT_R4: case PT_ERROR: return 4;
    case PT_DOUBLE: case PT_CURRENCY: case PT_APPTIME: case PT_I8: case PT_SYSTIME: return 8;
    case PT_BOOLEAN: return (type & MV_FLAG) ? 0 : 1;  // stored in one byte
    case PT_CLSID: return 16;
    default: return 0;
  }
}

std::u16string Utf16(const uint8_t* p, size_t bytes) {
  std::u16string s(bytes / 2, u'\0');
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
  while (!s.empty() && s.back() == u'\0') s.pop_back();
  return s;
}

// Pieces of a multi-valued variable-size value: a count, that many 32-bit
// offsets, then the data; each piece runs to the next offset.
std::optional<std::vector<std::pair<size_t, size_t>>> Pieces(const std::vector<uint8_t>& b) {
  if (b.size() < 4) return std::nullopt;
  uint32_t n = Le32(b);
  if (n > (b.size() - 4) / 4) return std::nullopt;
  std::vector<std::pair<size_t, size_t>> out;
  for (uint32_t i = 0; i < n; ++i) {
    size_t from = Le32(b, 4 + 4 * i);
    size_t to = i + 1 < n ? Le32(b, 8 + 4 * i) : b.size();
    if (from < 4 + 4 * size_t{n} || from > to || to > b.size()) return std::nullopt;
    out.emplace_back(from, to - from);
  }
  return out;
}

mapi::Prop Fixed(ULONG tag, const std::vector<uint8_t>& b) {
  ULONG type = PROP_TYPE(tag);
  if (b.size() < FixedSize(type)) return mapi::MakeError(PROP_TAG(PT_ERROR, PROP_ID(tag)), MAPI_E_CORRUPT_DATA);
  SPropValue v{};
  v.ulPropTag = tag;
  GUID guid{};
  switch (type) {
    case PT_I2: v.Value.i = static_cast<SHORT>(Le16(b)); break;
    case PT_BOOLEAN: v.Value.b = b[0] != 0; break;
    case PT_CLSID:
      std::memcpy(&guid, b.data(), sizeof guid);
      v.Value.lpguid = &guid;
      break;
    default: std::memcpy(&v.Value, b.data(), FixedSize(type)); break;  // little-endian as stored
  }
  return mapi::DupProp(v);
}

constexpr ULONG kSubjectId = 0x0037;

// A stored subject with a prefix ("RE: ") begins with 0x01 and a character
// giving the prefix's length; the store answers the subject without them.
template <class Text>
void DropSubjectMarker(Text& s) {
  if (s.size() >= 2 && s[0] == 0x01) s.erase(0, 2);
}

mapi::Prop MultiFixed(ULONG tag, const std::vector<uint8_t>& b) {
  size_t size = FixedSize(PROP_TYPE(tag));
  if (size == 0 || b.size() % size != 0)
    return mapi::MakeError(PROP_TAG(PT_ERROR, PROP_ID(tag)), MAPI_E_CORRUPT_DATA);
  // Every fixed-size array shares the layout {ULONG count; T* values}.
  std::vector<uint8_t> copy(b);
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.MVl.cValues = static_cast<ULONG>(b.size() / size);
  v.Value.MVl.lpl = reinterpret_cast<LONG*>(copy.data());
  return mapi::DupProp(v);
}

mapi::Prop MultiVariable(ULONG tag, const std::vector<uint8_t>& b) {
  auto pieces = Pieces(b);
  ULONG error = PROP_TAG(PT_ERROR, PROP_ID(tag));
  if (!pieces) return mapi::MakeError(error, MAPI_E_CORRUPT_DATA);
  switch (PROP_TYPE(tag) & ~MV_FLAG) {
    case PT_UNICODE: {
      std::vector<std::u16string> v;
      for (auto [at, n] : *pieces) v.push_back(Utf16(b.data() + at, n));
      return mapi::MakeMvUnicode(tag, v);
    }
    case PT_STRING8: {
      std::vector<std::string> v;
      for (auto [at, n] : *pieces) v.emplace_back(reinterpret_cast<const char*>(b.data() + at), n);
      for (auto& s : v) s.erase(s.find_last_not_of('\0') + 1);
      return mapi::MakeMvString8(tag, v);
    }
    default: {
      std::vector<std::string> v;
      for (auto [at, n] : *pieces) v.emplace_back(reinterpret_cast<const char*>(b.data() + at), n);
      return mapi::MakeMvBinary(tag, v);
    }
  }
}

}  // namespace

mapi::Prop ToProp(const RawProp& raw) {
  ULONG tag = raw.tag;
  const auto& b = raw.bytes;
  switch (PROP_TYPE(tag)) {
    case PT_UNICODE: {
      std::u16string s = Utf16(b.data(), b.size());
      if (PROP_ID(tag) == kSubjectId) DropSubjectMarker(s);
      return mapi::MakeUnicode(tag, s);
    }
    case PT_STRING8: {
      std::string s(b.begin(), b.end());
      s.erase(s.find_last_not_of('\0') + 1);
      if (PROP_ID(tag) == kSubjectId) DropSubjectMarker(s);
      return mapi::MakeString8(tag, s);
    }
    case PT_BINARY: return mapi::MakeBinary(tag, b);
    case PT_OBJECT: {
      SPropValue v{};
      v.ulPropTag = tag;
      return mapi::DupProp(v);  // opened with OpenProperty
    }
    default: break;
  }
  if (PROP_TYPE(tag) & MV_FLAG) return IsVariable(PROP_TYPE(tag)) ? MultiVariable(tag, b) : MultiFixed(tag, b);
  if (FixedSize(PROP_TYPE(tag)) == 0) return mapi::MakeError(PROP_TAG(PT_ERROR, PROP_ID(tag)), MAPI_E_CORRUPT_DATA);
  return Fixed(tag, b);
}

void FillProps(const RecordSet& rs, mapi::PropMap& props, const FillOptions& options) {
  for (uint32_t tag : rs.Tags()) {
    if (tag == 0 || (options.skip && options.skip(TagId(tag)))) continue;
    if (options.maxValueBytes != SIZE_MAX && rs.SizeOf(TagId(tag)).value_or(0) > options.maxValueBytes) {
      props.Set(mapi::MakeError(PROP_TAG(PT_ERROR, TagId(tag)), MAPI_E_NOT_ENOUGH_MEMORY));
      continue;
    }
    auto raw = rs.Find(TagId(tag));
    if (!raw) continue;
    if (options.emptyCellsMissing && IsVariable(TagType(tag)) && raw->bytes.empty()) continue;
    props.Set(ToProp(*raw));
  }
}

}  // namespace pst
