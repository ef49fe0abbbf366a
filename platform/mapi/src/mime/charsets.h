// Windows code pages by their MIME charset names, and text conversion
// between them and UTF-8 (through GLib's iconv).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mime {

// The MIME charset name of a Windows code page ("windows-1252",
// "iso-2022-jp"); nullopt for a code page without one.
std::optional<std::string_view> CharsetOfCodePage(unsigned codePage);

// The bytes in the named charset as UTF-8; nullopt when the charset is
// unknown or the bytes are not text in it.
std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset);

bool IsValidUtf8(std::string_view bytes);

// The charset an HTML document names for itself in a meta element
// (<meta charset=...> or the content type of http-equiv), searched in its
// first 4 KB; empty when it names none.
std::string HtmlMetaCharset(std::string_view html);

// The document with the charset its meta element names replaced by
// `charset`, when it names another one; otherwise unchanged.
std::string WithHtmlMetaCharset(std::string html, std::string_view charset);

}  // namespace mime
