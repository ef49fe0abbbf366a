// Helpers shared by Cressing's tests: a temporary folder for the list files,
// and reading them back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cressing/CressingRecords.h"
#include "testing/temp_machine.h"
#include "win32/text.h"
#include "win32/time.h"

namespace cressing_test {

// Points TMPDIR (GetTempPathW) at the machine's scratch folder while it lives.
class TempFolder {
 public:
  explicit TempFolder(const std::filesystem::path& folder) : folder_(folder) {
    if (const char* old = std::getenv("TMPDIR")) previous_ = old, hadPrevious_ = true;
    setenv("TMPDIR", folder_.c_str(), 1);
  }
  ~TempFolder() {
    if (hadPrevious_) setenv("TMPDIR", previous_.c_str(), 1);
    else unsetenv("TMPDIR");
  }
  std::filesystem::path File(const char* name) const { return folder_ / name; }

 private:
  std::filesystem::path folder_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// Sets TZ (the machine's zone) while it lives.
class Zone {
 public:
  explicit Zone(const char* tz) {
    if (const char* old = std::getenv("TZ")) previous_ = old, hadPrevious_ = true;
    setenv("TZ", tz, 1);
  }
  ~Zone() {
    if (hadPrevious_)
      setenv("TZ", previous_.c_str(), 1);
    else
      unsetenv("TZ");
  }

 private:
  std::string previous_;
  bool hadPrevious_ = false;
};

// A UTC time as a file time.
inline FILETIME UtcTime(int year, int month, int day, int hour, int minute) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

inline std::vector<unsigned char> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// UTF-16LE bytes as text.
inline std::u16string WideText(const std::vector<unsigned char>& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
  return text;
}

// Lines ended by CR LF (a last line without one is kept too).
inline std::vector<std::u16string> CrLfLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(u"\r\n", at);
    if (end == std::u16string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// Bytes that differ all along, so that a shifted or cut copy shows.
inline std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t x = 2463534242u;
  for (char& b : bytes) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = static_cast<char>(x);
  }
  return bytes;
}

// The bytes a list file holds for these lines: UTF-16LE, CR LF, no BOM.
inline std::vector<unsigned char> ListBytes(const std::vector<std::u16string>& lines) {
  std::vector<unsigned char> bytes;
  for (const std::u16string& line : lines)
    for (char16_t unit : line + u"\r\n") {
      bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
      bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
  return bytes;
}

// The two texts of a CD_ERROR_TEXT record.
struct ErrorText {
  std::u16string message;
  std::u16string mailbox;
};
inline ErrorText ReadErrorText(const std::vector<unsigned char>& bytes) {
  ERROR_TEXT_INFO info{};
  std::memcpy(&info, bytes.data(), std::min(bytes.size(), sizeof info));
  return {std::u16string(win32::WideField(info.message, kErrorTextUnits)),
          std::u16string(win32::WideField(info.mailbox, kErrorTextUnits))};
}

}  // namespace cressing_test
