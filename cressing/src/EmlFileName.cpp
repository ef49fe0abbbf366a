#include "EmlFileName.h"

#include "win32/files.h"
#include "win32/text.h"

std::u16string GetFreeEmlFileName(const std::u16string& workingFolder, std::int32_t n) {
  const std::u16string path = workingFolder + u"MSG" + win32::Utf8ToUtf16(std::to_string(n)) + u".eml";
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? path : std::u16string();
}
