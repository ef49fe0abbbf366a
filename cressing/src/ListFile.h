// The list files that Cressing leaves in the temporary folder for the
// controlling program: UTF-16LE without byte-order mark, one line per entry
// ending in CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/file.h"

// The text as UTF-16LE bytes, without byte-order mark.
std::vector<unsigned char> Utf16LeBytes(std::u16string_view text);

// GetTempPathW's folder, a backslash and the name; empty when there is no
// temporary folder or its path does not fit the 260-unit buffer.
std::u16string TempListPath(std::u16string_view fileName);
// The current directory (however long), a backslash and the name.
std::u16string CurrentFolderPath(std::u16string_view fileName);

class ListFile {
 public:
  // Creates the file anew (an existing one is replaced); false when it
  // cannot be created.
  bool Create(std::u16string_view fileName);
  bool IsOpen() const { return m_file.IsOpen(); }
  // Moves to the end of the file, then writes the text and CR LF.
  void WriteLine(std::u16string_view text);
  void Close() { m_file.Close(); }

 private:
  win32::File m_file;
};
