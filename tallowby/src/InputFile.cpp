#include "InputFile.h"

#include "win32/file.h"
#include "win32/files.h"

std::optional<CString> TempFolder() {
  constexpr DWORD kBuffer = 260;
  WCHAR folder[kBuffer] = {};
  const DWORD length = GetTempPathW(kBuffer, folder);
  if (length == 0 || length >= kBuffer) return std::nullopt;
  return CString(folder, length);
}

std::optional<CStringArray> ReadInputLines(const CString& path) {
  win32::File file;
  if (file.Open(path, win32::kFileRead) != ERROR_SUCCESS) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  std::size_t read = 0;
  do {
    if (file.Read(chunk, sizeof chunk, &read) != ERROR_SUCCESS) return std::nullopt;
    bytes.append(chunk, read);
  } while (read != 0);
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return SplitInputLines(text);
}

CStringArray SplitInputLines(std::u16string_view text) {
  CStringArray lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(u'\n', at);
    if (end == std::u16string_view::npos) end = text.size();
    lines.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}
