// The three engine programs started by the window convention: found by the
// title their command line gives, answering what they do not know with the
// default handling, and ending with their dialog.
#include <filesystem>
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

  testing_support::TempMachine machine_;
};

TEST_P(EngineWindow, TitleRunsFromTheFirstMarkerToTheEndOfTheCommandLine) {
  HWND window = nullptr;
  auto engine = StartEngine({"x<GUID>abc", "<GUID>two"}, u"<GUID>abc <GUID>two", window);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"<GUID>abc"), nullptr) << "the title is compared whole";
  EXPECT_EQ(engine.Close(window, kLimit), 0);
}

TEST_P(EngineWindow, WithoutTheMarkerExitsAtOnceHavingHandledNothing) {
  auto engine = controller::EngineProcess::Start(Program(), {"no", "marker"});
  ASSERT_TRUE(engine);
  EXPECT_EQ(engine->WaitForExit(kLimit), 0);
  EXPECT_TRUE(fs::is_empty(win32::DesktopFolder())) << "no window is left on the desktop";
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
