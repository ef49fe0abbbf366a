// UTF-8 <-> UTF-16 conversion at the edges of the system (file names, the
// command line, environment, libraries that speak UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "win32/types.h"

namespace win32 {

// Malformed input becomes U+FFFD; the conversions never fail.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// Length of a NUL-terminated UTF-16 string (0 for nullptr).
std::size_t WideLength(const WCHAR* s) noexcept;
// View of a NUL-terminated UTF-16 string (empty for nullptr).
inline std::u16string_view WideView(const WCHAR* s) noexcept { return {s ? s : u"", WideLength(s)}; }
// Text of a fixed-capacity field: up to the first NUL, never past `capacity`.
std::u16string_view WideField(const WCHAR* s, std::size_t capacity) noexcept;
std::string_view NarrowField(const char* s, std::size_t capacity) noexcept;

}  // namespace win32
