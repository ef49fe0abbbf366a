// registry.reg: the text form regedit exports ("Windows Registry Editor
// Version 5.00"), written as UTF-8. Keys are "[ROOT\path]" lines, values
// follow their key as '@=' (default) or '"name"=' with a string, "dword:",
// "hex:" (binary) or "hex(t):" (any other type t) data; long hex data wraps
// onto indented lines after a trailing backslash. "[-path]" and '"name"=-'
// delete, as when regedit imports a file.
#include <cstdio>
#include <string>

#include "registry_tree.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace win32::reg {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to `maxDigits` hex digits, the whole of `s`.
bool ParseHex(std::string_view s, std::size_t maxDigits, DWORD& out) {
  if (s.empty() || s.size() > maxDigits) return false;
  out = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    out = (out << 4) | DWORD(d);
  }
  return true;
}

// The text's bytes as UTF-8: a UTF-16LE file (regedit's own encoding) is
// converted, a UTF-8 byte-order mark dropped.
std::string DecodeFile(std::string_view bytes) {
  if (bytes.size() >= 2 && BYTE(bytes[0]) == 0xFF && BYTE(bytes[1]) == 0xFE) {
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      wide += char16_t(BYTE(bytes[i]) | (BYTE(bytes[i + 1]) << 8));
    return Utf16ToUtf8(wide);
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return std::string(bytes);
}

class Parser {
 public:
  explicit Parser(Key& top) : top_(top) {}

  bool Run(std::string_view text, ParseError& error) {
    bool sawHeader = false;
    int lineNo = 0;
    while (!text.empty()) {
      const int first = lineNo + 1;
      std::string line = NextLogicalLine(text, lineNo);
      const std::string_view t = Trim(line);
      if (t.empty() || t.front() == ';') continue;
      error.line = first;
      if (Utf16ToUtf8(Utf8ToUtf16(t)) != t) return Fail(error, "text is not valid UTF-8");
      if (!sawHeader) {
        if (t != kHeader) return Fail(error, "expected \"" + std::string(kHeader) + "\" as the first line");
        sawHeader = true;
        continue;
      }
      if (!(t.front() == '[' ? KeyLine(t) : ValueLine(t))) return Fail(error, problem_);
    }
    error = {};
    return true;
  }

 private:
  // One line, with the lines that a trailing backslash continues.
  static std::string NextLogicalLine(std::string_view& text, int& lineNo) {
    std::string out;
    for (;;) {
      const std::size_t nl = text.find('\n');
      std::string_view phys = text.substr(0, nl);
      text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
      ++lineNo;
      phys = Trim(phys);
      if (!phys.empty() && phys.back() == '\\' && phys.front() != '[' && !text.empty()) {
        out.append(phys.substr(0, phys.size() - 1));
        continue;
      }
      out.append(phys);
      return out;
    }
  }

  bool Fail(ParseError& error, std::string message) {
    error.message = std::move(message);
    return false;
  }
  bool Problem(std::string message) {
    problem_ = std::move(message);
    return false;
  }

  bool KeyLine(std::string_view t) {
    if (t.back() != ']') return Problem("key line does not end with ']'");
    std::string_view inner = t.substr(1, t.size() - 2);
    const bool remove = !inner.empty() && inner.front() == '-';
    if (remove) inner.remove_prefix(1);
    Path path;
    const std::u16string wide = Utf8ToUtf16(inner);
    std::size_t start = 0;
    for (;;) {
      const std::size_t bs = wide.find(u'\\', start);
      path.push_back(wide.substr(start, bs == std::u16string::npos ? std::u16string::npos : bs - start));
      if (path.back().empty()) return Problem("empty key name in \"" + std::string(inner) + "\"");
      if (path.size() - 1 > kMaxKeyDepth)
        return Problem("key nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
      if (bs == std::u16string::npos) break;
      start = bs + 1;
    }
    const std::u16string_view root = CanonicalRoot(path.front());
    if (root.empty()) return Problem("unknown root key \"" + Utf16ToUtf8(path.front()) + "\"");
    path.front() = std::u16string(root);
    current_ = nullptr;
    if (remove) {
      const std::u16string last = path.back();
      path.pop_back();
      if (path.empty()) return Problem("a root key cannot be deleted");
      if (Key* parent = Find(top_, path)) parent->RemoveSubkey(last);
      return true;
    }
    Key* key = &top_;
    for (const auto& name : path) key = &key->AddSubkey(name, nullptr);
    current_ = key;
    return true;
  }

  // A quoted string at the front of `s` (consumed), with \\ and \" escapes.
  bool Quoted(std::string_view& s, std::string& out) {
    out.clear();
    for (std::size_t i = 1; i < s.size(); ++i) {
      const char c = s[i];
      if (c == '"') {
        s.remove_prefix(i + 1);
        return true;
      }
      if (c == '\\') {
        if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"'))
          return Problem("unknown escape in quoted text (write \\\\ for a backslash)");
        out += s[++i];
        continue;
      }
      out += c;
    }
    return Problem("quoted text has no closing '\"'");
  }

  bool HexBytes(std::string_view s, std::vector<BYTE>& out) {
    s = Trim(s);
    if (s.empty()) return true;
    for (;;) {
      const std::size_t comma = s.find(',');
      DWORD b = 0;
      if (!ParseHex(Trim(s.substr(0, comma)), 2, b)) return Problem("bad hex byte in \"" + std::string(s) + "\"");
      out.push_back(BYTE(b));
      if (comma == std::string_view::npos) return true;
      s.remove_prefix(comma + 1);
    }
  }

  bool Data(std::string_view s, DWORD& type, std::vector<BYTE>& data) {
    if (!s.empty() && s.front() == '"') {
      std::string text;
      if (!Quoted(s, text)) return false;
      if (!Trim(s).empty()) return Problem("unexpected text after the closing '\"'");
      type = REG_SZ;
      data = StringData(Utf8ToUtf16(text));
      return true;
    }
    if (s.starts_with("dword:")) {
      DWORD v = 0;
      if (!ParseHex(Trim(s.substr(6)), 8, v)) return Problem("dword value needs 1 to 8 hex digits");
      type = REG_DWORD;
      data = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
      return true;
    }
    if (s.starts_with("hex:")) {
      type = REG_BINARY;
      return HexBytes(s.substr(4), data);
    }
    if (s.starts_with("hex(")) {
      const std::size_t close = s.find("):");
      if (close == std::string_view::npos || !ParseHex(s.substr(4, close - 4), 8, type))
        return Problem("hex(type) needs a hex type number and \"):\"");
      return HexBytes(s.substr(close + 2), data);
    }
    return Problem("unknown value data \"" + std::string(s.substr(0, 20)) + "\"");
  }

  bool ValueLine(std::string_view t) {
    if (t.front() != '@' && t.front() != '"') return Problem("expected a [key], '@=' or '\"name\"=' line");
    std::string name;
    if (t.front() == '@')
      t.remove_prefix(1);
    else if (!Quoted(t, name))
      return false;
    t = Trim(t);
    if (t.empty() || t.front() != '=') return Problem("expected '=' after the value name");
    t = Trim(t.substr(1));
    if (!current_) return Problem("value line before any [key] line");
    const std::u16string wname = Utf8ToUtf16(name);
    if (t == "-") {
      current_->RemoveValue(wname);
      return true;
    }
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Data(t, type, data)) return false;
    current_->SetValue(wname, type, std::move(data));
    return true;
  }

  Key& top_;
  Key* current_ = nullptr;  // valid until the next key line
  std::string problem_;
};

// --- writing ---

std::string Quote(std::u16string_view s) {
  std::string out = "\"";
  for (char c : Utf16ToUtf8(s)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

// REG_SZ data that a quoted string gives back exactly.
bool IsPlainString(const std::vector<BYTE>& d, std::u16string& text) {
  if (d.size() < 2 || d.size() % 2) return false;
  text.clear();
  for (std::size_t i = 0; i + 2 < d.size(); i += 2) {
    const char16_t c = char16_t(d[i] | (d[i + 1] << 8));
    if (c == 0 || c == u'\r' || c == u'\n') return false;
    text += c;
  }
  if (d[d.size() - 2] || d[d.size() - 1]) return false;
  return Utf8ToUtf16(Utf16ToUtf8(text)) == text;  // no lone surrogates
}

void AppendHex(std::string& out, std::string prefix, const std::vector<BYTE>& d) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::size_t col = prefix.size();
  out += prefix;
  for (std::size_t i = 0; i < d.size(); ++i) {
    out += kDigits[d[i] >> 4];
    out += kDigits[d[i] & 15];
    col += 2;
    if (i + 1 == d.size()) break;
    out += ',';
    if (++col >= 77) {
      out += "\\\n  ";
      col = 2;
    }
  }
  out += '\n';
}

void AppendValue(std::string& out, const Value& v) {
  std::string prefix = v.name.empty() ? "@=" : Quote(v.name) + "=";
  std::u16string text;
  if (v.type == REG_SZ && IsPlainString(v.data, text)) {
    out += prefix + Quote(text) + '\n';
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x\n",
                  unsigned(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (DWORD(v.data[3]) << 24)));
    out += prefix + buf;
  } else if (v.type == REG_BINARY) {
    AppendHex(out, prefix + "hex:", v.data);
  } else {
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", unsigned(v.type));
    AppendHex(out, prefix + buf, v.data);
  }
}

void AppendKey(std::string& out, const Key& key, const std::string& path, bool isRoot) {
  if (!isRoot || !key.values.empty()) {
    out += "[" + path + "]\n";
    for (const Value& v : key.values) AppendValue(out, v);
    out += '\n';
  }
  for (const Key& sub : key.subkeys) AppendKey(out, sub, path + "\\" + Utf16ToUtf8(sub.name), false);
}

}  // namespace

bool Parse(std::string_view bytes, Key& top, ParseError& error) {
  top = Key{};
  const std::string text = DecodeFile(bytes);
  return Parser(top).Run(text, error);
}

std::string Format(const Key& top) {
  std::string out = std::string(kHeader) + "\n\n";
  for (const Key& root : top.subkeys) AppendKey(out, root, Utf16ToUtf8(root.name), true);
  return out;
}

}  // namespace win32::reg
