#include "Watchdog.h"

#include <signal.h>

#include <utility>

namespace controller {

namespace {
constexpr auto kCheckEvery = std::chrono::milliseconds(100);
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
  waits_.push_back({engine, name, std::chrono::steady_clock::now()});
}

void Watchdog::Leave() {
  std::lock_guard lock(mutex_);
  if (!waits_.empty()) waits_.pop_back();
  // Back in the wait below: its engine has just called us.
  if (!waits_.empty()) waits_.back().since = std::chrono::steady_clock::now();
}

void Watchdog::Touch() {
  std::lock_guard lock(mutex_);
  if (!waits_.empty()) waits_.back().since = std::chrono::steady_clock::now();
}

std::vector<std::string> Watchdog::TakeKilled() {
  std::lock_guard lock(mutex_);
  return std::exchange(killed_, {});
}

void Watchdog::Run() {
  std::unique_lock lock(mutex_);
  while (!done_) {
    wake_.wait_for(lock, kCheckEvery);
    if (done_ || waits_.empty()) continue;
    Wait& wait = waits_.back();
    const bool insisted = stops_ && stops_->load() >= 2;
    if (!insisted && std::chrono::steady_clock::now() - wait.since < limit_) continue;
    if (wait.engine > 0 && ::kill(wait.engine, SIGKILL) == 0) killed_.push_back(wait.name);
    wait.engine = -1;  // killed once; the wait ends as the window goes
  }
}

}  // namespace controller
