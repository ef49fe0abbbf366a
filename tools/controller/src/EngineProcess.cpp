#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <string_view>
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
  return Start(program, args, SpawnOptions{}, error);
}

namespace {

// Our environment with the options' variables set; the machine root travels
// in it (BRACKENFORD_MACHINE).
std::vector<std::string> Environment(const SpawnOptions& options) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string_view entry(*e);
    const std::string_view name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& [n, v] : options.environment) replaced = replaced || n == name;
    if (!replaced) env.emplace_back(entry);
  }
  for (const auto& [name, value] : options.environment) env.push_back(name + "=" + value);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> raw;
  for (std::string& s : strings) raw.push_back(s.data());
  raw.push_back(nullptr);
  return raw;
}

// posix_spawn's attribute and file-action objects, destroyed on every path.
struct SpawnSetup {
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  SpawnSetup() {
    ::posix_spawnattr_init(&attr);
    ::posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

std::optional<EngineProcess> EngineProcess::Start(const std::filesystem::path& program,
                                                  const std::vector<std::string>& args, const SpawnOptions& options,
                                                  std::string* error) {
  std::vector<std::string> argv{program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = Environment(options);
  std::vector<char*> rawArgs = Pointers(argv);
  std::vector<char*> rawEnv = Pointers(env);

  SpawnSetup setup;
  if (options.ownProcessGroup) {
    ::posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETPGROUP);
    ::posix_spawnattr_setpgroup(&setup.attr, 0);
  }
  if (!options.workingFolder.empty())
    ::posix_spawn_file_actions_addchdir_np(&setup.actions, options.workingFolder.c_str());
  if (options.standardInput >= 0) ::posix_spawn_file_actions_adddup2(&setup.actions, options.standardInput, 0);
  if (!options.standardError.empty())
    ::posix_spawn_file_actions_addopen(&setup.actions, 2, options.standardError.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                       0600);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attr, rawArgs.data(), rawEnv.data());
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
  return StartEngine(program, title, limit, SpawnOptions{}, process, error);
}

HWND StartEngine(const std::filesystem::path& program, std::u16string_view title, std::chrono::milliseconds limit,
                 const SpawnOptions& options, std::optional<EngineProcess>* process, std::string* error) {
  *process = EngineProcess::Start(program, {win32::Utf16ToUtf8(title)}, options, error);
  if (!*process) return nullptr;
  HWND window = WaitForWindow(title, limit, &**process);
  if (!window && error) *error = program.filename().string() + " showed no window titled " + win32::Utf16ToUtf8(title);
  return window;
}

}  // namespace controller
