// A reader of RTF for its text: groups, control words, the document's code
// page for \'hh bytes, \uN characters, and destinations that hold no text.
// In an encapsulated HTML document the text suppressed by \htmlrtf is left
// out and the {\*\htmltag} groups give the HTML markup back.
#include "mime/rtf_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "mime/charsets.h"
#include "win32/codepage.h"
#include "win32/text.h"

namespace mime {
namespace {

// Destinations whose content is not body text.
constexpr std::string_view kSkippedDestinations[] = {"fonttbl",   "colortbl",     "stylesheet", "info",
                                                     "pict",      "object",       "header",     "headerl",
                                                     "headerr",   "headerf",      "footer",     "footerl",
                                                     "footerr",   "footerf",      "footnote",   "fldinst",
                                                     "datastore", "themedata",    "listtable",  "listoverridetable",
                                                     "rsidtbl",   "latentstyles", "xmlnstbl",   "generator",
                                                     "filetbl",   "revtbl",       "userprops",  "colorschememapping",
                                                     "mhtmltag",  "pntxta",       "pntxtb",     "bkmkstart",
                                                     "bkmkend",   "nonshppict",   "shpinst"};

struct Special {
  std::string_view word;
  std::string_view utf8;
};
constexpr Special kSpecials[] = {
    {"par", "\r\n"},
    {"line", "\r\n"},
    {"sect", "\r\n"},
    {"page", "\r\n"},
    {"row", "\r\n"},
    {"tab", "\t"},
    {"cell", "\t"},
    {"emdash", "\xE2\x80\x94"},
    {"endash", "\xE2\x80\x93"},
    {"bullet", "\xE2\x80\xA2"},
    {"lquote", "\xE2\x80\x98"},
    {"rquote", "\xE2\x80\x99"},
    {"ldblquote", "\xE2\x80\x9C"},
    {"rdblquote", "\xE2\x80\x9D"},
    {"emspace", " "},
    {"enspace", " "},
};

struct GroupState {
  bool skip = false;     // inside a destination without text
  bool htmlrtf = false;  // RTF-only text of an encapsulated HTML document
  bool htmlTag = false;  // inside {\*\htmltag...}
  int ucSkip = 1;        // characters that stand in for each \uN
};

class Reader {
 public:
  explicit Reader(std::string_view rtf) : in_(rtf) {}

  RtfBody Read() {
    std::vector<GroupState> stack{GroupState{}};
    bool starred = false;  // "\*" seen: the next word names a destination to skip unless known
    int pendingSkip = 0;   // characters still to drop after a \uN
    while (at_ < in_.size()) {
      const char c = in_[at_++];
      GroupState& g = stack.back();
      if (c == '{') {
        stack.push_back(g);
        stack.back().htmlTag = false;
        starred = false;
        continue;
      }
      if (c == '}') {
        Flush();
        if (stack.size() > 1) stack.pop_back();
        starred = false;
        continue;
      }
      if (c == '\r' || c == '\n') continue;
      if (c != '\\') {
        if (pendingSkip > 0) {
          --pendingSkip;
          continue;
        }
        if (Emits(g)) bytes_ += c;
        continue;
      }
      if (at_ >= in_.size()) break;
      const char n = in_[at_];
      if (n == '\'') {
        ++at_;
        const int byte = Hex();
        if (byte < 0) continue;
        if (pendingSkip > 0) {
          --pendingSkip;
          continue;
        }
        if (Emits(g)) bytes_ += static_cast<char>(byte);
        continue;
      }
      if (n == '*') {
        ++at_;
        starred = true;
        continue;
      }
      if (!std::isalpha(static_cast<unsigned char>(n))) {
        ++at_;
        Symbol(n, g);
        continue;
      }
      auto [word, param, hasParam] = Word();
      if (starred) {
        starred = false;
        if (word == "htmltag") {
          g.htmlTag = true;
          continue;
        }
        g.skip = true;
        continue;
      }
      ControlWord(word, param, hasParam, g, pendingSkip);
    }
    Flush();
    return {html_, std::move(out_)};
  }

 private:
  bool Emits(const GroupState& g) const { return !g.skip && (!html_ || g.htmlTag || !g.htmlrtf); }

  int Hex() {
    if (at_ + 2 > in_.size()) return -1;
    const std::string hex(in_.substr(at_, 2));
    if (!std::isxdigit(static_cast<unsigned char>(hex[0])) || !std::isxdigit(static_cast<unsigned char>(hex[1])))
      return -1;
    at_ += 2;
    return static_cast<int>(std::strtol(hex.c_str(), nullptr, 16));
  }

  struct ParsedWord {
    std::string_view word;
    long param;
    bool hasParam;
  };
  ParsedWord Word() {
    const size_t start = at_;
    while (at_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[at_])) && at_ - start < 32) ++at_;
    const std::string_view word = in_.substr(start, at_ - start);
    const size_t numStart = at_;
    if (at_ < in_.size() && in_[at_] == '-') ++at_;
    while (at_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[at_])) && at_ - numStart < 10) ++at_;
    long param = 0;
    const bool hasParam = at_ > numStart && !(at_ == numStart + 1 && in_[numStart] == '-');
    if (hasParam)
      param = std::strtol(std::string(in_.substr(numStart, at_ - numStart)).c_str(), nullptr, 10);
    else
      at_ = numStart;
    if (at_ < in_.size() && in_[at_] == ' ') ++at_;  // the delimiting space belongs to the word
    return {word, param, hasParam};
  }

  void Symbol(char n, const GroupState& g) {
    if (!Emits(g)) return;
    switch (n) {
      case '{':
      case '}':
      case '\\':
        bytes_ += n;
        break;
      case '~':
        Text("\xC2\xA0");
        break;
      case '_':
        bytes_ += '-';
        break;
      case '\r':
      case '\n':
        Text("\r\n");
        break;
      default:
        break;  // \- (optional hyphen), \| and the like carry no text
    }
  }

  void ControlWord(std::string_view word, long param, bool hasParam, GroupState& g, int& pendingSkip) {
    if (word == "fromhtml")
      html_ = !hasParam || param != 0;
    else if (word == "ansicpg" && hasParam && param > 0)
      codePage_ = static_cast<unsigned>(param);
    else if (word == "htmlrtf")
      g.htmlrtf = !hasParam || param != 0;
    else if (word == "uc" && hasParam)
      g.ucSkip = static_cast<int>(std::clamp(param, 0L, 8L));
    else if (word == "u" && hasParam) {
      if (Emits(g)) Character(static_cast<char32_t>(param < 0 ? param + 65536 : param));
      pendingSkip = g.ucSkip;
    } else if (IsSkipped(word))
      g.skip = true;
    else if (Emits(g))
      for (const Special& s : kSpecials)
        if (s.word == word) Text(s.utf8);
  }

  static bool IsSkipped(std::string_view word) {
    for (std::string_view d : kSkippedDestinations)
      if (d == word) return true;
    return false;
  }

  void Character(char32_t c) {
    if (c >= 0xD800 && c <= 0xDBFF) {  // the first half of a pair; the second follows as its own \u
      high_ = c;
      return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF && high_) c = 0x10000 + ((high_ - 0xD800) << 10) + (c - 0xDC00);
    high_ = 0;
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    Flush();
    std::u16string units;
    if (c >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(c);
    }
    out_ += win32::Utf16ToUtf8(units);
  }

  void Text(std::string_view utf8) {
    Flush();
    out_ += utf8;
  }

  // Bytes in the document's code page, decoded as one run so that
  // multi-byte characters stay whole.
  void Flush() {
    if (bytes_.empty()) return;
    const auto charset = CharsetOfCodePage(codePage_);
    std::optional<std::string> utf8 = charset ? ToUtf8(bytes_, *charset) : std::nullopt;
    out_ += utf8 ? *utf8 : win32::Utf16ToUtf8(win32::AnsiToUtf16(bytes_));
    bytes_.clear();
  }

  std::string_view in_;
  size_t at_ = 0;
  bool html_ = false;
  unsigned codePage_ = 1252;
  char32_t high_ = 0;
  std::string bytes_;
  std::string out_;
};

}  // namespace

RtfBody RtfToBody(std::string_view rtf) { return Reader(rtf).Read(); }

}  // namespace mime
