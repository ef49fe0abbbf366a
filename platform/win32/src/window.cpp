// Window creation, titles and lookup on the desktop.
#include <sys/random.h>
#include <sys/un.h>
#include <pthread.h>
#include <unistd.h>

#include <new>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "connections.h"
#include "desktop.h"
#include "thread_queue.h"
#include "win32/errors.h"
#include "win32/process.h"
#include "win32/text.h"
#include "win32/window.h"
#include "window_registry.h"

namespace win32::windows {

namespace {

struct Window {
  DWORD value = 0;
  WNDPROC proc = nullptr;
  std::u16string className;
  std::u16string title;
  LONG_PTR userData = 0;
  int listenFd = -1;
  bool visible = false;
  std::uint64_t order = 0;
  std::shared_ptr<messages::ThreadQueue> owner;
};

struct Registry {
  std::mutex mutex;
  std::map<DWORD, Window> windows;
  std::map<std::u16string, WNDPROC> classes;  // by lower-case name
  std::uint64_t nextOrder = 0;

  // Windows still open when the process ends leave no stale files behind.
  ~Registry() {
    for (auto& [value, w] : windows) {
      ::close(w.listenFd);
      desktop::Unpublish(value);
    }
  }
};

Registry& Reg();

// A forked child owns none of its parent's windows: it must not answer on
// their sockets, nor remove them when it ends.
void ForgetInheritedWindows() {
  Registry& r = Reg();
  new (&r.mutex) std::mutex;
  for (auto& [value, w] : r.windows) ::close(w.listenFd);
  r.windows.clear();
}

Registry& Reg() {
  static Registry* registry = [] {
    static Registry instance;
    ::pthread_atfork(nullptr, nullptr, ForgetInheritedWindows);
    return &instance;
  }();
  return *registry;
}

std::u16string Lower(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

DWORD RandomValue() {
  DWORD v = 0;
  while (v == 0 || v == 0xFFFFFFFFu) {
    if (::getrandom(&v, sizeof v, 0) != sizeof v) v = static_cast<DWORD>(::getpid()) * 2654435761u;
  }
  return v;
}

Window* Find(DWORD value) {
  auto it = Reg().windows.find(value);
  return it == Reg().windows.end() ? nullptr : &it->second;
}

bool OwnedHere(const Window& w) { return w.owner.get() == &messages::CurrentQueue(); }

}  // namespace

std::optional<WNDPROC> LocalProc(DWORD value) {
  std::lock_guard lock(Reg().mutex);
  if (Window* w = Find(value)) return w->proc;
  return std::nullopt;
}

std::optional<WNDPROC> OwnProc(DWORD value) {
  std::lock_guard lock(Reg().mutex);
  if (Window* w = Find(value); w && OwnedHere(*w)) return w->proc;
  return std::nullopt;
}

bool IsLocal(DWORD value) { return LocalProc(value).has_value(); }

std::shared_ptr<messages::ThreadQueue> OwnerQueue(DWORD value) {
  std::lock_guard lock(Reg().mutex);
  Window* w = Find(value);
  return w ? w->owner : nullptr;
}

std::vector<Listener> Listeners() {
  std::lock_guard lock(Reg().mutex);
  std::vector<const Window*> sorted;
  for (const auto& [value, w] : Reg().windows)
    if (OwnedHere(w)) sorted.push_back(&w);
  std::sort(sorted.begin(), sorted.end(), [](const Window* a, const Window* b) { return a->order < b->order; });
  std::vector<Listener> out;
  for (const Window* w : sorted) out.push_back({w->value, w->listenFd});
  return out;
}

bool StillListening(DWORD value, int fd) {
  std::lock_guard lock(Reg().mutex);
  Window* w = Find(value);
  return w && w->listenFd == fd;
}

void DropThreadWindows(const messages::ThreadQueue& owner) {
  std::vector<std::pair<DWORD, int>> dropped;
  {
    std::lock_guard lock(Reg().mutex);
    std::erase_if(Reg().windows, [&](const auto& entry) {
      if (entry.second.owner.get() != &owner) return false;
      dropped.emplace_back(entry.first, entry.second.listenFd);
      return true;
    });
  }
  for (const auto& [value, fd] : dropped) {
    ::close(fd);
    desktop::Unpublish(value);
    connections::ForgetWindow(value);
  }
}

namespace {

// Claims a fresh handle value by binding its socket: the bind is what makes
// the value unique across the desktop.
std::optional<Window> Claim() {
  for (int attempt = 0; attempt < 64; ++attempt) {
    DWORD value = RandomValue();
    int fd = desktop::Listen(value);
    if (fd >= 0) {
      Window w;
      w.value = value;
      w.listenFd = fd;
      return w;
    }
    if (errno == ENAMETOOLONG) {
      std::fprintf(stderr, "win32: desktop path too long for a window socket (limit %zu bytes): %s\n",
                   sizeof(sockaddr_un::sun_path) - 1, desktop::SocketPath(value).c_str());
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return std::nullopt;
    }
    if (errno != EADDRINUSE) {
      SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
      return std::nullopt;
    }
  }
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return std::nullopt;
}

}  // namespace
}  // namespace win32::windows

using namespace win32;
using namespace win32::windows;

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard lock(Reg().mutex);
  auto [it, inserted] = Reg().classes.emplace(Lower(WideView(wc->lpszClassName)), wc->lpfnWndProc);
  if (!inserted) {
    SetLastError(1410);  // ERROR_CLASS_ALREADY_EXISTS
    return 0;
  }
  return static_cast<ATOM>(0xC000 + Reg().classes.size());
}

HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR windowName, DWORD style, int, int, int, int, HWND, HMENU,
                     HINSTANCE, LPVOID) {
  WNDPROC proc = nullptr;
  {
    std::lock_guard lock(Reg().mutex);
    auto it = Reg().classes.find(Lower(WideView(className)));
    if (it != Reg().classes.end()) proc = it->second;
  }
  if (!proc) {
    SetLastError(1407);  // ERROR_CANNOT_FIND_WND_CLASS
    return nullptr;
  }
  std::optional<Window> w = Claim();
  if (!w) return nullptr;
  w->proc = proc;
  w->className = WideView(className);
  w->title = WideView(windowName);
  w->visible = false;
  w->owner = messages::CurrentQueueShared();
  messages::NoteWindowMade();
  (void)style;  // nothing is ever shown on this desktop
  desktop::Publish(w->value, "class", Utf16ToUtf8(w->className));
  desktop::Publish(w->value, "title", Utf16ToUtf8(w->title));
  const DWORD value = w->value;
  {
    std::lock_guard lock(Reg().mutex);
    w->order = Reg().nextOrder++;
    Reg().windows.emplace(value, std::move(*w));
  }
  return HandleFromValue(value);
}

// Only the owner thread: another thread may be serving the window's sockets.
BOOL DestroyWindow(HWND hwnd) {
  const DWORD value = HandleValue(hwnd);
  auto proc = OwnProc(value);
  if (!proc) return Fail(IsWindow(hwnd) ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
  (*proc)(hwnd, WM_DESTROY, 0, 0);
  (*proc)(hwnd, WM_NCDESTROY, 0, 0);
  int fd = -1;
  {
    std::lock_guard lock(Reg().mutex);
    auto it = Reg().windows.find(value);
    if (it == Reg().windows.end()) return TRUE;  // destroyed by its own WM_DESTROY
    fd = it->second.listenFd;
    Reg().windows.erase(it);
  }
  ::close(fd);
  desktop::Unpublish(value);
  messages::ForgetWindow(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  const DWORD value = HandleValue(hwnd);
  if (value == 0) return FALSE;
  return IsLocal(value) || desktop::Probe(value);
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  const DWORD value = HandleValue(hwnd);
  std::u16string title(WideView(text));
  {
    std::lock_guard lock(Reg().mutex);
    Window* w = Find(value);
    if (!w) return Fail(ERROR_ACCESS_DENIED);
    w->title = title;
  }
  if (!desktop::Publish(value, "title", Utf16ToUtf8(title))) return Fail(ERROR_CANTWRITE);
  return TRUE;
}

namespace {
std::optional<std::u16string> TitleOf(DWORD value) {
  {
    std::lock_guard lock(Reg().mutex);
    if (Window* w = Find(value)) return w->title;
  }
  auto published = desktop::ReadPublished(value, "title");
  if (!published || !desktop::Probe(value)) return std::nullopt;
  return Utf8ToUtf16(*published);
}
}  // namespace

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
  auto title = TitleOf(HandleValue(hwnd));
  if (!title) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    if (buffer && maxCount > 0) buffer[0] = 0;
    return 0;
  }
  if (!buffer || maxCount <= 0) return 0;
  const std::size_t n = std::min<std::size_t>(title->size(), static_cast<std::size_t>(maxCount - 1));
  std::copy_n(title->data(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

int GetWindowTextLengthW(HWND hwnd) {
  auto title = TitleOf(HandleValue(hwnd));
  return title ? static_cast<int>(title->size()) : 0;
}

namespace {

// Live windows of the desktop that `match` their published class and title,
// handed to `visit` until it returns false. A stale entry that matches
// (nobody listens on its socket) is removed on the way.
template <class Match, class Visit>
void ForEachLiveWindow(Match match, Visit visit) {
  for (DWORD value : desktop::PublishedWindows()) {
    std::optional<std::u16string> className, title;
    bool local = false;
    {
      std::lock_guard lock(Reg().mutex);
      if (Window* w = Find(value)) {
        className = w->className;
        title = w->title;
        local = true;
      }
    }
    if (!local) {
      auto t = desktop::ReadPublished(value, "title");
      if (!t) continue;
      title = Utf8ToUtf16(*t);
      className = Utf8ToUtf16(desktop::ReadPublished(value, "class").value_or(""));
    }
    if (!match(*className, *title)) continue;
    if (!local && !desktop::Probe(value)) {
      if (errno == ECONNREFUSED || errno == ENOENT) desktop::Unpublish(value);
      continue;
    }
    if (!visit(value)) return;
  }
}

}  // namespace

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  HWND found = nullptr;
  const std::optional<std::u16string> wantClass =
      className ? std::optional(Lower(WideView(className))) : std::nullopt;
  ForEachLiveWindow(
      [&](const std::u16string& cls, const std::u16string& title) {
        return (!wantClass || Lower(cls) == *wantClass) && (!windowName || title == WideView(windowName));
      },
      [&](DWORD value) {
        found = HandleFromValue(value);
        return false;
      });
  if (!found) SetLastError(ERROR_NOT_FOUND);
  return found;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return Fail(ERROR_INVALID_PARAMETER);
  ForEachLiveWindow([](const std::u16string&, const std::u16string&) { return true; },
                    [&](DWORD value) { return proc(HandleFromValue(value), lParam) != FALSE; });
  return TRUE;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  std::lock_guard lock(Reg().mutex);
  Window* w = Find(HandleValue(hwnd));
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  if (index != GWLP_USERDATA) return Fail(ERROR_INVALID_PARAMETER);
  SetLastError(ERROR_SUCCESS);
  return std::exchange(w->userData, value);
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
  std::lock_guard lock(Reg().mutex);
  Window* w = Find(HandleValue(hwnd));
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  if (index != GWLP_USERDATA) return Fail(ERROR_INVALID_PARAMETER);
  return w->userData;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
  std::lock_guard lock(Reg().mutex);
  Window* w = Find(HandleValue(hwnd));
  if (!w) return FALSE;
  return std::exchange(w->visible, cmdShow != SW_HIDE) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  std::lock_guard lock(Reg().mutex);
  Window* w = Find(HandleValue(hwnd));
  return w && w->visible ? TRUE : FALSE;
}

BOOL IsIconic(HWND) { return FALSE; }

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  std::shared_ptr<messages::ThreadQueue> owner = OwnerQueue(HandleValue(hwnd));
  if (!owner) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId) *processId = GetCurrentProcessId();
  return owner->ThreadId();
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (!rect || !IsLocal(HandleValue(hwnd))) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  *rect = RECT{0, 0, 453, 192};  // the size a dialog template would give; nothing is drawn
  return TRUE;
}
