#include "win32/path.h"

#include <string>

#include "win32/text.h"

namespace win32 {

std::filesystem::path MapPath(std::u16string_view windowsPath) {
  std::u16string out;
  out.reserve(windowsPath.size());
  for (char16_t c : windowsPath) {
    if (c == u'\\') c = u'/';
    if (c == u'/' && !out.empty() && out.back() == u'/') continue;
    out += c;
  }
  return std::filesystem::path(Utf16ToUtf8(out));
}

}  // namespace win32
