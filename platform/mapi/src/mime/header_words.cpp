#include "mime/header_words.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace mime {
namespace {

constexpr std::string_view kWordStart = "=?UTF-8?Q?";
constexpr std::string_view kWordEnd = "?=";
// An encoded word after "Subject: " or in a parameter line still ends
// within 78 characters (RFC 2047 allows 75).
constexpr size_t kMaxWord = 66;
constexpr size_t kFoldWidth = 78;
// Words longer than this are encoded so that they can be split.
constexpr size_t kMaxPlainToken = 900;
constexpr size_t kMaxParameterPiece = 50;
constexpr char kHex[] = "0123456789ABCDEF";

enum class WordContext { Text, Phrase };

bool IsWsp(char c) { return c == ' ' || c == '\t'; }

// Characters a Q word may carry literally in every context (phrase rules).
bool PhraseLiteral(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '!' || c == '*' ||
         c == '+' || c == '-' || c == '/';
}

bool QLiteral(unsigned char c, WordContext context) {
  if (context == WordContext::Phrase) return PhraseLiteral(c);
  return c > 0x20 && c < 0x7F && c != '=' && c != '?' && c != '_';
}

// Length of the UTF-8 sequence that starts with byte c (1 for a stray byte).
size_t SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c < 0xF8) return 4;
  if (c >= 0xE0 && c < 0xF0) return 3;
  if (c >= 0xC0 && c < 0xE0) return 2;
  return 1;
}

void AppendQ(std::string& out, unsigned char c, WordContext context) {
  if (c == ' ') {
    out += '_';
  } else if (QLiteral(c, context)) {
    out += static_cast<char>(c);
  } else {
    out += '=';
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  }
}

// The text as encoded words split on character boundaries, separated by
// single spaces.
void AppendEncodedWords(std::string& out, std::string_view utf8, WordContext context) {
  const size_t room = kMaxWord - kWordStart.size() - kWordEnd.size();
  std::string word, piece;
  auto flush = [&] {
    if (word.empty()) return;
    if (!out.empty() && !IsWsp(out.back())) out += ' ';
    out.append(kWordStart).append(word).append(kWordEnd);
    word.clear();
  };
  for (size_t i = 0; i < utf8.size();) {
    const size_t n = std::min(SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    piece.clear();
    for (size_t k = 0; k < n; ++k) AppendQ(piece, static_cast<unsigned char>(utf8[i + k]), context);
    if (word.size() + piece.size() > room) flush();
    word += piece;
    i += n;
  }
  flush();
}

// keepWords: the text is header text already, whose encoded words stay as they are.
bool NeedsEncoding(std::string_view token, bool keepWords) {
  if (token.size() > kMaxPlainToken || (!keepWords && token.find("=?") != std::string_view::npos)) return true;
  for (unsigned char c : token)
    if (c >= 0x7F || (c < 0x20 && c != '\t')) return true;
  return false;
}

bool AText(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         (c && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr);
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsWsp(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsWsp(s.back())) s.remove_suffix(1);
  return s;
}

std::string WithoutLineBreaks(std::string_view s) {
  std::string out(s);
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return out;
}

bool IsDotAtom(std::string_view s) {
  if (s.empty() || s.front() == '.' || s.back() == '.' || s.find("..") != std::string_view::npos) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c == '.' || AText(static_cast<unsigned char>(c)); });
}

bool TokenChar(unsigned char c) { return c > 0x20 && c < 0x7F && !std::strchr("()<>@,;:\\\"/[]?=", c); }

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; });
}

}  // namespace

bool IsPlainHeaderText(std::string_view utf8) {
  for (unsigned char c : utf8)
    if (c >= 0x7F || (c < 0x20 && c != '\t')) return false;
  return utf8.find("=?") == std::string_view::npos;
}

namespace {

std::string EncodeText(std::string_view text, bool keepWords) {
  const std::string flat = WithoutLineBreaks(text);
  const std::string_view s = Trimmed(flat);
  std::string out;
  size_t runStart = std::string_view::npos;  // start of the text still to encode
  size_t at = 0;
  while (at < s.size()) {
    const size_t wsEnd = s.find_first_not_of(" \t", at);
    const size_t tokenEnd = std::min(s.find_first_of(" \t", wsEnd), s.size());
    const std::string_view ws = s.substr(at, wsEnd - at), token = s.substr(wsEnd, tokenEnd - wsEnd);
    if (NeedsEncoding(token, keepWords)) {
      if (runStart == std::string_view::npos) {
        out += ws;
        runStart = wsEnd;
      }
    } else {
      if (runStart != std::string_view::npos) {
        AppendEncodedWords(out, s.substr(runStart, at - runStart), WordContext::Text);
        runStart = std::string_view::npos;
      }
      out.append(ws).append(token);
    }
    at = tokenEnd;
  }
  if (runStart != std::string_view::npos) AppendEncodedWords(out, s.substr(runStart), WordContext::Text);
  return out;
}

}  // namespace

std::string EncodeUnstructured(std::string_view utf8) { return EncodeText(utf8, false); }
std::string EncodeHeaderText(std::string_view utf8) { return EncodeText(utf8, true); }

std::string EncodePhrase(std::string_view utf8) {
  const std::string flat = WithoutLineBreaks(utf8);
  const std::string_view name = Trimmed(flat);
  if (!IsPlainHeaderText(name) || name.size() > kMaxPlainToken) {
    std::string out;
    AppendEncodedWords(out, name, WordContext::Phrase);
    return out;
  }
  const bool atoms = std::all_of(name.begin(), name.end(),
                                 [](char c) { return c == ' ' || AText(static_cast<unsigned char>(c)); });
  return atoms ? std::string(name) : Quoted(name);
}

std::string AddrSpec(std::string_view address) {
  const size_t at = address.rfind('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == address.size() || !IsAscii(address)) return {};
  const std::string_view local = address.substr(0, at), domain = address.substr(at + 1);
  if (domain.find_first_of(" \t<>()[],;:\\\"") != std::string_view::npos && domain.front() != '[') return {};
  return (IsDotAtom(local) ? std::string(local) : Quoted(local)) + "@" + std::string(domain);
}

std::string FormatMailbox(const Address& a) {
  const std::string address = AddrSpec(a.address);
  const std::string_view name = Trimmed(a.name);
  if (address.empty()) {
    const std::string_view label = name.empty() ? Trimmed(a.address) : name;
    if (label.empty()) return {};
    // An encoded word ends at white space, not at the colon.
    const std::string phrase = EncodePhrase(label);
    return phrase + (phrase.ends_with("?=") ? " :;" : ":;");
  }
  if (name.empty() || name == a.address) return address;
  return EncodePhrase(name) + " <" + address + ">";
}

std::string FormatAddressList(const std::vector<Address>& list) {
  std::string out;
  for (const Address& a : list) {
    std::string one = FormatMailbox(a);
    if (one.empty()) continue;
    if (!out.empty()) out += ", ";
    out += one;
  }
  return out;
}

std::string Parameter(std::string_view attribute, std::string_view value) {
  const bool token = !value.empty() && std::all_of(value.begin(), value.end(),
                                                   [](char c) { return TokenChar(static_cast<unsigned char>(c)); });
  return "; " + std::string(attribute) + "=" + (token ? std::string(value) : Quoted(value));
}

std::string Rfc2231Parameter(std::string_view attribute, std::string_view utf8) {
  const std::string flat = WithoutLineBreaks(utf8);
  if (IsPlainHeaderText(flat) && attribute.size() + flat.size() + 4 <= kMaxParameterPiece)
    return "; " + std::string(attribute) + "=" + Quoted(flat);
  // Percent-encoded pieces, never splitting a character (readers decode
  // each piece on its own).
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < flat.size();) {
    const size_t n = std::min(SequenceLength(static_cast<unsigned char>(flat[i])), flat.size() - i);
    std::string one;
    for (size_t k = 0; k < n; ++k) {
      const unsigned char c = static_cast<unsigned char>(flat[i + k]);
      if (std::isalnum(c) || (c && std::strchr("!#$&+-.^_`|~", c)))
        one += static_cast<char>(c);
      else
        one += {'%', kHex[c >> 4], kHex[c & 0xF]};
    }
    if (pieces.back().size() + one.size() > kMaxParameterPiece) pieces.emplace_back();
    pieces.back() += one;
    i += n;
  }
  const std::string a(attribute);
  if (pieces.size() == 1) return "; " + a + "*=UTF-8''" + pieces[0];
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i)
    out += "; " + a + "*" + std::to_string(i) + "*=" + (i == 0 ? "UTF-8''" : "") + pieces[i];
  return out;
}

std::string Rfc2047Parameter(std::string_view attribute, std::string_view utf8) {
  const std::string flat = WithoutLineBreaks(utf8);
  if (IsPlainHeaderText(flat) && flat.size() <= kMaxPlainToken) return "; " + std::string(attribute) + "=" + Quoted(flat);
  std::string words;
  AppendEncodedWords(words, flat, WordContext::Phrase);
  return "; " + std::string(attribute) + "=\"" + words + "\"";
}

void AppendHeader(std::string& out, std::string_view name, std::string_view value) {
  value = Trimmed(value);
  out.append(name).append(":");
  size_t lineLength = name.size() + 1;
  bool first = true;
  for (size_t at = 0; at < value.size();) {
    const size_t wsEnd = first ? at : value.find_first_not_of(" \t", at);
    const size_t tokenEnd = std::min(value.find_first_of(" \t", wsEnd), value.size());
    std::string_view ws = first ? std::string_view(" ") : value.substr(at, wsEnd - at);
    const std::string_view token = value.substr(wsEnd, tokenEnd - wsEnd);
    // The first word folds too when that is what keeps it within the width.
    const bool fits = lineLength + ws.size() + token.size() <= kFoldWidth;
    if (!fits && (!first || 1 + token.size() <= kFoldWidth)) {
      out += "\r\n";
      lineLength = 0;
    }
    out.append(ws).append(token);
    lineLength += ws.size() + token.size();
    first = false;
    at = tokenEnd;
  }
  out += "\r\n";
}

}  // namespace mime
