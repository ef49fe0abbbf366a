// The progress of `brackenford migrate` on standard error: on a terminal a
// bar for the folder at hand and one for the whole run (items done of the
// total, items per second, time left), redrawn in place and each kept within
// one line of the terminal's width (read again when the window changes
// size); elsewhere a plain line per folder; nothing when quiet. The database's path goes to standard
// output as soon as it is made.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "controller/Migration.h"

namespace brackenford_cli {

class Progress : public controller::MigrationObserver {
 public:
  enum class Mode { kQuiet, kPlain, kTerminal };
  explicit Progress(Mode mode);
  ~Progress() override;

  void DatabaseMade(const std::filesystem::path& database) override;
  void Planned(const std::vector<controller::FolderOutcome>& folders) override;
  void FolderStarted(std::size_t folder, const controller::FolderOutcome& outcome) override;
  void ItemDone(std::size_t folder, const controller::FolderOutcome& outcome) override;
  void FolderEnded(std::size_t folder, const controller::FolderOutcome& outcome) override;
  void Notice(const std::string& line) override;

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(const controller::FolderOutcome& outcome, bool force);
  void Clear();
  void WatchSize();

  Mode mode_;
  std::int64_t total_ = 0;       // items of all folders
  std::int64_t doneBefore_ = 0;  // items of the folders already done
  Clock::time_point start_ = Clock::now();
  Clock::time_point folderStart_ = Clock::now();
  Clock::time_point drawn_{};
  bool onScreen_ = false;  // the two bars are drawn
  std::size_t columns_ = 80;
  struct sigaction resizeBefore_ {};
  bool watchingSize_ = false;
};

}  // namespace brackenford_cli
