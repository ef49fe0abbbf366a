// GUIDs: random generation, the braced text form, and GUID constants that
// later modules write in code (class and interface identifiers).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "win32/types.h"

// A version 4 (random) GUID with the 10xx variant.
HRESULT CoCreateGuid(GUID* pguid);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex. Returns 39 (the
// characters with the terminator), or 0 when cchMax is below that.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
// Braced form only (class names are looked up by the COM layer). Malformed
// text gives CO_E_CLASSSTRING (CLSID) or E_INVALIDARG (IID) and GUID_NULL;
// a null text gives GUID_NULL and S_OK.
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid);

namespace win32 {

namespace detail {
template <class Char>
constexpr int HexValue(Char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", braced or not, either case.
template <class Char>
constexpr bool ParseGuidText(std::basic_string_view<Char> s, GUID& g) {
  if (s.size() == 38) {
    if (s.front() != '{' || s.back() != '}') return false;
    s = s.substr(1, 36);
  }
  if (s.size() != 36) return false;
  std::uint8_t b[16] = {};
  int k = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (s[i++] != '-') return false;
      continue;
    }
    const int hi = HexValue(s[i]), lo = HexValue(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    b[k++] = static_cast<std::uint8_t>(hi * 16 + lo);
    i += 2;
  }
  g.Data1 = DWORD(b[0]) << 24 | DWORD(b[1]) << 16 | DWORD(b[2]) << 8 | b[3];
  g.Data2 = static_cast<WORD>(b[4] << 8 | b[5]);
  g.Data3 = static_cast<WORD>(b[6] << 8 | b[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = b[8 + i];
  return true;
}
}  // namespace detail

// A GUID constant from its text; malformed text does not compile:
//   constexpr IID IID_IUnknown = win32::GuidLiteral("00000000-0000-0000-C000-000000000046");
consteval GUID GuidLiteral(std::string_view text) {
  GUID g{};
  if (!detail::ParseGuidText(text, g)) throw "malformed GUID literal";
  return g;
}

std::u16string GuidToString(const GUID& g);
// Braced or bare form; false (and g unchanged) for anything else.
bool ParseGuid(std::u16string_view text, GUID& g);

// Orders GUIDs for use as map keys.
struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const noexcept;
};

}  // namespace win32

// GUID constants in the Windows way of writing them.
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
