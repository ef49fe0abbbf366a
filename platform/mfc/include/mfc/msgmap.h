// Message maps: a static table per class that routes window messages to
// member handlers, searched from the most derived class to its bases.
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_WM_PAINT()
//     ON_MESSAGE(WM_MY_REQUEST, &CMyDlg::OnMyRequest)
//   END_MESSAGE_MAP()
#pragma once

#include <cstddef>
#include <iterator>

#include "win32/types.h"
#include "win32/window.h"

class CCmdTarget;
class CWnd;

namespace mfc {

// Calls one handler; false when the entry does not take this message after all.
using Thunk = bool (*)(CCmdTarget& target, WPARAM wParam, LPARAM lParam, LRESULT& result);

struct MessageEntry {
  UINT message;
  UINT code;  // WM_COMMAND: notification code (0 for menus and buttons)
  UINT id;    // WM_COMMAND: control or command id
  Thunk call;
};

struct MessageMap {
  const MessageMap* (*base)();  // nullptr at the root
  const MessageEntry* entries;
  std::size_t count;
};

template <class C, class R, class... A>
C ClassOf(R (C::*)(A...));

// One thunk per handler shape; H is the member handler.
template <auto H>
bool CallVoid(CCmdTarget& t, WPARAM, LPARAM, LRESULT& r) {
  using C = decltype(ClassOf(H));
  (static_cast<C&>(t).*H)();
  r = 0;
  return true;
}
template <auto H>
bool CallSysCommand(CCmdTarget& t, WPARAM w, LPARAM l, LRESULT& r) {
  using C = decltype(ClassOf(H));
  (static_cast<C&>(t).*H)(static_cast<UINT>(w), l);
  r = 0;
  return true;
}
template <auto H>
bool CallQueryDragIcon(CCmdTarget& t, WPARAM, LPARAM, LRESULT& r) {
  using C = decltype(ClassOf(H));
  r = reinterpret_cast<LRESULT>((static_cast<C&>(t).*H)());
  return true;
}
template <auto H>
bool CallWindowPos(CCmdTarget& t, WPARAM, LPARAM l, LRESULT& r) {
  using C = decltype(ClassOf(H));
  (static_cast<C&>(t).*H)(reinterpret_cast<WINDOWPOS*>(l));
  r = 0;
  return true;
}
template <auto H>
bool CallMessage(CCmdTarget& t, WPARAM w, LPARAM l, LRESULT& r) {
  using C = decltype(ClassOf(H));
  r = (static_cast<C&>(t).*H)(w, l);
  return true;
}
// WM_COPYDATA: the sender's window (wParam) as a CWnd, nullptr when none.
bool CallCopyData(CCmdTarget& t, WPARAM w, LPARAM l, LRESULT& r,
                  BOOL (*invoke)(CCmdTarget&, CWnd*, COPYDATASTRUCT*));
template <auto H>
bool CallCopyDataOf(CCmdTarget& t, WPARAM w, LPARAM l, LRESULT& r) {
  using C = decltype(ClassOf(H));
  return CallCopyData(t, w, l, r, [](CCmdTarget& target, CWnd* wnd, COPYDATASTRUCT* cds) -> BOOL {
    return (static_cast<C&>(target).*H)(wnd, cds);
  });
}

}  // namespace mfc

#define DECLARE_MESSAGE_MAP()                             \
 protected:                                               \
  static const ::mfc::MessageMap* GetThisMessageMap();    \
  const ::mfc::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                            \
  const ::mfc::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const ::mfc::MessageMap* theClass::GetThisMessageMap() {                                \
    using ThisClass [[maybe_unused]] = theClass;                                                     \
    using TheBaseClass = baseClass;                                                     \
    static const ::mfc::MessageEntry entries[] = {

#define END_MESSAGE_MAP()                                                                 \
  {0, 0, 0, nullptr}                                                                      \
  }                                                                                       \
  ;                                                                                       \
  static const ::mfc::MessageMap map{&TheBaseClass::GetThisMessageMap, entries, std::size(entries) - 1}; \
  return &map;                                                                            \
  }

#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, &::mfc::CallSysCommand<&ThisClass::OnSysCommand>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, &::mfc::CallVoid<&ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON() {WM_QUERYDRAGICON, 0, 0, &::mfc::CallQueryDragIcon<&ThisClass::OnQueryDragIcon>},
#define ON_WM_WINDOWPOSCHANGING() \
  {WM_WINDOWPOSCHANGING, 0, 0, &::mfc::CallWindowPos<&ThisClass::OnWindowPosChanging>},
#define ON_WM_COPYDATA() {WM_COPYDATA, 0, 0, &::mfc::CallCopyDataOf<&ThisClass::OnCopyData>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, &::mfc::CallVoid<&ThisClass::OnClose>},
#define ON_MESSAGE(message, handler) {message, 0, 0, &::mfc::CallMessage<handler>},
#define ON_COMMAND(id, handler) {WM_COMMAND, 0, id, &::mfc::CallVoid<handler>},
#define ON_BN_CLICKED(id, handler) {WM_COMMAND, BN_CLICKED, id, &::mfc::CallVoid<handler>},

constexpr UINT BN_CLICKED = 0;
