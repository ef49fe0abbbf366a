#include "NotesText.h"

#include <cstring>
#include <string>
#include <vector>

#include "notes/lnerror.h"
#include "win32/codepage.h"

namespace {
constexpr LNINT kFromBufferBytes = 131072;
constexpr LNINT kMessageBytes = 512;
}  // namespace

namespace {

LNString Translated(const CString& text, LNCHARSET charset) {
  LNString result;
  if (text.empty()) return result;
  if (const LNSTATUS status = LNStringTranslate(text.c_str(), charset, &result); status != LNNOERROR) throw status;
  return result;
}

}  // namespace

LNString ToLNString(const CString& text) { return Translated(text, LNCHARSET_UNICODE); }
LNString ToLNStringCharset1(const CString& text) { return Translated(text, LNCHARSET_UTF16LE); }
LNString ToLNStringQuiet(const CString& text) { return ToLNString(text); }

CString FromLNString(const LNString& value) {
  if (value.GetByteLength() > 0) {
    std::vector<char> buffer(kFromBufferBytes, '\0');
    try {
      if (LNStringTranslate(value, LNCHARSET_UNICODE, kFromBufferBytes, buffer.data(), kFromBufferBytes) == LNNOERROR) {
        CString text;
        for (std::size_t i = 0; i + 1 < buffer.size(); i += 2) {
          char16_t unit;  // the machine's byte order
          std::memcpy(&unit, &buffer[i], sizeof unit);
          if (!unit) break;
          text += unit;
        }
        return text;
      }
    } catch (LNSTATUS) {
    }
  }
  return win32::AnsiToUtf16(value.GetBuf());
}

CString NotesMessage(LNSTATUS status) {
  char text[kMessageBytes] = {};
  try {
    LNGetErrorMessageText(status, text, kMessageBytes);
  } catch (LNSTATUS) {
  }
  return win32::AnsiToUtf16(text);
}

CString DecimalText(int n) {
  const std::string digits = std::to_string(n);
  return CString(digits.begin(), digits.end());
}

CString AsciiUpper(CString text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}
