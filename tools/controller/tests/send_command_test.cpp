// brackenford send, run as a program against a fake engine.
#include <signal.h>
#include <sys/wait.h>

#include <fstream>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "controller/Requester.h"
#include "fake_engine.h"
#include "testing/temp_machine.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using cli_test::ReadFile;

namespace {

class SendCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    pid_ = fake_engine::Start(u"<GUID>fake");
    ASSERT_NE(controller::WaitForWindow(u"<GUID>fake", 10s), nullptr);
  }
  void TearDown() override {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  // Runs `brackenford send ARGS`; keeps its output, returns its exit status.
  int Run(const std::string& args) {
    cli_test::Run run = cli_test::Brackenford("send " + args, machine_.scratch());
    out_ = std::move(run.out);
    err_ = std::move(run.err);
    return run.status;
  }

  testing_support::TempMachine machine_;
  pid_t pid_ = -1;
  std::string out_, err_;
};

TEST_F(SendCommand, CopyDataSavesAndAnswersTheRepliesAndPrintsTheResult) {
  const fs::path data = machine_.scratch() / "record.bin";
  std::string record(40, 'r');
  std::ofstream(data, std::ios::binary) << record;
  const fs::path replies = machine_.scratch() / "replies";
  ASSERT_EQ(Run("--title '<GUID>fake' --copydata 1033 --data " + data.string() + " --self-at 8 --replies " +
                replies.string() + " --answer 1031=5"),
            0)
      << err_;
  EXPECT_EQ(out_, "reply 001: code 1031, 40 bytes\nreply 002: code 1035, 28 bytes\nresult: 1006\n")
      << "1000: our window was at offset 8; 5 for 1031, the default 1 for 1035";
  // The fake engine echoes the record: ours, with our window written at offset 8.
  const std::string echoed = ReadFile(replies / "001-1031.bin");
  ASSERT_EQ(echoed.size(), 40u);
  EXPECT_EQ(echoed.substr(0, 8) + echoed.substr(16), record.substr(0, 8) + record.substr(16));
  EXPECT_NE(echoed.substr(8, 8), record.substr(8, 8));
  EXPECT_EQ(ReadFile(replies / "002-1035.bin").size(), 28u);
}

TEST_F(SendCommand, PlainMessagesListAndExitStatuses) {
  EXPECT_EQ(Run("--title '<GUID>fake' --message 1025 --lparam 21"), 0) << err_;
  EXPECT_EQ(out_, "result: 42\n");

  EXPECT_EQ(Run("--list"), 0);
  EXPECT_EQ(out_, "<GUID>fake\n");

  EXPECT_EQ(Run("--title '<GUID>nobody' --message 1025"), 3);
  EXPECT_NE(err_.find("no window has the title '<GUID>nobody'"), std::string::npos);

  struct Bad {
    const char* args;
    const char* error;
    int status;  // 2 for a command line that is not well formed
  };
  const Bad bad[] = {
      {"--title x", "give either --message or --copydata", 2},
      {"--title x --message 1 --copydata 2 --data f", "give either --message or --copydata", 2},
      {"--title x --copydata 2", "--copydata needs --data FILE", 2},
      {"--message 1", "--title is required", 2},
      {"--title x --answer 5", "--answer needs CODE=VALUE", 2},
      {"--title '<GUID>fake' --copydata 2 --data /nonexistent", "cannot read /nonexistent", 1},
  };
  for (const Bad& b : bad) {
    EXPECT_EQ(Run(b.args), b.status) << b.args;
    EXPECT_NE(err_.find(b.error), std::string::npos) << b.args << ": " << err_;
  }
  const fs::path small = machine_.scratch() / "small.bin";
  std::ofstream(small, std::ios::binary) << "1234567";
  EXPECT_EQ(Run("--title '<GUID>fake' --copydata 2 --data " + small.string() + " --self-at 0"), 1);
  EXPECT_NE(err_.find("does not fit the 7-byte record"), std::string::npos) << err_;

  EXPECT_EQ(Run("--help"), 0);
  EXPECT_NE(out_.find("usage: brackenford send"), std::string::npos);
}

// Numbers out of their option's range are refused before anything is sent,
// and the engine goes on answering.
TEST_F(SendCommand, NumbersOutOfRangeAreRefused) {
  const struct {
    const char* args;
    const char* error;
  } bad[] = {
      {"--wait 1e16", "--wait needs seconds (0 to 86400)"},
      {"--wait inf", "--wait needs seconds"},
      {"--wait nan", "--wait needs seconds"},
      {"--wait -1", "--wait needs seconds"},
      {"--wait 86401", "--wait needs seconds"},
      {"--wait ' 5'", "--wait needs seconds"},
      {"--message -1", "--message needs a message number"},
      {"--message 0x100000000", "--message needs a message number"},
      {"--message 1025 --lparam 99999999999999999999", "--lparam needs a number"},
      {"--copydata ' -1' --data x", "--copydata needs a code"},
      {"--copydata 2 --data x --self-at 0x10000000000000000", "--self-at needs an offset"},
      {"--answer 5=1e3", "--answer needs CODE=VALUE"},
  };
  for (const auto& b : bad) {
    EXPECT_EQ(Run(std::string("--title '<GUID>fake' ") + b.args), 2) << b.args << ": " << err_;
    EXPECT_NE(err_.find(b.error), std::string::npos) << b.args << ": " << err_;
    EXPECT_TRUE(out_.empty()) << b.args << ": nothing was sent";
  }
  EXPECT_EQ(Run("--title '<GUID>fake' --wait 0.5 --message 1025 --lparam 21"), 0) << err_;
  EXPECT_EQ(out_, "result: 42\n");
}

}  // namespace
