// The system "mapi32.dll": FGetComponentPath, and every entry point served
// from the installed MAPI library.
#include <cstring>
#include <string>

#include "entry.h"
#include "mapi/install.h"
#include "win32/codepage.h"
#include "win32/registry.h"
#include "win32/text.h"

#define BRACKENFORD_ENTRY(result, name, params, args) \
  extern "C" result name params { return mapi::entry::name args; }
#include "entry_points.inc"
#undef BRACKENFORD_ENTRY

// The path the installer registered for a component: the key's value named
// after the qualifier when there is one, else its default value.
extern "C" BOOL FGetComponentPath(LPCSTR component, LPSTR qualifier, LPSTR path, DWORD cch, BOOL) {
  if (!component || !path || cch == 0) return win32::Fail(ERROR_INVALID_PARAMETER);
  const std::u16string key = mapi::kComponentsKey + std::u16string(u"\\") + win32::AnsiToUtf16(component);
  std::optional<std::u16string> found;
  if (qualifier && *qualifier) found = win32::RegGetString(HKEY_LOCAL_MACHINE, key, win32::AnsiToUtf16(qualifier));
  if (!found) found = win32::RegGetString(HKEY_LOCAL_MACHINE, key, u"");
  if (!found) return win32::Fail(ERROR_FILE_NOT_FOUND);
  const std::string text = win32::Utf16ToAnsi(*found);
  if (text.size() + 1 > cch) return win32::Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(path, text.c_str(), text.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
