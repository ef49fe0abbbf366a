// UTF-8 and UTF-16 code points, shared by the text helpers and the code
// page conversions so that both treat ill-formed input alike.
#pragma once

#include <string>
#include <string_view>

namespace win32::unicode {

constexpr char32_t kReplacement = 0xFFFD;
constexpr long kIllFormed = -1;

// The code point at s[i]; advances i. An ill-formed sequence gives
// kIllFormed and advances past its maximal subpart, so each bad run
// becomes one replacement character.
long NextUtf8(std::string_view s, std::size_t& i);

// The code point at s[i]; advances i. A lone surrogate gives kIllFormed.
long NextUtf16(std::u16string_view s, std::size_t& i);

void AppendUtf8(std::string& out, long c);
void AppendUtf16(std::u16string& out, long c);

}  // namespace win32::unicode
