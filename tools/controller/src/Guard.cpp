#include "Guard.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "win32/text.h"

namespace controller {

namespace {
// Closing engines takes the guard up to this long each.
constexpr auto kGuardLimit = std::chrono::seconds(100);
}  // namespace

Guard::~Guard() { End(); }

bool Guard::Start(const std::filesystem::path& program, const std::filesystem::path& log, std::string* error) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    *error = std::string("cannot make the guard's socket: ") + std::strerror(errno);
    return false;
  }
  SpawnOptions spawn;
  spawn.standardInput = ends[1];
  spawn.standardError = log;
  spawn.ownProcessGroup = true;
  process_ = EngineProcess::Start(program, {}, spawn, error);
  ::close(ends[1]);
  if (!process_) {
    ::close(ends[0]);
    return false;
  }
  socket_ = ends[0];
  return true;
}

void Guard::Tell(const std::string& line) {
  if (socket_ < 0) return;
  const std::string text = line + "\n";
  if (::send(socket_, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) {
    // A guard that is gone guards nothing; the run goes on without it.
  }
}

void Guard::Engine(const char* name, pid_t pid, std::u16string_view title) {
  Tell(std::string("engine ") + name + " " + std::to_string(pid) + " " + win32::Utf16ToUtf8(title));
}

void Guard::Window(const char* name, HWND window) {
  Tell(std::string("window ") + name + " " + std::to_string(win32::HandleValue(window)));
}

void Guard::Source(const std::u16string& source) { Tell("source " + win32::Utf16ToUtf8(source)); }

void Guard::ProfileBegins(const std::function<bool()>& giveUp) {
  Tell("profile-begin");
  std::string answer;
  while (socket_ >= 0 && answer.find('\n') == std::string::npos) {
    pollfd p{socket_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) {
      if (giveUp()) return;
      continue;
    }
    char buffer[16];
    const ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a guard that is gone guards nothing
    answer.append(buffer, static_cast<std::size_t>(n));
  }
}

void Guard::Profile(const std::u16string& name) { Tell("profile " + win32::Utf16ToUtf8(name)); }

void Guard::ProfileEnds() { Tell("profile-end"); }

void Guard::End() {
  if (socket_ >= 0) ::close(std::exchange(socket_, -1));
  if (process_) process_->WaitForExit(kGuardLimit);
  process_.reset();
}

}  // namespace controller
