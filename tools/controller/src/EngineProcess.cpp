#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "controller/Requester.h"
#include "win32/text.h"

extern char** environ;

namespace controller {

namespace {
constexpr auto kPollInterval = std::chrono::milliseconds(5);
}

std::optional<EngineProcess> EngineProcess::Start(const std::filesystem::path& program,
                                                  const std::vector<std::string>& args, std::string* error) {
  std::vector<std::string> argv{program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (std::string& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  pid_t pid = -1;
  // The machine root travels in the environment (BRACKENFORD_MACHINE).
  const int rc = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, raw.data(), environ);
  if (rc != 0) {
    if (error) *error = "cannot start " + program.string() + ": " + std::strerror(rc);
    return std::nullopt;
  }
  return EngineProcess(pid);
}

EngineProcess::EngineProcess(EngineProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_status(other.m_status) {}

EngineProcess& EngineProcess::operator=(EngineProcess&& other) noexcept {
  if (this != &other) {
    KillAndReap();
    m_pid = std::exchange(other.m_pid, -1);
    m_status = other.m_status;
  }
  return *this;
}

EngineProcess::~EngineProcess() { KillAndReap(); }

void EngineProcess::KillAndReap() {
  if (m_pid > 0 && !m_status) {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
}

bool EngineProcess::Running() { return !WaitForExit(std::chrono::milliseconds(0)); }

std::optional<int> EngineProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (m_status || m_pid <= 0) return m_status;
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
      m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return m_status;
    }
    if (r < 0 && errno != EINTR) return std::nullopt;
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::optional<int> EngineProcess::Close(HWND window, std::chrono::milliseconds limit) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  return WaitForExit(limit);
}

HWND WaitForWindow(std::u16string_view title, std::chrono::milliseconds limit, EngineProcess* owner) {
  const std::u16string wanted(title);
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (HWND h = FindWindowW(nullptr, wanted.c_str())) return h;
    if (owner && !owner->Running()) return nullptr;
    if (std::chrono::steady_clock::now() >= end) return nullptr;
    std::this_thread::sleep_for(kPollInterval);
  }
}

HWND StartEngine(const std::filesystem::path& program, std::u16string_view title, std::chrono::milliseconds limit,
                 std::optional<EngineProcess>* process, std::string* error) {
  *process = EngineProcess::Start(program, {win32::Utf16ToUtf8(title)}, error);
  if (!*process) return nullptr;
  HWND window = WaitForWindow(title, limit, &**process);
  if (!window && error) *error = program.filename().string() + " showed no window titled " + win32::Utf16ToUtf8(title);
  return window;
}

}  // namespace controller
