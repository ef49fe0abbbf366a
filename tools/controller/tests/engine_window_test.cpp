// The three engine programs started by the window convention: found by the
// title their command line gives, answering what they do not know with the
// default handling, and ending with their dialog.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "controller/Requester.h"
#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/ui.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr auto kLimit = 10s;

class EngineWindow : public ::testing::TestWithParam<const char*> {
 protected:
  fs::path Program() const { return testing_support::BuildDir() / "bin" / GetParam(); }

  // Starts the engine with `args` and waits for the window titled `title`.
  controller::EngineProcess StartEngine(const std::vector<std::string>& args, const std::u16string& title,
                                        HWND& window) {
    std::string error;
    auto process = controller::EngineProcess::Start(Program(), args, &error);
    EXPECT_TRUE(process) << error;
    window = controller::WaitForWindow(title, kLimit, &*process);
    EXPECT_NE(window, nullptr);
    return std::move(*process);
  }

  // Runs the engine with `args` to its end: its exit status and what it
  // wrote on standard error.
  struct Ended {
    std::optional<int> status;
    std::string err;
  };
  Ended RunToEnd(const std::vector<std::string>& args) {
    const fs::path log = machine_.scratch() / "stderr.txt";
    const int saved = ::dup(2);
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
    auto engine = controller::EngineProcess::Start(Program(), args);
    ::dup2(saved, 2);
    ::close(saved);
    Ended ended;
    if (engine) ended.status = engine->WaitForExit(kLimit);
    std::ifstream in(log);
    ended.err.assign(std::istreambuf_iterator<char>(in), {});
    return ended;
  }

  testing_support::TempMachine machine_;
};

TEST_P(EngineWindow, TitleRunsFromTheFirstMarkerToTheEndOfTheCommandLine) {
  HWND window = nullptr;
  auto engine = StartEngine({"x<GUID>abc", "<GUID>two"}, u"<GUID>abc <GUID>two", window);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"<GUID>abc"), nullptr) << "the title is compared whole";
  EXPECT_EQ(engine.Close(window, kLimit), 0);
}

TEST_P(EngineWindow, WithoutTheMarkerSaysHowItIsStartedAndEnds) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"no", "marker"}, {"--help"}}) {
    SCOPED_TRACE(args.front());
    const Ended ended = RunToEnd(args);
    EXPECT_EQ(ended.status, 0);
    EXPECT_NE(ended.err.find(std::string("usage: ") + GetParam() + " '<GUID>title'"), std::string::npos) << ended.err;
    EXPECT_TRUE(fs::is_empty(win32::DesktopFolder())) << "no window is left on the desktop";
  }
}

TEST_P(EngineWindow, WithoutAMachineRootSaysSoAndMakesNothing) {
  const fs::path missing = machine_.scratch() / "no-machine";
  win32::SetMachineRoot(missing);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"<GUID>x"}, {"--help"}}) {
    SCOPED_TRACE(args.front());
    const Ended ended = RunToEnd(args);
    EXPECT_EQ(ended.status, 1);
    EXPECT_NE(ended.err.find(missing.string() + " does not exist"), std::string::npos) << ended.err;
    EXPECT_NE(ended.err.find("`brackenford machine init`"), std::string::npos) << ended.err;
    EXPECT_FALSE(fs::exists(missing));
  }
}

TEST_P(EngineWindow, MakesTheDesktopFolderPrivateOrRefusesToStart) {
  const fs::path desktop = win32::DesktopFolder();
  ASSERT_EQ(::chmod(desktop.c_str(), 0777), 0);
  HWND window = nullptr;
  auto engine = StartEngine({"<GUID>private"}, u"<GUID>private", window);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(fs::status(desktop).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(engine.Close(window, kLimit), 0);

  // A folder that is not this user's own is never used: a link to one, or
  // (when the test may give it away) one owned by another user.
  const fs::path elsewhere = machine_.scratch() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::remove(desktop);
  fs::create_directory_symlink(elsewhere, desktop);
  Ended ended = RunToEnd({"<GUID>linked"});
  EXPECT_EQ(ended.status, 1);
  EXPECT_NE(ended.err.find("a link is not followed"), std::string::npos) << ended.err;
  EXPECT_TRUE(fs::is_empty(elsewhere));
  if (::geteuid() != 0) return;
  fs::remove(desktop);
  fs::create_directory(desktop);
  ASSERT_EQ(::chown(desktop.c_str(), 65534, 65534), 0);
  ended = RunToEnd({"<GUID>owned"});
  EXPECT_EQ(ended.status, 1);
  EXPECT_NE(ended.err.find("belongs to another user"), std::string::npos) << ended.err;
  EXPECT_TRUE(fs::is_empty(desktop));
}

TEST_P(EngineWindow, TwoInstancesAreFoundApartByTitle) {
  HWND a = nullptr, b = nullptr;
  auto first = StartEngine({"<GUID>first"}, u"<GUID>first", a);
  auto second = StartEngine({"<GUID>second"}, u"<GUID>second", b);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  controller::Requester requester;
  EXPECT_EQ(first.Close(a, kLimit), 0);
  EXPECT_FALSE(requester.Send(a, WM_USER + 1).delivered);
  EXPECT_TRUE(requester.Send(b, WM_USER + 1).delivered) << "the other instance lives on";
  EXPECT_EQ(second.Close(b, kLimit), 0);
}

TEST_P(EngineWindow, AnswersUnknownRequestsWithTheDefaultAndStaysUp) {
  HWND window = nullptr;
  auto engine = StartEngine({"<GUID>idle"}, u"<GUID>idle", window);
  ASSERT_NE(window, nullptr);
  controller::Requester requester;
  BYTE record[16] = {};
  const struct {
    const char* name;
    controller::SendResult result;
  } requests[] = {
      {"unknown copy data", requester.SendCopyData(window, 0x7777, record, sizeof record)},
      {"copy data without bytes", requester.SendCopyData(window, 0x7777, nullptr, 0)},
      {"user message", requester.Send(window, WM_USER + 200, 5)},
      {"About item", requester.Send(window, WM_SYSCOMMAND, 0x10)},
      {"paint", requester.Send(window, WM_PAINT)},
  };
  for (const auto& r : requests) {
    EXPECT_TRUE(r.result.delivered) << r.name;
    EXPECT_EQ(r.result.value, 0) << r.name;
  }
  EXPECT_NE(requester.Send(window, WM_QUERYDRAGICON).value, 0) << "the icon handle";
  EXPECT_TRUE(requester.Replies().empty()) << "nothing is sent back";

  // Enter and Esc typed into the window never end it (Ctrl+Break needs a held
  // Ctrl key, which only the in-process keyboard tests can give).
  for (auto [message, key] : {std::pair{WM_KEYDOWN, VK_RETURN}, {WM_KEYDOWN, VK_ESCAPE}, {WM_CHAR, 13},
                              {WM_KEYUP, VK_ESCAPE}})
    ASSERT_TRUE(PostMessageW(window, message, key, 0));
  EXPECT_TRUE(requester.Send(window, WM_NULL).delivered);
  std::this_thread::sleep_for(100ms);  // let the posted keys through the loop
  EXPECT_TRUE(engine.Running());
  EXPECT_EQ(engine.Close(window, kLimit), 0);
}

TEST_P(EngineWindow, EndsWhenClosedOrConfirmed) {
  struct Way {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool post;
  };
  const Way ways[] = {
      {"posted WM_CLOSE", WM_CLOSE, 0, true},
      {"sent WM_CLOSE", WM_CLOSE, 0, false},
      {"IDOK command", WM_COMMAND, IDOK, false},
  };
  for (const Way& w : ways) {
    SCOPED_TRACE(w.name);
    HWND window = nullptr;
    auto engine = StartEngine({"<GUID>end"}, u"<GUID>end", window);
    ASSERT_NE(window, nullptr);
    if (w.post) ASSERT_TRUE(PostMessageW(window, w.message, w.wParam, 0));
    else SendMessageW(window, w.message, w.wParam, 0);
    EXPECT_EQ(engine.WaitForExit(kLimit), 0);
    EXPECT_TRUE(fs::is_empty(win32::DesktopFolder()));
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineWindow, ::testing::Values("cressing", "fennick", "tallowby"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
