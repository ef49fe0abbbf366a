#include "mime/charsets.h"

#include <glib.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <utility>

namespace mime {
namespace {

struct CodePageName {
  unsigned codePage;
  const char* charset;
};
// Sorted by code page.
constexpr CodePageName kCodePages[] = {
    {437, "ibm437"},         {850, "ibm850"},        {852, "ibm852"},        {866, "ibm866"},
    {874, "windows-874"},    {932, "shift_jis"},     {936, "gb2312"},        {949, "euc-kr"},
    {950, "big5"},           {1200, "utf-16le"},     {1201, "utf-16be"},     {1250, "windows-1250"},
    {1251, "windows-1251"},  {1252, "windows-1252"}, {1253, "windows-1253"}, {1254, "windows-1254"},
    {1255, "windows-1255"},  {1256, "windows-1256"}, {1257, "windows-1257"}, {1258, "windows-1258"},
    {10000, "macintosh"},    {20127, "us-ascii"},    {20866, "koi8-r"},      {20932, "euc-jp"},
    {21866, "koi8-u"},       {28591, "iso-8859-1"},  {28592, "iso-8859-2"},  {28593, "iso-8859-3"},
    {28594, "iso-8859-4"},   {28595, "iso-8859-5"},  {28596, "iso-8859-6"},  {28597, "iso-8859-7"},
    {28598, "iso-8859-8"},   {28599, "iso-8859-9"},  {28603, "iso-8859-13"}, {28605, "iso-8859-15"},
    {38598, "iso-8859-8-i"}, {50220, "iso-2022-jp"}, {50221, "iso-2022-jp"}, {50222, "iso-2022-jp"},
    {50225, "iso-2022-kr"},  {51932, "euc-jp"},      {51936, "gb2312"},      {51949, "euc-kr"},
    {52936, "hz-gb-2312"},   {54936, "gb18030"},     {65000, "utf-7"},       {65001, "utf-8"},
};

// Names iconv knows under another name, or better as a superset.
constexpr std::pair<const char*, const char*> kIconvNames[] = {
    {"gb2312", "GBK"},      {"ks_c_5601-1987", "CP949"}, {"euc-kr", "CP949"}, {"iso-8859-8-i", "ISO-8859-8"},
    {"shift_jis", "CP932"}, {"x-sjis", "CP932"},         {"big5", "CP950"},   {"us-ascii", "windows-1252"},
};

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// `what` in lower case, found in any case from `from` on.
size_t FindNoCase(std::string_view text, std::string_view what, size_t from) {
  for (size_t i = from; i + what.size() <= text.size(); ++i) {
    const char first[] = {what[0], what[0] >= 'a' && what[0] <= 'z' ? static_cast<char>(what[0] - 'a' + 'A') : what[0]};
    // A plain scan: find_first_of calls memchr for every character.
    while (i < text.size() && text[i] != first[0] && text[i] != first[1]) ++i;
    if (i + what.size() > text.size()) break;
    if (EqualNoCase(text.substr(i, what.size()), what)) return i;
  }
  return std::string_view::npos;
}

bool CharsetChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == ':';
}

// Where the charset value of the first meta element that names one stands.
std::pair<size_t, size_t> MetaCharsetSpan(std::string_view html) {
  const std::string_view head = html.substr(0, std::min<size_t>(html.size(), 4096));
  for (size_t meta = FindNoCase(head, "<meta", 0); meta != std::string_view::npos;
       meta = FindNoCase(head, "<meta", meta + 5)) {
    const size_t end = head.find('>', meta);
    const std::string_view tag = head.substr(meta, end == std::string_view::npos ? std::string_view::npos : end - meta);
    const size_t at = FindNoCase(tag, "charset", 0);
    if (at == std::string_view::npos) continue;
    size_t i = at + 7;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t')) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '"' || tag[i] == '\'')) ++i;
    size_t j = i;
    while (j < tag.size() && CharsetChar(tag[j])) ++j;
    if (j > i) return {meta + i, j - i};
  }
  return {std::string_view::npos, 0};
}

}  // namespace

std::optional<std::string_view> CharsetOfCodePage(unsigned codePage) {
  auto it = std::lower_bound(std::begin(kCodePages), std::end(kCodePages), codePage,
                             [](const CodePageName& e, unsigned cp) { return e.codePage < cp; });
  if (it == std::end(kCodePages) || it->codePage != codePage) return std::nullopt;
  return it->charset;
}

bool IsValidUtf8(std::string_view bytes) {
  return g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr);
}

std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset) {
  std::string name(charset);
  if (EqualNoCase(name, "utf-8") || EqualNoCase(name, "utf8")) {
    if (!IsValidUtf8(bytes)) return std::nullopt;
    return std::string(bytes);
  }
  for (const auto& [mime, iconv] : kIconvNames)
    if (EqualNoCase(name, mime)) name = iconv;
  gsize written = 0;
  std::unique_ptr<gchar, GFreeDeleter> out(
      g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", name.c_str(), nullptr, &written, nullptr));
  if (!out) return std::nullopt;
  return std::string(out.get(), written);
}

std::string HtmlMetaCharset(std::string_view html) {
  auto [at, length] = MetaCharsetSpan(html);
  return at == std::string_view::npos ? std::string() : std::string(html.substr(at, length));
}

std::string WithHtmlMetaCharset(std::string html, std::string_view charset) {
  auto [at, length] = MetaCharsetSpan(html);
  if (at != std::string_view::npos && !EqualNoCase(std::string_view(html).substr(at, length), charset))
    html.replace(at, length, charset);
  return html;
}

}  // namespace mime
