#include <cstdlib>
#include <cstring>

#include "com/variant.h"

namespace {

// Prefix, characters, then a two-byte NUL (one more byte for odd lengths).
BSTR Allocate(const void* src, UINT bytes) {
  if (bytes > 0x7FFFFFF0u) return nullptr;
  auto* block = static_cast<BYTE*>(std::malloc(sizeof(DWORD) + bytes + 3));
  if (!block) return nullptr;
  const DWORD len = bytes;
  std::memcpy(block, &len, sizeof len);
  if (src)
    std::memcpy(block + sizeof len, src, bytes);
  else
    std::memset(block + sizeof len, 0, bytes);
  std::memset(block + sizeof len + bytes, 0, 3);
  return reinterpret_cast<BSTR>(block + sizeof len);
}

BYTE* BlockOf(BSTR b) { return reinterpret_cast<BYTE*>(b) - sizeof(DWORD); }

UINT WideLen(const OLECHAR* s) {
  UINT n = 0;
  while (s[n]) ++n;
  return n;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) { return psz ? SysAllocStringLen(psz, WideLen(psz)) : nullptr; }

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
  if (cch > 0x3FFFFFF0u) return nullptr;
  return Allocate(pch, cch * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) { return Allocate(psz, len); }

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT cch) {
  if (!pbstr) return FALSE;
  BSTR fresh = SysAllocStringLen(psz, cch);  // psz may point into *pbstr
  if (!fresh) return FALSE;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return TRUE;
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  return psz ? SysReAllocStringLen(pbstr, psz, WideLen(psz)) : SysReAllocStringLen(pbstr, nullptr, 0);
}

void SysFreeString(BSTR bstr) {
  if (bstr) std::free(BlockOf(bstr));
}

UINT SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  DWORD len;
  std::memcpy(&len, BlockOf(bstr), sizeof len);
  return len;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

namespace com {

Bstr::Bstr(std::u16string_view s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}

Bstr& Bstr::operator=(Bstr&& o) noexcept {
  if (this != &o) {
    SysFreeString(b_);
    b_ = o.Detach();
  }
  return *this;
}

BSTR* Bstr::ReleaseAndGetAddressOf() {
  SysFreeString(b_);
  b_ = nullptr;
  return &b_;
}

}  // namespace com
