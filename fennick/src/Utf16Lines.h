// The engine's UTF-16LE input files (no byte-order mark) and their lines.
#pragma once

#include <optional>

#include "mfc/strings.h"

// The file's UTF-16LE code units as they stand (an odd last byte is
// dropped); nothing when it cannot be read.
std::optional<CString> ReadUtf16File(const CString& path);

// Lines up to each LF, which is dropped (a CR before it stays); the last
// line needs no LF.
class LineReader {
 public:
  explicit LineReader(const CString& text) : text_(text) {}
  bool Next(CString& line);
  // Every remaining line joined without separator; a line that ended at a
  // lone LF gets the CR a CR LF line keeps.
  CString Rest();

 private:
  const CString& text_;
  std::size_t at_ = 0;
};
