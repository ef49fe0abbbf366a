#include "ListFile.h"

#include <vector>

#include "win32/files.h"

std::u16string TempListPath(std::u16string_view fileName) {
  WCHAR folder[260] = {};
  const DWORD length = GetTempPathW(260, folder);
  // 0 is a failure; 260 or more the size a folder that does not fit needs.
  if (length == 0 || length >= 260) return {};
  std::u16string path(folder, length);
  path += u"\\";
  path += fileName;
  return path;
}

bool ListFile::Create(std::u16string_view fileName) {
  const std::u16string path = TempListPath(fileName);
  return !path.empty() && m_file.Open(path, win32::kFileWrite) == ERROR_SUCCESS;
}

void ListFile::WriteLine(std::u16string_view text) {
  if (!m_file.IsOpen()) return;
  std::vector<unsigned char> bytes;
  bytes.reserve((text.size() + 2) * 2);
  auto put = [&bytes](char16_t unit) {
    bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  };
  for (char16_t unit : text) put(unit);
  put(u'\r');
  put(u'\n');
  m_file.Seek(0, win32::SeekFrom::End);
  m_file.Write(bytes.data(), bytes.size());
}
