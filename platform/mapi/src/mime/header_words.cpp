#include "mime/header_words.h"

namespace mime {
namespace {

constexpr std::string_view kWordStart = "=?UTF-8?Q?";
constexpr std::string_view kWordEnd = "?=";
constexpr size_t kMaxWord = 75;  // RFC 2047 limit for one encoded word

// Characters a Q word may carry literally in every context (phrase rules).
bool QLiteral(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '!' || c == '*' ||
         c == '+' || c == '-' || c == '/';
}

// Length of the UTF-8 sequence that starts with byte c (1 for a stray byte).
size_t SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c < 0xF8) return 4;
  if (c >= 0xE0) return 3;
  if (c >= 0xC0) return 2;
  return 1;
}

void AppendQ(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  if (c == ' ') {
    out += '_';
  } else if (QLiteral(c)) {
    out += static_cast<char>(c);
  } else {
    out += '=';
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  }
}

bool NeedsQuoting(std::string_view name) {
  for (unsigned char c : name)
    if (!QLiteral(c) && c != ' ' && c != '.' && c != '\'' && c != '_') return true;
  return false;
}

std::string QuotePhrase(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

}  // namespace

bool IsPlainHeaderText(std::string_view utf8) {
  for (unsigned char c : utf8)
    if (c >= 0x80 || (c < 0x20 && c != '\t')) return false;
  return utf8.find("=?") == std::string_view::npos;
}

std::string EncodeWords(std::string_view utf8, WordContext context) {
  const char* separator = context == WordContext::Text ? "\n " : "";
  std::string out, word;
  const size_t room = kMaxWord - kWordStart.size() - kWordEnd.size();
  auto flush = [&] {
    if (word.empty()) return;
    if (!out.empty()) out += separator;
    out += kWordStart;
    out += word;
    out += kWordEnd;
    word.clear();
  };
  for (size_t i = 0; i < utf8.size();) {
    size_t n = std::min(SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    std::string piece;
    for (size_t k = 0; k < n; ++k) AppendQ(piece, static_cast<unsigned char>(utf8[i + k]));
    if (word.size() + piece.size() > room) flush();
    word += piece;
    i += n;
  }
  flush();
  return out;
}

std::string FormatMailbox(const Address& a) {
  std::string phrase;
  if (!a.name.empty() && a.name != a.address) {
    if (!IsPlainHeaderText(a.name))
      phrase = EncodeWords(a.name, WordContext::Phrase);
    else
      phrase = NeedsQuoting(a.name) ? QuotePhrase(a.name) : a.name;
  }
  if (a.address.empty()) return phrase.empty() ? std::string("undisclosed-recipients:;") : phrase + ":;";
  if (phrase.empty()) return a.address;
  return phrase + " <" + a.address + ">";
}

std::string FormatAddressList(const std::vector<Address>& list) {
  std::string out;
  for (const Address& a : list) {
    if (!out.empty()) out += ",\n ";
    out += FormatMailbox(a);
  }
  return out;
}

}  // namespace mime
