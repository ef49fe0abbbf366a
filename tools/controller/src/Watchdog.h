// Notices an engine that stops answering: while the controller waits on an
// engine, a thread of its own kills that engine once it has been silent
// longer than the limit (neither calling back nor using the processor: an
// engine opening a very large file works for minutes without a word), so that the wait ends as it does for an engine that
// died (a dead window answers 0). Waits nest on a thread (a request served
// while the controller waits on another), and each thread of the controller
// has waits of its own: the exporter's and the importer's run side by side.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace controller {

class Watchdog {
 public:
  // `stops` counts the user's requests to stop: from the second one on, the
  // engine waited on is not waited for any longer.
  Watchdog(std::chrono::milliseconds limit, const std::atomic<int>* stops);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // The calling thread starts and ends waiting on an engine; a pid of 0
  // waits on none (the thread waits on another of its own), which keeps the
  // waits below it from counting as silence.
  void Enter(pid_t engine, const std::string& name);
  void Leave();
  // The engine the calling thread waits on showed a sign of life (it called back).
  void Touch();
  // The engines killed for their silence, by name; cleared by the call.
  std::vector<std::string> TakeKilled();
  // Whether this engine was killed for its silence (cleared by the call):
  // what another thread's wait killed stays for that thread to take.
  bool TakeKilled(const std::string& name);

 private:
  struct Wait {
    pid_t engine;
    std::string name;
    std::chrono::steady_clock::time_point since;
    long long cpuTicks = -1;  // the engine's processor time when last looked at
  };
  void Run();
  void Check(Wait& wait);  // under the lock

  const std::chrono::milliseconds limit_;
  const std::atomic<int>* stops_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::map<std::thread::id, std::vector<Wait>> waits_;  // each thread's, innermost last
  std::vector<std::string> killed_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace controller
