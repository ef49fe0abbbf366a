// The window classes of the framework: command targets with message maps,
// CWnd over a window handle, the system menu and paint device contexts.
#pragma once

#include <string>
#include <vector>

#include "mfc/msgmap.h"
#include "mfc/strings.h"
#include "win32/types.h"
#include "win32/ui.h"
#include "win32/window.h"

// Something a message map can route to: windows and the application.
class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  // Looks `message` up in this object's maps; true with `result` when handled.
  bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 protected:
  static const ::mfc::MessageMap* GetThisMessageMap();
  virtual const ::mfc::MessageMap* GetMessageMap() const;
};

// A menu: the items are kept for whoever asks; nothing is drawn.
class CMenu {
 public:
  struct Item {
    UINT flags;
    UINT_PTR id;
    CString text;
  };
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCWSTR lpszNewItem = nullptr);
  const std::vector<Item>& Items() const { return m_items; }
  void RemoveAll() { m_items.clear(); }

 private:
  std::vector<Item> m_items;
};

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The CWnd attached to a window of this process, else nullptr.
  static CWnd* FromHandlePermanent(HWND hwnd);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  void SetWindowText(LPCWSTR text);
  void GetWindowText(CString& text) const;
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);
  HICON GetIcon(BOOL bBigIcon) const { return bBigIcon ? m_bigIcon : m_smallIcon; }
  CMenu* GetSystemMenu(BOOL bRevert);
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
  BOOL DestroyWindow();

  // Posted and input messages pass here before they are dispatched; TRUE
  // keeps a message from being translated and dispatched.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // The procedure of every framework window.
  static LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // The default handling of the message being handled now.
  LRESULT Default();

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnWindowPosChanging(WINDOWPOS* lpwndpos);
  BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
  void OnClose();

  // Attaches this object to a new window: AfxWndProc routes its messages here.
  void Attach(HWND hwnd);
  void Detach();
  bool m_hasSysMenu = false;

 private:
  struct Current {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  Current m_current{};
  HICON m_bigIcon = nullptr;
  HICON m_smallIcon = nullptr;
  CMenu m_sysMenu;
};

// The device context of WM_PAINT: inert on this desktop.
class CPaintDC {
 public:
  explicit CPaintDC(CWnd* pWnd) : m_pWnd(pWnd) {}
  HDC GetSafeHdc() const { return m_hDC; }
  BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
  HDC m_hDC = reinterpret_cast<HDC>(static_cast<UINT_PTR>(0x1000));

 private:
  CWnd* m_pWnd;
};
