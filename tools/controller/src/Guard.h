// The guard of a run: a process of its own (brackenford-guard) that closes
// the engines and deletes the profile when the controller ends without
// doing so, killed or crashed. It learns the engines and the profile as the
// run goes, through a socket whose end tells it the controller is gone.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "controller/Requester.h"

namespace controller {

class Guard {
 public:
  Guard() = default;
  ~Guard();
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

  // Starts `program`; false (and why, in *error) when it cannot run.
  bool Start(const std::filesystem::path& program, const std::filesystem::path& log, std::string* error);
  // An engine, as soon as it is started; its window, once it is up.
  void Engine(const char* name, pid_t pid, std::u16string_view title);
  void Window(const char* name, HWND window);
  // A PST file or Exchange server the run's profile is made of.
  void Source(const std::u16string& source);
  // The profile engine is about to make the run's profile: returns once
  // the guard is ready for it (no other run makes one meanwhile), or
  // gives up when `giveUp` says so. Then either Profile (handed over) or
  // ProfileEnds (none was).
  void ProfileBegins(const std::function<bool()>& giveUp);
  void Profile(const std::u16string& name);
  void ProfileEnds();
  // The controller has closed the engines: the guard checks that they
  // ended and that the profile is gone, and ends.
  void End();

 private:
  void Tell(const std::string& line);
  int socket_ = -1;
  std::optional<EngineProcess> process_;
};

}  // namespace controller
