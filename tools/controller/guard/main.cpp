// brackenford-guard: closes the engines of a migration whose controller
// ended without closing them (killed, or crashed), and deletes a profile the
// profile engine made for the run and did not get to hand over. The
// controller starts it with a socket as standard input and writes, a line
// each:
//   engine NAME 0 TITLE     an engine about to be started (its title is
//                           on its command line, so a guard whose
//                           controller ends before it learns the pid
//                           finds it there)
//   engine NAME PID TITLE   the engine, as soon as it is started (-1: it
//                           could not be started)
//   window NAME HANDLE      its window, once it is up
//   source TEXT             a PST file or Exchange server of the run
//   profile-begin           the profile engine is asked for a profile: the
//                           guard takes the machine's profile lock (one run
//                           at a time makes a profile), notes the profiles
//                           there are and answers "ready"
//   profile NAME            the profile, handed over (the lock goes)
//   profile-end             the request ended without one (the lock goes)
// and then ends the socket. The guard then closes each engine still
// running as the controller would (the profile engine last, so that it
// deletes the profile when the others are done with it; one whose window
// never comes is stopped), stops one that does not end, and deletes the
// profile if it is still there: the profile engine may have been killed.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "mapi/profiles.h"
#include "win32/machine.h"
#include "win32/text.h"
#include "win32/window.h"

namespace {

using namespace std::chrono_literals;
namespace profiles = mapi::profiles;

constexpr auto kCloseLimit = 30s;
// How long an engine that is starting may take to show its window.
constexpr auto kWindowLimit = 10s;

struct Engine {
  std::string name;
  pid_t pid = -1;
  std::u16string title;
  unsigned long long window = 0;
};

// Whether the process has ended: gone, or a zombie nobody reaped yet.
bool Ended(pid_t pid) {
  if (::kill(pid, 0) != 0) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t paren = line.rfind(')');
  return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z';
}

bool WaitForEnd(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!Ended(pid)) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// The process started with `argument` on its command line, looked for
// a while (the controller may have ended as it started it); -1 when none.
pid_t ProcessWithArgument(const std::string& argument, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
      const std::string name = entry.path().filename().string();
      if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        continue;
      std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
      for (std::string arg; std::getline(cmdline, arg, '\0');)
        if (arg == argument) return static_cast<pid_t>(std::stol(name));
    }
    if (std::chrono::steady_clock::now() >= end) return -1;
    std::this_thread::sleep_for(20ms);
  }
}

// The engine's window: as told, or found by its title once it is up.
HWND WindowOf(const Engine& engine) {
  if (engine.window) return win32::HandleFromValue(engine.window);
  const auto end = std::chrono::steady_clock::now() + kWindowLimit;
  while (!Ended(engine.pid) && std::chrono::steady_clock::now() < end) {
    if (HWND window = FindWindowW(nullptr, engine.title.c_str())) return window;
    std::this_thread::sleep_for(20ms);
  }
  return nullptr;
}

void Close(const Engine& engine) {
  if (Ended(engine.pid)) return;
  if (HWND window = WindowOf(engine)) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForEnd(engine.pid, kCloseLimit)) return;
  }
  ::kill(engine.pid, SIGKILL);
  WaitForEnd(engine.pid, 5s);
}

// The profile engine names its profiles with a fresh GUID in braces.
bool GuidName(const std::u16string& name) {
  static constexpr std::u16string_view kShape = u"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
  if (name.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    const bool hex = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    if (kShape[i] == u'x' ? !hex : c != kShape[i]) return false;
  }
  return true;
}

// A profile being made for the run: the lock that keeps other runs from
// making one meanwhile, and the profiles that were there before.
class PendingProfile {
 public:
  // Takes the lock (waiting for another run's request to end).
  void Begin() {
    const auto lock = win32::ProfilesFolder() / ".brackenford-migrate.lock";
    std::error_code ec;
    std::filesystem::create_directories(lock.parent_path(), ec);
    lock_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_ >= 0)
      while (::flock(lock_, LOCK_EX) != 0 && errno == EINTR) {
      }
    before_.clear();
    for (const profiles::Profile& p : profiles::List()) before_.insert(p.name);
    pending_ = true;
  }
  // The request ended: the profile was handed over, or one made since the
  // request began for this run's sources only is left over and goes.
  void End(bool handedOver, const std::vector<std::u16string>& sources) {
    if (!pending_) return;
    pending_ = false;
    if (!handedOver)
      for (const profiles::Profile& p : profiles::List())
        if (!before_.count(p.name) && GuidName(p.name) && OnlyOf(p, sources)) profiles::Delete(p.name);
    if (lock_ >= 0) ::close(std::exchange(lock_, -1));
  }

 private:
  static bool OnlyOf(const profiles::Profile& profile, const std::vector<std::u16string>& sources) {
    return std::all_of(profile.services.begin(), profile.services.end(), [&](const profiles::Service& s) {
      const std::u16string& source = s.kind == profiles::ServiceKind::kPst ? s.path : s.server;
      return std::find(sources.begin(), sources.end(), source) != sources.end();
    });
  }
  int lock_ = -1;
  bool pending_ = false;
  std::set<std::u16string> before_;
};

void Answer(const char* line) {
  if (::write(STDIN_FILENO, line, std::strlen(line)) < 0) {
    // The controller is gone: the socket's end says so next.
  }
}

}  // namespace

int main() {
  // Ctrl-C is the controller's to handle; the guard acts when the controller is gone.
  ::signal(SIGINT, SIG_IGN);
  ::signal(SIGHUP, SIG_IGN);
  ::signal(SIGPIPE, SIG_IGN);
  std::vector<Engine> engines;
  std::vector<std::u16string> sources;
  PendingProfile pending;
  std::string profile;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string word, rest;
    in >> word;
    std::getline(in >> std::ws, rest);
    if (word == "engine") {
      Engine engine;
      std::istringstream fields(rest);
      std::string title;
      if (fields >> engine.name >> engine.pid >> title) {
        engine.title = win32::Utf8ToUtf16(title);
        const auto known = std::find_if(engines.begin(), engines.end(),
                                        [&](const Engine& e) { return e.name == engine.name; });
        if (known != engines.end())
          known->pid = engine.pid;
        else if (engine.pid >= 0)
          engines.push_back(engine);
      }
    } else if (word == "window") {
      std::istringstream fields(rest);
      std::string name;
      unsigned long long window = 0;
      if (fields >> name >> window)
        for (Engine& engine : engines)
          if (engine.name == name) engine.window = window;
    } else if (word == "source") {
      sources.push_back(win32::Utf8ToUtf16(rest));
    } else if (word == "profile-begin") {
      pending.Begin();
      Answer("ready\n");
    } else if (word == "profile" && !rest.empty()) {
      profile = rest;
      pending.End(true, sources);
    } else if (word == "profile-end") {
      pending.End(false, sources);
    }
  }
  std::stable_partition(engines.begin(), engines.end(), [](const Engine& e) { return e.name != "tallowby"; });
  for (Engine& engine : engines) {
    if (engine.pid == 0) engine.pid = ProcessWithArgument(win32::Utf16ToUtf8(engine.title), 2s);
    if (engine.pid > 0) Close(engine);
  }
  pending.End(false, sources);
  if (!profile.empty() && profiles::Find(win32::Utf8ToUtf16(profile))) profiles::Delete(win32::Utf8ToUtf16(profile));
  return 0;
}
