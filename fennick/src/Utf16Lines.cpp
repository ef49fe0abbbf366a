#include "Utf16Lines.h"

#include <string>

#include "win32/file.h"

std::optional<CString> ReadUtf16File(const CString& path) {
  win32::File file;
  if (file.Open(path, win32::kFileRead) != ERROR_SUCCESS) return std::nullopt;
  std::string bytes;
  char block[65536];
  for (;;) {
    std::size_t got = 0;
    if (file.Read(block, sizeof block, &got) != ERROR_SUCCESS) return std::nullopt;
    if (got == 0) break;
    bytes.append(block, got);
  }
  CString units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return units;
}

bool LineReader::Next(CString& line) {
  if (at_ >= text_.size()) return false;
  std::size_t end = text_.find(u'\n', at_);
  if (end == CString::npos) end = text_.size();
  line.assign(text_, at_, end - at_);
  at_ = end + 1;
  return true;
}

CString LineReader::Rest() {
  CString rest;
  for (CString line; Next(line);) {
    rest += line;
    // A line that ended at a lone LF keeps its break as a CR, as a CR LF
    // line does, rather than running into the next one.
    const bool endedAtLineFeed = at_ <= text_.size();
    if (endedAtLineFeed && (line.empty() || line.back() != u'\r')) rest += u'\r';
  }
  return rest;
}
