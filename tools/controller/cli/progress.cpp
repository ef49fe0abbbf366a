#include "progress.h"

#include <algorithm>
#include <iostream>

#include "win32/text.h"

namespace brackenford_cli {

namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr std::size_t kBarWidth = 24;
constexpr std::size_t kNameWidth = 36;

std::string Duration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// "name  [#####-----]  12/40  35 items/s  0:01 left"
std::string Bar(std::string name, std::int64_t done, std::int64_t total, double seconds) {
  if (name.size() > kNameWidth) name = "..." + name.substr(name.size() - kNameWidth + 3);
  const std::size_t filled = total > 0 ? static_cast<std::size_t>(std::min(done, total) * kBarWidth / total) : 0;
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  char line[256];
  std::snprintf(line, sizeof line, "%-*s [%s%s] %lld/%lld  %.0f items/s", static_cast<int>(kNameWidth), name.c_str(),
                std::string(filled, '#').c_str(), std::string(kBarWidth - filled, '-').c_str(),
                static_cast<long long>(done), static_cast<long long>(total), rate);
  std::string text = line;
  if (rate > 0 && total > done) text += "  " + Duration(static_cast<double>(total - done) / rate) + " left";
  return text;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Progress::Progress(Mode mode) : mode_(mode) {}

Progress::~Progress() { Clear(); }

void Progress::DatabaseMade(const std::filesystem::path& database) { std::cout << database.string() << std::endl; }

void Progress::Planned(const std::vector<controller::FolderOutcome>& folders) {
  for (const auto& f : folders) total_ += f.listed;
  start_ = Clock::now();
  if (mode_ == Mode::kPlain)
    std::cerr << "migrating " << total_ << " items in " << folders.size() << " folders" << std::endl;
}

void Progress::FolderStarted(std::size_t, const controller::FolderOutcome& outcome) {
  folderStart_ = Clock::now();
  Draw(outcome, true);
}

void Progress::ItemDone(std::size_t, const controller::FolderOutcome& outcome) { Draw(outcome, false); }

void Progress::FolderEnded(std::size_t, const controller::FolderOutcome& outcome) {
  doneBefore_ += std::max(outcome.listed, outcome.announced);
  if (mode_ == Mode::kQuiet) return;
  Clear();
  char line[128];
  std::snprintf(line, sizeof line, ": %d of %d items in %.1f s", outcome.announced, outcome.listed, outcome.seconds);
  std::cerr << win32::Utf16ToUtf8(outcome.source) << line << std::endl;
}

// Said whatever the mode; the bars come back with the next item.
void Progress::Notice(const std::string& line) {
  Clear();
  std::cerr << line << std::endl;
}

void Progress::Draw(const controller::FolderOutcome& outcome, bool force) {
  if (mode_ != Mode::kTerminal) return;
  const auto now = Clock::now();
  if (!force && now - drawn_ < kRedrawEvery) return;
  drawn_ = now;
  const std::int64_t done = doneBefore_ + outcome.announced;
  std::cerr << "\r\033[K"
            << Bar(win32::Utf16ToUtf8(outcome.source), outcome.announced, outcome.listed, Since(folderStart_))
            << "\n\033[K" << Bar("all folders", done, std::max(total_, done), Since(start_)) << "\033[1A\r"
            << std::flush;
  onScreen_ = true;
}

void Progress::Clear() {
  if (!onScreen_) return;
  std::cerr << "\r\033[K\n\033[K\033[1A\r" << std::flush;
  onScreen_ = false;
}

}  // namespace brackenford_cli
