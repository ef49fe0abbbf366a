#include "progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "commands.h"
#include "controller/TextWidth.h"
#include "win32/text.h"

namespace brackenford_cli {

namespace {

using controller::DisplayWidth;

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr std::size_t kMaxBar = 24, kMinBar = 5;
constexpr std::size_t kMaxName = 36, kMinName = 8;

volatile sig_atomic_t gResized = 0;
void OnResize(int) { gResized = 1; }

// The terminal's width on standard error; $COLUMNS or 80 when it says none.
std::size_t TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  const char* columns = std::getenv("COLUMNS");
  const long n = columns ? std::strtol(columns, nullptr, 10) : 0;
  return n > 0 && n < 10000 ? static_cast<std::size_t>(n) : 80;
}

std::string Duration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// What one bar shows.
struct Figures {
  std::string name;
  std::int64_t done, total;
  double seconds;
};

// "  12/40", then "  35 items/s" and "  0:01 left" as asked.
std::string Tail(const Figures& f, bool rate, bool left) {
  std::string tail = "  " + std::to_string(f.done) + "/" + std::to_string(f.total);
  const double perSecond = f.seconds > 0 ? static_cast<double>(f.done) / f.seconds : 0;
  if (rate) tail += "  " + std::to_string(static_cast<long long>(perSecond + 0.5)) + " items/s";
  if (left && perSecond > 0 && f.total > f.done)
    tail += "  " + Duration(static_cast<double>(f.total - f.done) / perSecond) + " left";
  return tail;
}

// The columns the figures take at most while the folder runs (up to 9999
// items/s and 99:59 left), so that the bar keeps its width as they grow.
std::size_t Reserved(const Figures& f, bool rate, bool left) {
  const std::string total = std::to_string(f.total);
  return 3 + 2 * total.size() + (rate ? 14 : 0) + (left ? 12 : 0);
}

// "name  [#####-----]  12/40  35 items/s  0:01 left", one line for each
// bar, in fewer columns than the terminal has (a line that fills the last
// column wraps on some terminals). Both bars share one layout: the name
// takes a third of the width, the bar what the figures leave of it, and the
// rate and the time left come only where they fit, the time left first.
std::vector<std::string> Bars(const std::vector<Figures>& bars, std::size_t columns) {
  const std::size_t room = columns > 1 ? columns - 1 : 1;
  const std::size_t nameWidth = std::clamp(room / 3, kMinName, kMaxName);
  constexpr bool kShown[][2] = {{true, true}, {false, true}, {true, false}, {false, false}};
  std::vector<std::string> tails;
  std::size_t barWidth = kMinBar;
  for (const auto& [rate, left] : kShown) {
    tails.clear();
    std::size_t tailWidth = 0;
    for (const Figures& f : bars)
      tailWidth = std::max({tailWidth, DisplayWidth(tails.emplace_back(Tail(f, rate, left))), Reserved(f, rate, left)});
    if (nameWidth + 3 + kMinBar + tailWidth <= room) {
      barWidth = std::min(kMaxBar, room - nameWidth - 3 - tailWidth);
      break;
    }
  }
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const Figures& f = bars[i];
    const auto filled = static_cast<std::size_t>(
        f.total > 0 ? std::min(f.done, f.total) * static_cast<std::int64_t>(barWidth) / f.total : 0);
    const std::string name = controller::TailWithin(controller::Printable(f.name), nameWidth);
    lines.push_back(controller::HeadWithin(controller::PadRight(name, nameWidth) + " [" + std::string(filled, '#') +
                                               std::string(barWidth - filled, '-') + "]" + tails[i],
                                           room));
  }
  return lines;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Progress::Progress(Mode mode) : mode_(mode) {
  if (mode_ == Mode::kTerminal) WatchSize();
}

Progress::~Progress() {
  Clear();
  if (watchingSize_) sigaction(SIGWINCH, &resizeBefore_, nullptr);
}

// The handler only notes the change; the next redraw reads the new width.
void Progress::WatchSize() {
  columns_ = TerminalColumns();
  struct sigaction action {};
  action.sa_handler = OnResize;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  watchingSize_ = sigaction(SIGWINCH, &action, &resizeBefore_) == 0;
}

void Progress::DatabaseMade(const std::filesystem::path& database) { std::cout << database.string() << std::endl; }

void Progress::Planned(const std::vector<controller::FolderOutcome>& folders) {
  for (const auto& f : folders) total_ += f.listed;
  start_ = Clock::now();
  if (mode_ == Mode::kPlain)
    std::cerr << "migrating " << Counted(total_, "item", "items") << " in "
              << Counted(static_cast<std::int64_t>(folders.size()), "folder", "folders") << std::endl;
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
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, " in %.1f s", outcome.seconds);
  const std::string figures =
      ": " + std::to_string(outcome.announced) + " of " + Counted(outcome.listed, "item", "items") + seconds;
  std::string name = controller::Printable(win32::Utf16ToUtf8(outcome.source));
  // On a terminal the line keeps to the window too; the summary names the folder in full.
  if (mode_ == Mode::kTerminal) {
    if (gResized != 0) gResized = 0, columns_ = TerminalColumns();
    const std::size_t room = columns_ > 1 ? columns_ - 1 : 1;
    name = controller::TailWithin(name,
                                  std::max(kMinName, room > DisplayWidth(figures) ? room - DisplayWidth(figures) : 0));
  }
  std::cerr << name << figures << std::endl;
}

// Said whatever the mode; the bars come back with the next item.
void Progress::Notice(const std::string& line) {
  Clear();
  std::cerr << line << std::endl;
}

void Progress::Draw(const controller::FolderOutcome& outcome, bool force) {
  if (mode_ != Mode::kTerminal) return;
  const auto now = Clock::now();
  const bool resized = gResized != 0;
  if (!force && !resized && now - drawn_ < kRedrawEvery) return;
  if (resized) {
    gResized = 0;
    columns_ = TerminalColumns();
  }
  drawn_ = now;
  const std::int64_t done = doneBefore_ + outcome.announced;
  // Erasing to the end of the screen also takes what a narrower window
  // wrapped of the bars drawn before.
  const std::vector<std::string> lines =
      Bars({{win32::Utf16ToUtf8(outcome.source), outcome.announced, outcome.listed, Since(folderStart_)},
            {"all folders", done, std::max(total_, done), Since(start_)}},
           columns_);
  std::cerr << "\r\033[J" << lines[0] << "\n" << lines[1] << "\033[1A\r" << std::flush;
  onScreen_ = true;
}

void Progress::Clear() {
  if (!onScreen_) return;
  std::cerr << "\r\033[J" << std::flush;
  onScreen_ = false;
}

}  // namespace brackenford_cli
