// The unattended desktop's stand-ins for user interface calls.
#include "win32/ui.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>

#include "win32/machine.h"
#include "win32/text.h"

namespace {
std::array<std::atomic<bool>, 256> g_keysDown{};
}

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  const std::string c = win32::Utf16ToUtf8(win32::WideView(caption));
  const std::string t = win32::Utf16ToUtf8(win32::WideView(text));
  char style[16];
  std::snprintf(style, sizeof style, "0x%08x", static_cast<unsigned>(type));
  const std::string line = "caption: " + c + "\ntext: " + t + "\nstyle: " + style + "\n\n";
  std::ofstream log(win32::DesktopFolder() / "messageboxes.log", std::ios::binary | std::ios::app);
  log << line;
  std::fprintf(stderr, "message box\n%s", line.c_str());
  return IDOK;
}

SHORT GetAsyncKeyState(int vKey) {
  if (vKey < 0 || vKey >= static_cast<int>(g_keysDown.size())) return 0;
  return g_keysDown[vKey].load() ? static_cast<SHORT>(0x8000) : 0;
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    default:
      return 0;
  }
}

HICON LoadIconW(HINSTANCE, LPCWSTR name) {
  // The handle carries the resource number; there is nothing to draw.
  return reinterpret_cast<HICON>(0x10000 + (reinterpret_cast<ULONG_PTR>(name) & 0xFFFF));
}

BOOL DrawIcon(HDC, int, int, HICON icon) { return icon ? TRUE : FALSE; }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  return icc && icc->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

namespace win32 {
void SetKeyDown(int vKey, bool down) {
  if (vKey >= 0 && vKey < static_cast<int>(g_keysDown.size())) g_keysDown[vKey].store(down);
}
}  // namespace win32
