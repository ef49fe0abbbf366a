#include "controller/TextWidth.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace controller {

namespace {

struct Range {
  char32_t first, last;
};

// Combining marks, joiners, variation selectors and other characters that
// take no column of their own.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD},   {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0E31, 0x0E31},
    {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1160, 0x11FF},   {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x202A, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF},   {0x302A, 0x302D}, {0x3099, 0x309A}, {0xFE00, 0xFE0F},
    {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// East Asian wide and fullwidth characters: Hangul, CJK, kana, fullwidth
// forms, and the emoji that terminals draw two columns wide.
constexpr Range kDoubleWidth[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x23F0, 0x23F0},
    {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},   {0x26AA, 0x26AB},
    {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},
    {0x26F2, 0x26F5},   {0x26FA, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},
    {0x274C, 0x274C},   {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},
    {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x303E},
    {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},
    {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4}, {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004},
    {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F251}, {0x1F300, 0x1F320},
    {0x1F32D, 0x1F335}, {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3},
    {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E}, {0x1F440, 0x1F440}, {0x1F442, 0x1F4FC},
    {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E}, {0x1F550, 0x1F567}, {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596},
    {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F}, {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2},
    {0x1F6D5, 0x1F6D7}, {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC}, {0x1F7E0, 0x1F7EB}, {0x1F90C, 0x1F93A},
    {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <std::size_t N>
bool In(const Range (&table)[N], char32_t c) {
  const auto* it = std::upper_bound(std::begin(table), std::end(table), c,
                                    [](char32_t value, const Range& r) { return value < r.first; });
  return it != std::begin(table) && c <= std::prev(it)->last;
}

// The length of the character at the start of `text` (1 for a byte that
// starts none), and its code point.
std::size_t Decode(std::string_view text, char32_t& c) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = lead < 0x80                   ? 1
                       : lead >= 0xC2 && lead < 0xE0 ? 2
                       : lead >= 0xE0 && lead < 0xF0 ? 3
                       : lead >= 0xF0 && lead < 0xF5 ? 4
                                                     : 0;
  if (length == 0 || length > text.size()) return c = 0xFFFD, 1;
  c = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return c = 0xFFFD, 1;
    c = c << 6 | (byte(i) & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return c = 0xFFFD, 1;
  return length;
}

std::size_t Columns(char32_t c) {
  if (In(kZeroWidth, c)) return 0;
  return In(kDoubleWidth, c) ? 2 : 1;
}

// Where each character starts, and the columns it takes.
struct Character {
  std::size_t at, columns;
};
std::vector<Character> Characters(std::string_view text) {
  std::vector<Character> characters;
  for (std::size_t at = 0; at < text.size();) {
    char32_t c;
    const std::size_t length = Decode(text.substr(at), c);
    characters.push_back({at, Columns(c)});
    at += length;
  }
  return characters;
}

}  // namespace

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (const Character& c : Characters(utf8)) width += c.columns;
  return width;
}

std::string HeadWithin(std::string_view utf8, std::size_t width) {
  std::size_t used = 0;
  for (const Character& c : Characters(utf8)) {
    if (used + c.columns > width) return std::string(utf8.substr(0, c.at));
    used += c.columns;
  }
  return std::string(utf8);
}

std::string TailWithin(std::string_view utf8, std::size_t width) {
  if (DisplayWidth(utf8) <= width) return std::string(utf8);
  constexpr std::string_view kEllipsis = "...";
  if (width < kEllipsis.size()) return std::string(kEllipsis.substr(0, width));
  const std::vector<Character> characters = Characters(utf8);
  std::size_t used = kEllipsis.size(), from = utf8.size();
  // Zero-width characters stay with the one they follow.
  for (auto c = characters.rbegin(); c != characters.rend() && used + c->columns <= width; ++c) {
    if (c->columns > 0) from = c->at;
    used += c->columns;
  }
  return std::string(kEllipsis) + std::string(utf8.substr(from));
}

std::string Printable(std::string_view utf8) {
  std::string text;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t c;
    const std::size_t length = Decode(utf8.substr(at), c);
    const bool invalid = length == 1 && c == 0xFFFD;
    const bool control = invalid || c < 0x20 || (c >= 0x7F && c < 0xA0);
    text += control ? std::string_view("?") : utf8.substr(at, length);
    at += length;
  }
  return text;
}

std::string PadRight(std::string_view utf8, std::size_t width) {
  const std::size_t has = DisplayWidth(utf8);
  return std::string(utf8) + std::string(width > has ? width - has : 0, ' ');
}

std::string PadLeft(std::string_view utf8, std::size_t width) {
  const std::size_t has = DisplayWidth(utf8);
  return std::string(width > has ? width - has : 0, ' ') + std::string(utf8);
}

}  // namespace controller
