#include "win32/environment.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "win32/files.h"
#include "win32/text.h"

extern char** environ;

namespace {

// The variable's name as the environment spells it, matched without regard
// to case when there is no exact match; empty when it is not set.
std::string FindName(const std::string& name) {
  if (std::getenv(name.c_str())) return name;
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq && std::size_t(eq - *e) == name.size() && ::strncasecmp(*e, name.c_str(), name.size()) == 0)
      return std::string(*e, std::size_t(eq - *e));
  }
  return {};
}

bool ValidName(const std::string& name) { return !name.empty() && name.find('=') == std::string::npos; }

}  // namespace

DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
  const std::string name = win32::Utf16ToUtf8(win32::WideView(lpName));
  const std::string found = ValidName(name) ? FindName(name) : std::string();
  if (found.empty()) {
    win32::Fail(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::u16string value = win32::Utf8ToUtf16(std::getenv(found.c_str()));
  const DWORD rc = win32::CopyOutText(value, lpBuffer, nSize);
  if (rc == 0) SetLastError(ERROR_SUCCESS);  // set but empty
  return rc;
}

BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) {
  const std::string name = win32::Utf16ToUtf8(win32::WideView(lpName));
  if (!ValidName(name)) return win32::Fail(ERROR_INVALID_PARAMETER);
  std::string existing = FindName(name);
  if (existing.empty()) existing = name;
  const int rc = lpValue ? ::setenv(existing.c_str(), win32::Utf16ToUtf8(win32::WideView(lpValue)).c_str(), 1)
                         : ::unsetenv(existing.c_str());
  return rc == 0 ? TRUE : win32::FailFromErrno(errno);
}

DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) {
  const std::u16string_view src = win32::WideView(lpSrc);
  std::u16string out;
  std::size_t i = 0;
  while (i < src.size()) {
    const std::size_t close = src[i] == u'%' ? src.find(u'%', i + 1) : std::u16string_view::npos;
    if (close != std::u16string_view::npos && close > i + 1) {
      const std::string name = win32::Utf16ToUtf8(src.substr(i + 1, close - i - 1));
      const std::string found = ValidName(name) ? FindName(name) : std::string();
      if (!found.empty()) {
        out += win32::Utf8ToUtf16(std::getenv(found.c_str()));
        i = close + 1;
        continue;
      }
    }
    out += src[i++];
  }
  const DWORD need = DWORD(out.size() + 1);
  if (lpDst && nSize >= need) win32::CopyOutText(out, lpDst, nSize);
  return need;
}
