#include "ListFile.h"

#include <bit>
#include <cstring>
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

std::u16string CurrentFolderPath(std::u16string_view fileName) {
  std::u16string folder(260, u'\0');
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (length >= folder.size()) {
    folder.assign(length, u'\0');
    length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  }
  folder.resize(length < folder.size() ? length : 0);
  return folder + u"\\" + std::u16string(fileName);
}

bool ListFile::Create(std::u16string_view fileName) {
  const std::u16string path = TempListPath(fileName);
  return !path.empty() && m_file.Open(path, win32::kFileWrite) == ERROR_SUCCESS;
}

std::vector<unsigned char> Utf16LeBytes(std::u16string_view text) {
  std::vector<unsigned char> bytes(text.size() * 2);
  if constexpr (std::endian::native == std::endian::little) {
    if (!text.empty()) std::memcpy(bytes.data(), text.data(), bytes.size());  // the units are those bytes already
  } else {
    for (std::size_t i = 0; i < text.size(); ++i) {
      bytes[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
    }
  }
  return bytes;
}

void ListFile::WriteLine(std::u16string_view text) {
  if (!m_file.IsOpen()) return;
  const std::vector<unsigned char> bytes = Utf16LeBytes(std::u16string(text) + u"\r\n");
  m_file.Seek(0, win32::SeekFrom::End);
  m_file.Write(bytes.data(), bytes.size());
}
