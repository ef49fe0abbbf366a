// The requester against a fake engine in another process.
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "controller/Requester.h"
#include "fake_engine.h"
#include "testing/temp_machine.h"
#include "win32/errors.h"

using namespace std::chrono_literals;

namespace {

class RequesterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pid_ = fake_engine::Start(u"<GUID>fake");  // before this process has a window
    engine_ = controller::WaitForWindow(u"<GUID>fake", 10s);
    ASSERT_NE(engine_, nullptr);
  }
  void TearDown() override {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  testing_support::TempMachine machine_;
  pid_t pid_ = -1;
  HWND engine_ = nullptr;
};

TEST_F(RequesterTest, KeepsRepliesInOrderAndAnswersThemThroughTheCallback) {
  controller::Requester requester;
  ASSERT_NE(requester.Window(), nullptr);
  std::vector<ULONG_PTR> answered;
  requester.SetAnswer([&](const controller::CopyDataReply& r) -> LRESULT {
    answered.push_back(r.code);
    return r.code == fake_engine::kItem ? 5 : 7;
  });
  std::vector<BYTE> record(40, 0x5A);
  const ULONGLONG self = win32::HandleValue(requester.Window());
  std::memcpy(record.data() + 8, &self, 8);

  const controller::SendResult r = requester.SendCopyData(engine_, fake_engine::kRequest, record.data(), 40);
  EXPECT_TRUE(r.delivered);
  EXPECT_EQ(r.value, 1000 + 5 + 7) << "the engine saw our window as wParam and in the record";
  EXPECT_EQ(answered, (std::vector<ULONG_PTR>{fake_engine::kItem, fake_engine::kDone}));
  ASSERT_EQ(requester.Replies().size(), 2u);
  EXPECT_EQ(requester.Replies()[0].bytes, record);
  EXPECT_EQ(requester.Replies()[0].sender, engine_);
  EXPECT_EQ(requester.Replies()[1].bytes.size(), 28u);

  EXPECT_EQ(requester.TakeReplies().size(), 2u);
  EXPECT_TRUE(requester.Replies().empty());
  const controller::SendResult plain = requester.Send(engine_, fake_engine::kPlain, 21);
  EXPECT_TRUE(plain.delivered);
  EXPECT_EQ(plain.value, 42);
}

TEST_F(RequesterTest, ZeroFromAWindowIsDeliveredButAGoneWindowIsNot) {
  controller::Requester requester;
  const controller::SendResult zero = requester.Send(engine_, WM_USER + 99);
  EXPECT_TRUE(zero.delivered);
  EXPECT_EQ(zero.value, 0);
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  EXPECT_FALSE(requester.Send(engine_, fake_engine::kPlain, 1).delivered);
  EXPECT_FALSE(requester.SendCopyData(engine_, fake_engine::kRequest, "x", 1).delivered);
}

// A request as in the first test: the engine's answer is 1000 (it saw this
// requester) plus our answers to its two call-backs.
LRESULT Exchange(controller::Requester& requester, HWND engine) {
  std::vector<BYTE> record(40, 0x5A);
  const ULONGLONG self = win32::HandleValue(requester.Window());
  std::memcpy(record.data() + 8, &self, 8);
  return requester.SendCopyData(engine, fake_engine::kRequest, record.data(), 40).value;
}

// As the road's pipeline: a second thread with a requester of its own sends
// to the engine while the first thread's requester does too; each one's
// replies are answered on its own thread.
TEST_F(RequesterTest, WorksOnASecondThreadBesideTheFirst) {
  constexpr int kRounds = 200;
  std::atomic<int> wrong{0}, offThread{0};
  auto run = [&] {
    controller::Requester requester;
    requester.KeepReplies(false);
    const std::thread::id me = std::this_thread::get_id();
    requester.SetAnswer([&](const controller::CopyDataReply& r) -> LRESULT {
      if (std::this_thread::get_id() != me) ++offThread;
      return r.code == fake_engine::kItem ? 5 : 7;
    });
    for (int i = 0; i < kRounds; ++i)
      if (Exchange(requester, engine_) != 1012) ++wrong;
  };
  std::thread second(run);
  run();
  second.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(offThread, 0);
}

TEST_F(RequesterTest, ARequesterSendsOnlyFromTheThreadThatMadeIt) {
  controller::Requester requester;
  controller::SendResult elsewhere{1, true};
  DWORD error = 0;
  ::testing::internal::CaptureStderr();
  std::thread([&] {
    elsewhere = requester.Send(engine_, fake_engine::kPlain, 21);
    error = GetLastError();
  }).join();
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("other than the one that made it"), std::string::npos);
  EXPECT_FALSE(elsewhere.delivered);
  EXPECT_EQ(error, ERROR_INVALID_THREAD_ID);
  EXPECT_EQ(Exchange(requester, engine_), 1000 + 1 + 1) << "its own thread still sends with it";
}

TEST(EngineProcessTest, WaitingForAWindowStopsWhenTheProgramHasEnded) {
  testing_support::TempMachine machine;
  auto process = controller::EngineProcess::Start("/bin/true", {});
  ASSERT_TRUE(process);
  EXPECT_EQ(controller::WaitForWindow(u"<GUID>never", 30s, &*process), nullptr);
  EXPECT_EQ(process->WaitForExit(1s), 0);
  std::string error;
  EXPECT_FALSE(controller::EngineProcess::Start("/nonexistent/engine", {}, &error));
  EXPECT_NE(error.find("/nonexistent/engine"), std::string::npos);
}

}  // namespace
