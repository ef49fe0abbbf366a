#include "mfc/wnd.h"

#include <cstdio>
#include <exception>

#include "mfc/app.h"
#include "win32/text.h"

namespace mfc {

bool CallCopyData(CCmdTarget& t, WPARAM w, LPARAM l, LRESULT& r,
                  BOOL (*invoke)(CCmdTarget&, CWnd*, COPYDATASTRUCT*)) {
  // The sender is usually another process's window: a temporary CWnd
  // carries its handle for the handler's call.
  CWnd* sender = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(w));
  CWnd temporary;
  if (!sender && w) {
    temporary.m_hWnd = reinterpret_cast<HWND>(w);
    sender = &temporary;
  }
  r = invoke(t, sender, reinterpret_cast<COPYDATASTRUCT*>(l));
  temporary.m_hWnd = nullptr;
  return true;
}

}  // namespace mfc

// ---- CCmdTarget

const mfc::MessageMap* CCmdTarget::GetThisMessageMap() {
  static const mfc::MessageMap root{nullptr, nullptr, 0};
  return &root;
}

const mfc::MessageMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

bool CCmdTarget::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  for (const mfc::MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (std::size_t i = 0; i < map->count; ++i) {
      const mfc::MessageEntry& e = map->entries[i];
      if (e.message != message) continue;
      if (message == WM_COMMAND && (e.id != LOWORD(wParam) || e.code != HIWORD(wParam))) continue;
      if (e.call(*this, wParam, lParam, result)) return true;
    }
  }
  return false;
}

// ---- CMenu

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem) {
  m_items.push_back({nFlags, nIDNewItem, CString(win32::WideView(lpszNewItem))});
  return TRUE;
}

// ---- CWnd

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    Detach();
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (!hwnd) return nullptr;
  const LONG_PTR p = ::GetWindowLongPtrW(hwnd, GWLP_USERDATA);
  return p ? reinterpret_cast<CWnd*>(p) : nullptr;
}

void CWnd::Attach(HWND hwnd) {
  m_hWnd = hwnd;
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void CWnd::Detach() {
  if (m_hWnd) ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
  m_hWnd = nullptr;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }

void CWnd::GetWindowText(CString& text) const {
  text.assign(static_cast<std::size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
  SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
  HICON& slot = bBigIcon ? m_bigIcon : m_smallIcon;
  HICON previous = slot;
  slot = hIcon;
  return previous;
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
  if (!m_hasSysMenu) return nullptr;
  if (bRevert) {
    m_sysMenu.RemoveAll();
    return nullptr;
  }
  return &m_sysMenu;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  HWND h = m_hWnd;
  const BOOL ok = ::DestroyWindow(h);
  if (m_hWnd == h) Detach();
  return ok;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (RouteMessage(message, wParam, lParam, result)) return result;
  // Commands the window does not take go to the application, as menus do.
  if (message == WM_COMMAND && AfxGetApp() && AfxGetApp()->RouteMessage(message, wParam, lParam, result))
    return result;
  return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CALLBACK CWnd::AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (!wnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  const Current saved = wnd->m_current;
  wnd->m_current = {message, wParam, lParam};
  LRESULT result = 0;
  try {
    result = wnd->WindowProc(message, wParam, lParam);
  } catch (const std::exception& e) {
    // A handler's failure must not take the window, and so the engine, down.
    std::fprintf(stderr, "mfc: message 0x%04x: uncaught exception: %s\n", message, e.what());
  } catch (...) {
    std::fprintf(stderr, "mfc: message 0x%04x: uncaught exception\n", message);
  }
  if (FromHandlePermanent(hwnd) == wnd) wnd->m_current = saved;
  return result;
}

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnPaint() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
void CWnd::OnWindowPosChanging(WINDOWPOS*) { Default(); }
BOOL CWnd::OnCopyData(CWnd*, COPYDATASTRUCT*) { return static_cast<BOOL>(Default()); }
void CWnd::OnClose() { Default(); }
