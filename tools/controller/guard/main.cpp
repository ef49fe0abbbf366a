// brackenford-guard: closes the engines of a migration whose controller
// ended without closing them (killed, or crashed). The controller starts it
// with a socket as standard input and writes, a line each, "engine NAME PID
// WINDOW" for every engine it started, "profile NAME" once the profile exists,
// and then ends the socket. The guard then closes each engine still running
// as the controller would (the profile engine last, so that it deletes the
// profile when the others are done with it), stops one that does not end,
// and deletes the profile if it is still there: the profile engine may have
// been killed.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "mapi/profiles.h"
#include "win32/text.h"
#include "win32/window.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kCloseLimit = 30s;

struct Engine {
  std::string name;
  pid_t pid = -1;
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

void Close(const Engine& engine) {
  if (Ended(engine.pid)) return;
  PostMessageW(win32::HandleFromValue(engine.window), WM_CLOSE, 0, 0);
  if (WaitForEnd(engine.pid, kCloseLimit)) return;
  ::kill(engine.pid, SIGKILL);
  WaitForEnd(engine.pid, 5s);
}

}  // namespace

int main() {
  // Ctrl-C is the controller's to handle; the guard acts when the controller is gone.
  ::signal(SIGINT, SIG_IGN);
  ::signal(SIGHUP, SIG_IGN);
  std::vector<Engine> engines;
  std::string profile;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word == "engine") {
      Engine engine;
      if (in >> engine.name >> engine.pid >> engine.window && engine.pid > 0) engines.push_back(engine);
    } else if (word == "profile" && line.size() > 8) {
      profile = line.substr(8);
    }
  }
  std::stable_partition(engines.begin(), engines.end(), [](const Engine& e) { return e.name != "tallowby"; });
  for (const Engine& engine : engines) Close(engine);
  if (!profile.empty() && mapi::profiles::Find(win32::Utf8ToUtf16(profile)))
    mapi::profiles::Delete(win32::Utf8ToUtf16(profile));
  return 0;
}
