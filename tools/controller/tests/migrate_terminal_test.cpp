// brackenford migrate on a terminal (a pseudo-terminal of 80 or 40
// columns): each progress bar stays on one line of the window, also after
// the window narrows, the bars are gone from the screen at the end, and the
// summary table lines up folder names in Japanese. Widths are measured with
// the C library's own tables (wcwidth in a UTF-8 locale).
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <sstream>

#include "migrate_support.h"
#include "terminal_screen.h"

namespace migrate_test {
namespace {

// Text without carriage returns and control sequences (CSI ... final byte).
std::string WithoutControls(std::string_view bytes) {
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (bytes.substr(at, 2) == "\033[") {
      at += 2;
      while (at < bytes.size() && !(bytes[at] >= 0x40 && bytes[at] <= 0x7E)) ++at;
    } else if (bytes[at] != '\r') {
      text += bytes[at];
    }
  }
  return text;
}

// The two bar lines of every redraw: the text before each "cursor up",
// without control sequences, in lines; the last two.
std::vector<std::pair<std::string, std::string>> Frames(const std::string& stream) {
  std::vector<std::pair<std::string, std::string>> frames;
  std::size_t from = 0;
  for (std::size_t up; (up = stream.find("\033[1A", from)) != std::string::npos; from = up + 4) {
    std::istringstream text(WithoutControls(std::string_view(stream).substr(from, up - from)));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    if (lines.size() >= 2) frames.emplace_back(lines[lines.size() - 2], lines.back());
  }
  return frames;
}

struct TerminalRun {
  int status = -1;
  std::string screen;  // all the terminal received
  std::string out;     // standard output, kept apart in a file
};

class MigrateTerminal : public MigrateTest {
 protected:
  void SetUp() override {
    MigrateTest::SetUp();
    // Two folders of many items (one nested, with a long name) and one of a
    // single item, all named in Japanese.
    std::string items;
    for (int i = 0; i < 300; ++i)
      items += std::string(i ? "," : "") + R"({"props": {"PR_SUBJECT_W": "件名 )" + std::to_string(i) + R"("}})";
    const std::string many = "[" + items + "]";
    const std::string inbox = R"({"name": "受信トレイ", "class": "IPF.Note", "messages": )" + many +
                              R"(, "folders": [{"name": "プロジェクト計画と議事録の保管場所", "messages": )" + many +
                              "}]}";
    const std::string sent = R"({"name": "送信済み", "class": "IPF.Note", "messages": [{}]})";
    pst_ = Pst("mail", R"({"folders": [)" + inbox + ", " + sent + "]}");
  }

  // `brackenford migrate` in a pseudo-terminal of `columns` columns, made
  // `narrowTo` columns wide once the first bars are drawn.
  TerminalRun Migrate(unsigned short columns, std::optional<unsigned short> narrowTo = std::nullopt) {
    const fs::path outFile = machine_.scratch() / "terminal-out.txt";
    const std::string program = (testing_support::BuildDir() / "bin" / "brackenford").string();
    const std::vector<std::string> args = {program, "migrate", "--pst", pst_.string(), "--out", out_.string()};
    winsize size{};
    size.ws_row = 24, size.ws_col = columns;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
      const int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, STDOUT_FILENO);
      std::vector<char*> argv;
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    TerminalRun run;
    if (pid < 0) return ADD_FAILURE() << "forkpty failed", run;
    int status = 0;
    bool exited = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{master, POLLIN, 0};
      const int ready = ::poll(&p, 1, 50);
      if (ready > 0) {
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;  // every holder of the terminal closed it
        run.screen.append(buffer, static_cast<std::size_t>(n));
        if (narrowTo && run.screen.find("\033[1A") != std::string::npos) {
          size.ws_col = *std::exchange(narrowTo, std::nullopt);
          ::ioctl(master, TIOCSWINSZ, &size);  // SIGWINCH to the program
        }
      }
      if (!exited) exited = ::waitpid(pid, &status, WNOHANG) == pid;
      if (exited && ready == 0) break;  // all it wrote is read
    }
    while (!exited && std::chrono::steady_clock::now() < deadline) {
      exited = ::waitpid(pid, &status, WNOHANG) == pid;
      if (!exited) ::usleep(10000);
    }
    if (!exited) {
      ADD_FAILURE() << "brackenford migrate did not end";
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
    }
    ::close(master);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = cli_test::ReadFile(outFile);
    fs::remove_all(out_);
    return run;
  }

  fs::path pst_;
};

TEST_F(MigrateTerminal, BarsStayOneLineAndTheTableLinesUpAt80And40Columns) {
  for (const unsigned short columns : {80, 40}) {
    const TerminalRun run = Migrate(columns);
    ASSERT_EQ(run.status, 0) << columns << "\n" << run.screen;
    const auto frames = Frames(run.screen);
    ASSERT_FALSE(frames.empty()) << columns << ": no bars drawn\n" << run.screen;
    for (const auto& [folder, all] : frames) {
      EXPECT_LT(Columns(folder), columns) << columns << ": " << folder;
      EXPECT_LT(Columns(all), columns) << columns << ": " << all;
      EXPECT_TRUE(all.starts_with("all folders ")) << all;
    }
    EXPECT_TRUE(std::any_of(
        frames.begin(), frames.end(),
        [](const auto& f) { return f.first.starts_with("...") && f.first.find("の保管場所") != std::string::npos; }))
        << columns << ": the long name is cut, keeping its end";

    // The window ends with each folder's line and no bar left over.
    Screen screen(columns);
    screen.Feed(run.screen);
    const std::string shown = screen.Text();
    EXPECT_EQ(shown.find("all folders"), std::string::npos) << columns << "\n" << shown;
    EXPECT_EQ(shown.find("items/s"), std::string::npos) << columns << "\n" << shown;
    // Each folder's line keeps to the window too, shortening the name.
    std::istringstream rows(shown);
    std::vector<std::string> lines;
    for (std::string row; std::getline(rows, row);) {
      EXPECT_LT(Columns(row), columns) << row;
      if (row.find(" item") != std::string::npos) lines.push_back(row.substr(0, row.find(" in ")));
    }
    const std::pair<std::string, std::string> expected[] = {
        {"mail\\Deleted Items", ": 0 of 0 items"},
        {"mail\\受信トレイ", ": 300 of 300 items"},
        {"mail\\受信トレイ\\プロジェクト計画と議事録の保管場所", ": 300 of 300 items"},
        {"mail\\送信済み", ": 1 of 1 item"}};
    ASSERT_EQ(lines.size(), std::size(expected)) << shown;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const auto& [folder, figures] = expected[i];
      ASSERT_TRUE(lines[i].ends_with(figures)) << lines[i];
      const std::string name = lines[i].substr(0, lines[i].size() - figures.size());
      // Whole where it fits (always at 80 columns), else cut keeping its end.
      EXPECT_TRUE(name == folder || (columns < 80 && name.starts_with("...") && folder.ends_with(name.substr(3))))
          << columns << ": " << lines[i];
    }

    // Below the database's path and a blank line: the header, a row per
    // folder and the totals, all equally wide.
    std::istringstream out(run.out);
    std::string line;
    std::getline(out, line), std::getline(out, line);
    std::vector<std::string> table;
    while (std::getline(out, line)) table.push_back(line);
    ASSERT_EQ(table.size(), 6u) << run.out;
    EXPECT_TRUE(table[3].starts_with("mail\\受信トレイ\\プロジェクト計画と議事録の保管場所 ")) << table[3];
    for (const std::string& row : table) EXPECT_EQ(Columns(row), Columns(table[0])) << row << "\n" << run.out;
  }
}

TEST_F(MigrateTerminal, BarsNarrowWithTheWindow) {
  const TerminalRun run = Migrate(80, 40);
  ASSERT_EQ(run.status, 0) << run.screen;
  const auto frames = Frames(run.screen);
  ASSERT_GE(frames.size(), 2u) << run.screen;
  EXPECT_GE(Columns(frames.front().second), 40u) << "drawn for 80 columns first: " << frames.front().second;
  EXPECT_LT(Columns(frames.back().first), 40u) << frames.back().first;
  EXPECT_LT(Columns(frames.back().second), 40u) << frames.back().second;
}

}  // namespace
}  // namespace migrate_test
