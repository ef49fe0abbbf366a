// brackenford migrate as a process of its own, for the tests that signal or
// kill it mid-run: a mailbox long enough to be caught mid-export, the
// command started with its output in files, and the processes of a run.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "testing/temp_machine.h"

extern char** environ;

namespace migrate_test {

using namespace std::chrono_literals;

// An Inbox of 5, then an Archive of `archived`, long enough to be cut short.
inline std::string LongMailbox(int archived) {
  std::string archive;
  for (int i = 1; i <= archived; ++i)
    archive += std::string(i > 1 ? "," : "") + R"({ "props": { "PR_SUBJECT_W": "Old )" + std::to_string(i) +
               R"(", "PR_BODY_W": "kept" } })";
  std::string inbox;
  for (int i = 1; i <= 5; ++i)
    inbox += std::string(i > 1 ? "," : "") + R"({ "props": { "PR_SUBJECT_W": "Mail )" + std::to_string(i) + R"(" } })";
  return R"({ "folders": [ { "name": "Inbox", "messages": [ )" + inbox + R"( ] },
                           { "name": "Archive", "messages": [ )" + archive + " ] } ] }";
}

// `brackenford ARGS...` started with its standard output and error in files.
class Controller {
 public:
  // `program`: the brackenford command, by default the build's.
  Controller(std::vector<std::string> args, const std::filesystem::path& scratch,
             std::string program = (testing_support::BuildDir() / "bin" / "brackenford").string())
      : out_(scratch / "controller-out.txt"), err_(scratch / "controller-err.txt") {
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Controller() {
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  pid_t Pid() const { return pid_; }
  std::string Out() const { return cli_test::ReadFile(out_); }
  std::string Err() const { return cli_test::ReadFile(err_); }
  // Whether standard error shows `text` within the limit.
  bool WaitForError(const std::string& text, std::chrono::seconds limit = 60s) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (Err().find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(2ms);
    }
    return true;
  }
  bool Running() {
    if (status_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    status_ = status;
    return false;
  }
  // The raw wait status.
  int Wait() {
    if (!status_) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
      status_ = status;
    }
    return *status_;
  }

 private:
  std::filesystem::path out_, err_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// The processes whose environment names this folder: a controller's engines
// and guard carry the test's temporary folder in TMPDIR.
inline std::vector<pid_t> ProcessesOf(const std::filesystem::path& temp) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = std::stoi(name);
    if (pid == ::getpid()) continue;
    const std::string env = cli_test::ReadFile(entry.path() / "environ");  // empty for a zombie
    if (env.find("TMPDIR=" + temp.string()) != std::string::npos) found.push_back(pid);
  }
  return found;
}

// The one process of the folder's run with that program name; -1 if none.
inline pid_t ProcessNamed(const std::filesystem::path& temp, const std::string& program) {
  for (pid_t pid : ProcessesOf(temp))
    if (cli_test::ReadFile("/proc/" + std::to_string(pid) + "/comm") == program + "\n") return pid;
  return -1;
}

}  // namespace migrate_test
