// Windows subset: what the unattended desktop offers in place of a user
// interface. Message boxes are recorded and answered at once, no key is down,
// and icons, menus and metrics are inert values.
#pragma once

#include "win32/types.h"
#include "win32/window.h"

// MessageBoxW styles and results.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Appends caption, text and style to desktop/messageboxes.log, prints them on
// standard error and answers IDOK.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Virtual keys.
constexpr int VK_CANCEL = 0x03;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;

// Top bit set while the key is down; nobody types on this desktop.
SHORT GetAsyncKeyState(int vKey);

// System metrics.
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
int GetSystemMetrics(int index);

// Icons: inert handles that carry their resource number.
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;

// Menus: inert handles.
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;

// Common controls: nothing to initialise.
struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);

namespace win32 {
// The desktop's keyboard for tests: marks a key as held down (or released).
void SetKeyDown(int vKey, bool down);
}  // namespace win32
