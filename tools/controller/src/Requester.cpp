#include "controller/Requester.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "win32/errors.h"
#include "win32/process.h"
#include "win32/text.h"

namespace controller {

namespace {

constexpr const char16_t* kRequesterClass = u"BrackenfordRequester";

void RegisterRequesterClass(WNDPROC proc) {
  static const bool registered = [proc] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = kRequesterClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
}

// Whether this thread may send with the window: only its owner serves the
// replies that come to it while a request runs.
bool OnOwnerThread(HWND window) {
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return true;
  std::fputs("controller: a requester was used from a thread other than the one that made it\n", stderr);
  SetLastError(ERROR_INVALID_THREAD_ID);
  return false;
}

SendResult Outcome(LRESULT value) {
  // A request that reached its window may well answer 0; only a missing or
  // dead window sets this error.
  return {value, !(value == 0 && GetLastError() == ERROR_INVALID_WINDOW_HANDLE)};
}

}  // namespace

Requester::Requester(std::u16string title) {
  if (title.empty()) title = win32::Utf8ToUtf16("Brackenford requester " + std::to_string(::getpid()));
  RegisterRequesterClass(&Requester::WindowProc);
  m_window = CreateWindowExW(0, kRequesterClass, title.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (m_window) SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Requester::~Requester() {
  if (m_window) DestroyWindow(m_window);
}

SendResult Requester::Send(HWND target, UINT message, LPARAM lParam) {
  if (m_window && !OnOwnerThread(m_window)) return {};
  SetLastError(ERROR_SUCCESS);
  return Outcome(SendMessageW(target, message, reinterpret_cast<WPARAM>(m_window), lParam));
}

SendResult Requester::SendCopyData(HWND target, ULONG_PTR code, const void* data, DWORD size) {
  if (m_window && !OnOwnerThread(m_window)) return {};
  COPYDATASTRUCT cds{code, size, const_cast<void*>(data)};
  SetLastError(ERROR_SUCCESS);
  return Outcome(SendMessageW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(m_window), reinterpret_cast<LPARAM>(&cds)));
}

LRESULT CALLBACK Requester::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Requester*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && message == WM_COPYDATA)
    return self->OnCopyData(reinterpret_cast<HWND>(wParam), reinterpret_cast<const COPYDATASTRUCT*>(lParam));
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Requester::OnCopyData(HWND sender, const COPYDATASTRUCT* cds) {
  CopyDataReply reply;
  reply.sender = sender;
  if (cds) {
    reply.code = cds->dwData;
    const BYTE* p = static_cast<const BYTE*>(cds->lpData);
    if (p) reply.bytes.assign(p, p + cds->cbData);
  }
  if (!m_keep) return m_answer ? m_answer(reply) : 1;
  m_replies.push_back(std::move(reply));
  return m_answer ? m_answer(m_replies.back()) : 1;
}

}  // namespace controller
