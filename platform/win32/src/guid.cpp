#include "win32/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <tuple>

#include "win32/errors.h"
#include "win32/text.h"

namespace {

// Fills buf from the kernel's random source; errno on failure.
bool RandomBytes(void* buf, std::size_t n) {
  auto* p = static_cast<unsigned char*>(buf);
  while (n > 0) {
    const ssize_t got = ::getrandom(p, n, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

constexpr std::size_t kBracedLength = 38;

HRESULT FromBracedText(LPCOLESTR text, GUID* out, HRESULT malformed) {
  if (!out) return E_INVALIDARG;
  *out = GUID_NULL;
  if (!text) return S_OK;
  const std::u16string_view s = win32::WideView(text);
  if (s.size() != kBracedLength || !win32::detail::ParseGuidText(s, *out)) {
    *out = GUID_NULL;
    return malformed;
  }
  return S_OK;
}

}  // namespace

HRESULT CoCreateGuid(GUID* pguid) {
  if (!pguid) return E_INVALIDARG;
  unsigned char b[16];
  if (!RandomBytes(b, sizeof b)) return HRESULT_FROM_WIN32(win32::ErrorFromErrno(errno));
  std::memcpy(pguid, b, sizeof b);
  pguid->Data3 = static_cast<WORD>((pguid->Data3 & 0x0FFF) | 0x4000);
  pguid->Data4[0] = static_cast<BYTE>((pguid->Data4[0] & 0x3F) | 0x80);
  return S_OK;
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  const std::u16string text = win32::GuidToString(rguid);
  const int needed = static_cast<int>(text.size()) + 1;
  if (!lpsz || cchMax < needed) return 0;
  std::memcpy(lpsz, text.c_str(), needed * sizeof(OLECHAR));
  return needed;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) { return FromBracedText(lpsz, pclsid, CO_E_CLASSSTRING); }

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid) { return FromBracedText(lpsz, lpiid, E_INVALIDARG); }

namespace win32 {

std::u16string GuidToString(const GUID& g) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::u16string s;
  s.reserve(kBracedLength);
  auto put = [&s](unsigned long v, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) s += static_cast<char16_t>(kHex[(v >> shift) & 0xF]);
  };
  s += u'{';
  put(g.Data1, 8);
  s += u'-';
  put(g.Data2, 4);
  s += u'-';
  put(g.Data3, 4);
  s += u'-';
  for (int i = 0; i < 8; ++i) {
    if (i == 2) s += u'-';
    put(g.Data4[i], 2);
  }
  s += u'}';
  return s;
}

bool ParseGuid(std::u16string_view text, GUID& g) {
  GUID parsed{};
  if (!detail::ParseGuidText(text, parsed)) return false;
  g = parsed;
  return true;
}

bool GuidLess::operator()(const GUID& a, const GUID& b) const noexcept {
  return std::tie(a.Data1, a.Data2, a.Data3) < std::tie(b.Data1, b.Data2, b.Data3) ||
         (std::tie(a.Data1, a.Data2, a.Data3) == std::tie(b.Data1, b.Data2, b.Data3) &&
          std::memcmp(a.Data4, b.Data4, sizeof a.Data4) < 0);
}

}  // namespace win32
