// Windows subset: hidden windows on the shared desktop and the messages sent
// between them, within a process and across processes.
//
// A window handle is a 32-bit value unique on the desktop. Each window listens
// on desktop/<8 hex digits>.sock and publishes its title in <hex>.title (and
// its class in <hex>.class), so that other processes find it by title.
//
// Threads: a window belongs to the thread that made it, as on Windows. Only
// that thread runs its procedure: it serves what is sent to its windows
// inside GetMessageW, PeekMessageW, WaitMessage and while it waits in
// SendMessageW, and messages posted to them go to its own queue. A thread
// that owns windows must keep serving them (a message loop, or a wait in
// SendMessageW) for others' messages to them to be answered. SendMessageW to
// a window of another thread of this process travels through the window's
// socket like a message from another process, so it is run by the owner
// thread, may call back into the sender, and carries no pointer but a
// WM_COPYDATA's bytes. Only the owner thread destroys a window; when a
// thread ends, the windows it still owns go with it (their procedures are
// not called then).
#pragma once

#include <cstring>
#include <type_traits>

#include "win32/types.h"

struct POINT {
  LONG x;
  LONG y;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
using LPRECT = RECT*;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
using LPMSG = MSG*;

struct COPYDATASTRUCT {
  ULONG_PTR dwData;
  DWORD cbData;
  PVOID lpData;
};
using PCOPYDATASTRUCT = COPYDATASTRUCT*;

struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
};
using LPWINDOWPOS = WINDOWPOS*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

struct WNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};

// Window messages (Windows values).
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// SetWindowPos / WINDOWPOS flags.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

// Window styles (kept, never drawn).
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD DS_MODALFRAME = 0x00000080u;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// PeekMessageW.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr int GWLP_USERDATA = -21;

constexpr UINT SC_CLOSE = 0xF060;

ATOM RegisterClassW(const WNDCLASSW* wc);
// Creates a hidden window; the desktop never shows windows, whatever the style.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Only on the thread that made the window (else ERROR_ACCESS_DENIED).
BOOL DestroyWindow(HWND hwnd);
// TRUE for a window of this process or a live window of another process.
BOOL IsWindow(HWND hwnd);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount);
int GetWindowTextLengthW(HWND hwnd);
// Class compared without regard to ASCII case (nullptr: any class); title
// compared whole (nullptr: any title). Stale windows are skipped and removed.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);

// Blocks until the target's procedure has answered, serving the messages sent
// to the calling thread's windows meanwhile. A target that is gone, or that dies
// before it answers, gives 0 with ERROR_INVALID_WINDOW_HANDLE.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a plain message for the target's message loop. WM_COPYDATA cannot be
// posted (its data would not outlive the call).
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The message queue of the calling thread: messages posted to its windows,
// while messages sent to its windows are served inside these calls.
BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
// Returns when a posted message is waiting or after sent messages were served.
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);

BOOL ShowWindow(HWND hwnd, int cmdShow);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
// The thread that owns a window of this process (and this process's id);
// 0 for windows of other processes, whose threads are not known here.
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);
BOOL GetClientRect(HWND hwnd, LPRECT rect);

namespace win32 {

// The 32-bit value of a window handle and back.
inline DWORD HandleValue(HWND hwnd) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd)); }
inline HWND HandleFromValue(ULONGLONG value) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(static_cast<DWORD>(value)));
}

// A fixed record read out of WM_COPYDATA bytes: never reads past cbData, and a
// short record reads as if zero-padded.
template <class T>
T ReadRecord(const COPYDATASTRUCT& cds) {
  static_assert(std::is_trivially_copyable_v<T>, "records are plain bytes");
  T record;
  std::memset(&record, 0, sizeof(T));
  if (cds.lpData) std::memcpy(&record, cds.lpData, cds.cbData < sizeof(T) ? cds.cbData : sizeof(T));
  return record;
}

}  // namespace win32
