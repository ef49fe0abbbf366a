#include "reference_values.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "mapi/mapitags.h"

namespace pstgen_test {
namespace {

// A string as far as its first terminator, as a MAPI string value holds it.
Bytes CutString(ULONG base, const std::uint8_t* p, std::size_t n) {
  std::size_t end = n;
  if (base == PT_UNICODE) {
    end = n - n % 2;
    for (std::size_t i = 0; i + 1 < n; i += 2)
      if (!p[i] && !p[i + 1]) {
        end = i;
        break;
      }
  } else if (base == PT_STRING8) {
    end = std::find(p, p + n, 0) - p;
  }
  return Bytes(p, p + end);
}

Bytes WideBytes(const WCHAR* s) {
  Bytes out;
  for (; s && *s; ++s) out.push_back(std::uint8_t(*s)), out.push_back(std::uint8_t(*s >> 8));
  return out;
}
Bytes NarrowBytes(const char* s) { return s ? Bytes(s, s + std::strlen(s)) : Bytes(); }

}  // namespace

std::string Hex(const Bytes& b) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < b.size() && i < 40; ++i) s += digits[b[i] >> 4], s += digits[b[i] & 15];
  if (b.size() > 40) s += "... (" + std::to_string(b.size()) + " bytes, sha256 " + Sha256(b).substr(0, 16) + ")";
  return s.empty() ? "(empty)" : s;
}

std::string TagText(std::uint32_t tag) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", tag);
  return buf;
}

std::size_t FixedSize(ULONG base) {
  switch (base) {
    case PT_I2: return 2;
    case PT_LONG: case PT_R4: case PT_ERROR: return 4;
    case PT_DOUBLE: case PT_CURRENCY: case PT_APPTIME: case PT_I8: case PT_SYSTIME: return 8;
    case PT_CLSID: return 16;
    default: return 0;
  }
}

bool IsVariable(ULONG type) {
  type &= ~MV_FLAG;
  return type == PT_STRING8 || type == PT_UNICODE || type == PT_BINARY;
}

void PutLe32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}
std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return at + 4 > b.size() ? 0 : std::uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24);
}

Bytes FromStored(std::uint32_t tag, const Bytes& b) {
  const ULONG type = tag & 0xFFFF, base = type & ~MV_FLAG;
  if (type == PT_OBJECT) return {};
  if (!(type & MV_FLAG)) {
    if (base == PT_BOOLEAN) return {std::uint8_t(!b.empty() && b[0] != 0)};
    if (std::size_t n = FixedSize(base)) {
      Bytes out(b.begin(), b.begin() + std::min(n, b.size()));
      out.resize(n);
      return out;
    }
    return CutString(base, b.data(), b.size());
  }
  if (FixedSize(base)) return b;
  const Bytes bad = {'?'};
  if (b.size() < 4) return bad;
  const std::uint32_t n = Le32(b, 0);
  if (n > (b.size() - 4) / 4) return bad;
  Bytes out;
  PutLe32(out, n);
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::size_t from = Le32(b, 4 + 4 * i), to = i + 1 < n ? Le32(b, 8 + 4 * i) : b.size();
    if (from > to || to > b.size()) return bad;
    const Bytes piece = CutString(base, b.data() + from, to - from);
    PutLe32(out, std::uint32_t(piece.size()));
    out.insert(out.end(), piece.begin(), piece.end());
  }
  return out;
}

Bytes Raw(const void* p, std::size_t n) {
  const auto* c = static_cast<const std::uint8_t*>(p);
  return c ? Bytes(c, c + n) : Bytes(n);
}
Bytes FromMapi(const SPropValue& v) {
  const ULONG type = PROP_TYPE(v.ulPropTag), base = type & ~MV_FLAG;
  if (!(type & MV_FLAG)) {
    switch (type) {
      case PT_I2: return Raw(&v.Value.i, 2);
      case PT_LONG: return Raw(&v.Value.l, 4);
      case PT_R4: return Raw(&v.Value.flt, 4);
      case PT_ERROR: return Raw(&v.Value.err, 4);
      case PT_BOOLEAN: return {std::uint8_t(v.Value.b != 0)};
      case PT_CLSID: return Raw(v.Value.lpguid, 16);
      case PT_UNICODE: return WideBytes(v.Value.lpszW);
      case PT_STRING8: return NarrowBytes(v.Value.lpszA);
      case PT_BINARY: return Raw(v.Value.bin.lpb, v.Value.bin.cb);
      case PT_OBJECT: return {};
      default: return Raw(&v.Value.li, 8);
    }
  }
  const ULONG count = v.Value.MVl.cValues;
  if (std::size_t n = FixedSize(base)) return Raw(v.Value.MVl.lpl, n * count);
  Bytes out;
  PutLe32(out, count);
  for (ULONG i = 0; i < count; ++i) {
    const Bytes piece = base == PT_UNICODE  ? WideBytes(v.Value.MVszW.lppszW[i])
                        : base == PT_STRING8 ? NarrowBytes(v.Value.MVszA.lppszA[i])
                                             : Raw(v.Value.MVbin.lpbin[i].lpb, v.Value.MVbin.lpbin[i].cb);
    PutLe32(out, std::uint32_t(piece.size()));
    out.insert(out.end(), piece.begin(), piece.end());
  }
  return out;
}

}  // namespace pstgen_test
