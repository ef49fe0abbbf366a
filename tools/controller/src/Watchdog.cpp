#include "Watchdog.h"

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <utility>

namespace controller {

namespace {
constexpr auto kCheckEvery = std::chrono::milliseconds(100);

// User and system time of a process in clock ticks; -1 when it cannot be
// read (the process is gone).
long long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return -1;
  // The command name may hold blanks and brackets: the fields follow its last ")".
  const auto end = stat.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(stat.substr(end + 1));
  std::string field;
  long long utime = 0, stime = 0;
  // State is field 3; utime and stime are fields 14 and 15.
  for (int n = 3; n <= 13; ++n)
    if (!(fields >> field)) return -1;
  if (!(fields >> utime >> stime)) return -1;
  return utime + stime;
}
}

Watchdog::Watchdog(std::chrono::milliseconds limit, const std::atomic<int>* stops)
    : limit_(limit), stops_(stops), thread_([this] { Run(); }) {}

Watchdog::~Watchdog() {
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void Watchdog::Enter(pid_t engine, const std::string& name) {
  std::lock_guard lock(mutex_);
  waits_[std::this_thread::get_id()].push_back({engine, name, std::chrono::steady_clock::now()});
}

void Watchdog::Leave() {
  std::lock_guard lock(mutex_);
  const auto found = waits_.find(std::this_thread::get_id());
  if (found == waits_.end()) return;
  std::vector<Wait>& waits = found->second;
  if (!waits.empty()) waits.pop_back();
  // Back in the wait below: its engine has just called us.
  if (!waits.empty()) waits.back().since = std::chrono::steady_clock::now();
  if (waits.empty()) waits_.erase(found);
}

void Watchdog::Touch() {
  std::lock_guard lock(mutex_);
  const auto found = waits_.find(std::this_thread::get_id());
  if (found != waits_.end() && !found->second.empty()) found->second.back().since = std::chrono::steady_clock::now();
}

std::vector<std::string> Watchdog::TakeKilled() {
  std::lock_guard lock(mutex_);
  return std::exchange(killed_, {});
}

bool Watchdog::TakeKilled(const std::string& name) {
  std::lock_guard lock(mutex_);
  const auto found = std::find(killed_.begin(), killed_.end(), name);
  if (found == killed_.end()) return false;
  killed_.erase(found);
  return true;
}

void Watchdog::Check(Wait& wait) {
  const long long ticks = wait.engine > 0 ? CpuTicks(wait.engine) : -1;
  if (ticks >= 0 && ticks != wait.cpuTicks) {
    if (wait.cpuTicks >= 0) wait.since = std::chrono::steady_clock::now();  // still working
    wait.cpuTicks = ticks;
  }
  const bool insisted = stops_ && stops_->load() >= 2;
  if (!insisted && std::chrono::steady_clock::now() - wait.since < limit_) return;
  if (wait.engine > 0 && ::kill(wait.engine, SIGKILL) == 0) killed_.push_back(wait.name);
  wait.engine = -1;  // killed once; the wait ends as the window goes
}

void Watchdog::Run() {
  std::unique_lock lock(mutex_);
  while (!done_) {
    wake_.wait_for(lock, kCheckEvery);
    if (done_) break;
    for (auto& [thread, waits] : waits_)
      if (!waits.empty()) Check(waits.back());
  }
}

}  // namespace controller
