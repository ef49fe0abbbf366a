// Faults at the start of a run: the controller killed while an engine is
// still starting, and the profile engine killed while it writes the run's
// profile. Nothing stays running, the profile made for the run goes, and
// the profiles of others stay.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>

#include <fstream>
#include <set>

#include "controller/Migration.h"
#include "mapi/mapicode.h"
#include "mapi/profiles.h"
#include "migrate_process.h"
#include "migrate_support.h"
#include "win32/machine.h"
#include "win32/text.h"
#include "win32/window.h"

namespace migrate_test {
namespace {

namespace profiles = mapi::profiles;

constexpr char kMailbox[] = R"({ "folders": [ { "name": "Inbox", "messages": [
    { "props": { "PR_SUBJECT_W": "Mail 1" } } ] } ] })";
// Tries at catching a process in a moment it may race past.
constexpr int kTries = 5;

std::set<std::u16string> ProfileNames() {
  std::set<std::u16string> names;
  for (const profiles::Profile& p : profiles::List()) names.insert(p.name);
  return names;
}

// Tells when a profile file is written (each write is a rename into place).
class ProfileWatch {
 public:
  ProfileWatch() : fd_(::inotify_init1(IN_CLOEXEC)) {
    ::inotify_add_watch(fd_, win32::ProfilesFolder().c_str(), IN_MOVED_TO);
  }
  ~ProfileWatch() { ::close(fd_); }
  ProfileWatch(const ProfileWatch&) = delete;
  ProfileWatch& operator=(const ProfileWatch&) = delete;
  bool Next(std::chrono::milliseconds limit) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(limit.count())) != 1) return false;
    alignas(inotify_event) char events[4096];
    return ::read(fd_, events, sizeof events) > 0;
  }

 private:
  int fd_;
};

// A profile new since `before` that has no services yet: one caught mid-write.
bool HalfMade(const std::set<std::u16string>& before) {
  for (const profiles::Profile& p : profiles::List())
    if (!before.count(p.name) && p.services.empty()) return true;
  return false;
}

class MigrateStartKilled : public MigrateTest {
 protected:
  void SetUp() override {
    MigrateTest::SetUp();
    // Profiles of others: an earlier run's leftover, named as Tallowby names
    // its own, and one of the user's.
    ASSERT_EQ(profiles::Create({u"{0D5E1A6B-0000-4000-8000-000000000001}", u"", {}, false}), S_OK);
    ASSERT_EQ(profiles::Create({u"Own", u"", {profiles::PstService(u"/home/own.pst")}, false}), S_OK);
    others_ = ProfileNames();
  }
  void ExpectNothingRunning() {
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!ProcessesOf(temp_).empty() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ProcessesOf(temp_), std::vector<pid_t>{}) << "engines left running";
  }
  std::set<std::u16string> others_;
};

TEST_F(MigrateStartKilled, TheControllerKilledWhileAnEngineStartsLeavesNoneRunning) {
  const fs::path pst = Pst("start", kMailbox);
  // The command beside engines of which Tallowby takes a second to start
  // (the engines are found beside the command).
  const fs::path bin = machine_.scratch() / "slow-bin";
  const fs::path built = testing_support::BuildDir() / "bin";
  fs::create_directories(bin);
  fs::copy_file(built / "brackenford", bin / "brackenford");
  for (const char* program : {"cressing", "fennick", "brackenford-guard"})
    fs::create_symlink(built / program, bin / program);
  std::ofstream(bin / "tallowby") << "#!/bin/sh\nsleep 1\nexec '" << (built / "tallowby").string() << "' \"$@\"\n";
  fs::permissions(bin / "tallowby", fs::perms::owner_all);

  Controller controller({"migrate", "--pst", pst.string(), "--out", out_.string()}, machine_.scratch(),
                        (bin / "brackenford").string());
  const auto end = std::chrono::steady_clock::now() + 30s;
  while (ProcessNamed(temp_, "tallowby") < 0 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(1ms);
  ASSERT_GT(ProcessNamed(temp_, "tallowby"), 0) << controller.Err();
  ::kill(controller.Pid(), SIGKILL);
  controller.Wait();
  ExpectNothingRunning();
  EXPECT_EQ(ProfileNames(), others_);
}

// Holds Tallowby as it first writes the run's profile and kills it there.
struct KillTallowbyMidWrite : controller::MigrationObserver {
  std::set<std::u16string> before = ProfileNames();
  std::unique_ptr<ProfileWatch> watch = std::make_unique<ProfileWatch>();
  std::thread thread;
  bool caught = false;
  void Engines(pid_t tallowby, pid_t, pid_t) override {
    thread = std::thread([this, tallowby] {
      if (!watch->Next(30s)) return;
      ::kill(tallowby, SIGSTOP);
      caught = HalfMade(before);
      ::kill(tallowby, caught ? SIGKILL : SIGCONT);
    });
  }
  ~KillTallowbyMidWrite() override {
    if (thread.joinable()) thread.join();
  }
};

TEST_F(MigrateStartKilled, TallowbyKilledWritingTheProfileLeavesNoProfile) {
  const fs::path pst = Pst("start", kMailbox);
  bool caught = false;
  for (int attempt = 0; attempt < kTries && !caught; ++attempt) {
    controller::MigrateOptions options;
    options.pstFiles = {pst};
    options.outFolder = out_ / std::to_string(attempt);
    options.engineFolder = testing_support::BuildDir() / "bin";
    KillTallowbyMidWrite kill;
    const controller::MigrationReport report = controller::Migrate(options, kill);
    kill.thread.join();
    caught = kill.caught;
    if (!caught) continue;
    EXPECT_EQ(report.ExitStatus(), 2);
    EXPECT_EQ(report.fatal.rfind("Tallowby could not make the profile: tallowby ended unexpectedly", 0), 0u)
        << report.fatal;
  }
  EXPECT_TRUE(caught) << "Tallowby's profile was never caught half made";
  EXPECT_EQ(ProfileNames(), others_);
  EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});
}

TEST_F(MigrateStartKilled, TheControllerKilledWithTallowbyWritingTheProfileLeavesNoProfile) {
  const fs::path pst = Pst("start", kMailbox);
  bool caught = false;
  for (int attempt = 0; attempt < kTries && !caught; ++attempt) {
    const std::set<std::u16string> before = ProfileNames();
    ProfileWatch watch;
    Controller controller({"migrate", "--pst", pst.string(), "--out", out_.string()}, machine_.scratch());
    pid_t tallowby = -1;
    const auto end = std::chrono::steady_clock::now() + 30s;
    while ((tallowby = ProcessNamed(temp_, "tallowby")) < 0 && std::chrono::steady_clock::now() < end) {
    }
    ASSERT_GT(tallowby, 0) << controller.Err();
    ASSERT_TRUE(watch.Next(30s)) << controller.Err();
    ::kill(tallowby, SIGSTOP);
    caught = HalfMade(before);
    // Both go at once; the guard is left to clean up.
    ::kill(tallowby, SIGKILL);
    ::kill(controller.Pid(), SIGKILL);
    controller.Wait();
    ExpectNothingRunning();
  }
  EXPECT_TRUE(caught) << "Tallowby's profile was never caught half made";
  EXPECT_EQ(ProfileNames(), others_);
}

}  // namespace
}  // namespace migrate_test
