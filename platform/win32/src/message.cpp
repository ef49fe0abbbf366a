#include "win32/message.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "message_table.h"
#include "win32/errors.h"
#include "win32/text.h"

namespace {

constexpr DWORD kErrorResourceLangNotFound = 1815;
constexpr DWORD kLangNeutral = 0x00;
constexpr DWORD kLangEnglish = 0x09;

// The table is English: language 0 (any), the neutral forms (user and
// system default) and every English sublanguage find it.
bool LanguageServed(DWORD languageId) {
  const DWORD primary = languageId & 0x3FF;
  return languageId == 0 || primary == kLangNeutral || primary == kLangEnglish;
}

DWORD FailMessage(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  const SIZE_T n = std::max<SIZE_T>(uBytes, 1);
  void* p = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, n) : std::malloc(n);
  if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return p;
}

HLOCAL LocalFree(HLOCAL hMem) {
  std::free(hMem);
  return nullptr;
}

DWORD FormatMessageW(DWORD dwFlags, LPCVOID /*lpSource*/, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* /*Arguments*/) {
  const bool allocate = dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER;
  auto** allocated = reinterpret_cast<LPWSTR*>(lpBuffer);
  if (allocate && allocated) *allocated = nullptr;
  if (!lpBuffer || !(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & FORMAT_MESSAGE_FROM_STRING))
    return FailMessage(ERROR_INVALID_PARAMETER);
  if (!LanguageServed(dwLanguageId)) return FailMessage(kErrorResourceLangNotFound);
  const char16_t* text = win32::FindSystemMessage(dwMessageId);
  if (!text) return FailMessage(ERROR_MR_MID_NOT_FOUND);

  const std::size_t length = win32::WideLength(text);
  WCHAR* out = lpBuffer;
  if (allocate) {
    const std::size_t units = std::max<std::size_t>(nSize, length + 1);
    out = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, units * sizeof(WCHAR)));
    if (!out) return FailMessage(ERROR_NOT_ENOUGH_MEMORY);
    *allocated = out;
  } else if (length + 1 > nSize) {
    return FailMessage(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(out, text, (length + 1) * sizeof(WCHAR));
  return static_cast<DWORD>(length);
}

namespace win32 {

std::u16string SystemMessage(DWORD code) {
  const char16_t* text = FindSystemMessage(code);
  return text ? std::u16string(text) : std::u16string();
}

}  // namespace win32
