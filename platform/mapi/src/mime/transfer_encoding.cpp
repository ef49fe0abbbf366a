#include "mime/transfer_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace mime {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBase64LineBytes = 57;  // 76 characters a line
constexpr size_t kQpLine = 76;
constexpr size_t kMaxSevenBitLine = 998;
constexpr char kHex[] = "0123456789ABCDEF";

// The two characters of every 12 bits: half the lookups of one a character.
constexpr std::array<std::array<char, 2>, 4096> MakePairs() {
  std::array<std::array<char, 2>, 4096> t{};
  for (size_t i = 0; i < t.size(); ++i) t[i] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
  return t;
}
constexpr auto kPairs = MakePairs();

bool EndsWithCrlf(std::string_view s) { return s.size() >= 2 && s[s.size() - 2] == '\r' && s.back() == '\n'; }

// Printable ASCII but "=": quoted-printable keeps it wherever it stands.
bool Printable(unsigned char c) { return c >= 33 && c <= 126 && c != '='; }

// A line that starts with "From " (mbox readers would mangle it).
bool StartsWithFrom(std::string_view line) { return line.substr(0, 5) == "From "; }

}  // namespace

const char* EncodingName(Encoding e) {
  switch (e) {
    case Encoding::SevenBit:
      return "7bit";
    case Encoding::QuotedPrintable:
      return "quoted-printable";
    case Encoding::Base64:
      return "base64";
  }
  return "7bit";
}

std::string CanonicalLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  // Whole lines are appended at once: only their ends are looked at.
  for (size_t i = 0; i < text.size();) {
    size_t end = i;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    out.append(text.substr(i, end - i));
    if (end == text.size()) break;
    out += "\r\n";
    i = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return out;
}

Encoding TextEncoding(std::string_view text) {
  size_t high = 0, line = 0, longest = 0;
  bool control = false, from = StartsWithFrom(text);
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {  // the common case, first
      ++line;
      continue;
    }
    if (c == '\n') {
      longest = std::max(longest, line);
      line = 0;
      from = from || StartsWithFrom(text.substr(i + 1, 5));
      continue;
    }
    if (c != '\r') ++line;
    if (c >= 0x80)
      ++high;
    else if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7F)
      control = true;
  }
  longest = std::max(longest, line);
  if (high > 0 && high * 100 >= text.size() * 17) return Encoding::Base64;
  if (high > 0 || control || from || longest > kMaxSevenBitLine || (!text.empty() && !EndsWithCrlf(text)) ||
      text.find("=_") != std::string_view::npos)
    return Encoding::QuotedPrintable;
  return Encoding::SevenBit;
}

void AppendBase64(std::string& out, std::string_view data) {
  // Encoded a block of lines at a time on the stack and appended: the
  // output never passes through zero-filled memory.
  constexpr size_t kLinesPerBlock = 64;
  char block[kLinesPerBlock * 78];
  const auto* in = reinterpret_cast<const std::uint8_t*>(data.data());
  out.reserve(out.size() + (data.size() + 2) / 3 * 4 + 2 * ((data.size() + kBase64LineBytes - 1) / kBase64LineBytes));
  for (size_t at = 0; at < data.size();) {
    char* o = block;
    for (size_t line = 0; line < kLinesPerBlock && at < data.size(); ++line, at += kBase64LineBytes) {
      const size_t end = std::min(data.size(), at + kBase64LineBytes);
      size_t i = at;
      for (; i + 3 <= end; i += 3) {
        const std::uint32_t v = std::uint32_t{in[i]} << 16 | std::uint32_t{in[i + 1]} << 8 | in[i + 2];
        std::memcpy(o, kPairs[v >> 12].data(), 2);
        std::memcpy(o + 2, kPairs[v & 0xFFF].data(), 2);
        o += 4;
      }
      if (i < end) {  // the last one or two bytes, padded
        const std::uint32_t v = std::uint32_t{in[i]} << 16 | (i + 1 < end ? std::uint32_t{in[i + 1]} << 8 : 0);
        o[0] = kAlphabet[v >> 18];
        o[1] = kAlphabet[(v >> 12) & 63];
        o[2] = i + 1 < end ? kAlphabet[(v >> 6) & 63] : '=';
        o[3] = '=';
        o += 4;
      }
      *o++ = '\r';
      *o++ = '\n';
    }
    out.append(block, static_cast<size_t>(o - block));
  }
}

void AppendQuotedPrintable(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + text.size() / 8);
  size_t column = 0;
  auto put = [&](std::string_view piece) {
    if (column + piece.size() > kQpLine - 1) {  // room for the soft break's "="
      out += "=\r\n";
      column = 0;
    }
    out += piece;
    column += piece.size();
  };
  size_t lineStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      column = 0;
      lineStart = ++i + 1;
      continue;
    }
    if (Printable(c) && !(i == lineStart && c == 'F')) {
      // A run of printable characters needs no look at line ends: it goes
      // out in pieces as long as each line has room for.
      size_t end = i + 1;
      while (end < text.size() && Printable(static_cast<unsigned char>(text[end]))) ++end;
      for (size_t at = i; at < end;) {
        if (column + 1 > kQpLine - 1) {
          out += "=\r\n";
          column = 0;
        }
        const size_t take = std::min(end - at, kQpLine - 1 - column);
        out.append(text.substr(at, take));
        column += take;
        at += take;
      }
      i = end - 1;
      continue;
    }
    const bool lineEnd = i + 1 == text.size() || (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n');
    const bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnd);
    const bool fromMark = i == lineStart && c == 'F' && StartsWithFrom(text.substr(i, 5));
    if (literal && !fromMark) {
      const char one[1] = {static_cast<char>(c)};
      put(std::string_view(one, 1));
    } else {
      const char escaped[3] = {'=', kHex[c >> 4], kHex[c & 0xF]};
      put(std::string_view(escaped, 3));
    }
  }
  if (!EndsWithCrlf(text)) out += "=\r\n";  // text without a final line end keeps none
}

void AppendSevenBit(std::string& out, std::string_view text) {
  out += text;
  if (!EndsWithCrlf(text) && !text.empty()) out += "\r\n";
}

void AppendEncoded(std::string& out, Encoding e, std::string_view data) {
  switch (e) {
    case Encoding::SevenBit:
      AppendSevenBit(out, data);
      break;
    case Encoding::QuotedPrintable:
      AppendQuotedPrintable(out, data);
      break;
    case Encoding::Base64:
      AppendBase64(out, data);
      break;
  }
}

}  // namespace mime
