// Nothing is lost silently: an engine that dies or falls silent mid-folder,
// or the user's request to stop, ends the run with the items that did not
// arrive named, their files still on disk, the other engines closed (so the
// profile is gone) and the report saying why.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <thread>

#include "Road.h"
#include "controller/Migration.h"
#include "migrate_support.h"
#include "win32/text.h"

namespace migrate_test {
namespace {

using namespace std::chrono_literals;

constexpr char kMailbox[] = R"json({ "folders": [
  { "name": "Inbox", "messages": [
    { "props": { "PR_SUBJECT_W": "Mail 1" } }, { "props": { "PR_SUBJECT_W": "Mail 2" } },
    { "props": { "PR_SUBJECT_W": "Mail 3" }, "attachments": [ { "long_filename": "a.txt", "data": "base64:aGk=" } ] },
    { "props": { "PR_SUBJECT_W": "Mail 4" } }, { "props": { "PR_SUBJECT_W": "Mail 5" } } ] },
  { "name": "Calendar", "class": "IPF.Appointment", "messages": [
    { "class": "IPM.Appointment", "props": { "PR_SUBJECT_W": "Meeting" } } ] } ] })json";

// Strikes once, after the given number of items of a folder were handled
// (inserted or named as failed; the exporter is ahead by the queue).
struct Strike : controller::MigrationObserver {
  int after = 2;
  std::function<void(const Strike&)> action;
  pid_t tallowby = -1, cressing = -1, fennick = -1;
  bool struck = false;

  void Engines(pid_t t, pid_t c, pid_t f) override { tallowby = t, cressing = c, fennick = f; }
  void ItemDone(std::size_t, const controller::FolderOutcome& outcome) override {
    if (struck || outcome.inserted + outcome.failed != after) return;
    struck = true;
    action(*this);
  }
};

void Kill(pid_t pid, int signal) {
  ::kill(pid, signal);
  std::this_thread::sleep_for(100ms);  // the window goes with the process
}

// Kills the process at once, or once it has taken the request that comes
// next: stopped now, killed while the controller waits on it.
void KillWhenAsked(pid_t pid, std::vector<std::thread>& later) {
  ::kill(pid, SIGSTOP);
  later.emplace_back([pid] {
    std::this_thread::sleep_for(500ms);
    ::kill(pid, SIGKILL);
  });
}

struct Case {
  const char* what;
  std::function<void(const Strike&)> action;
  std::string problem;  // in the report's problems
  std::string failure;  // the reason of item 3's failure and those after it; empty: no failures
  int inserted;         // documents of the Inbox (at least, when the exporter is struck: it may be ahead)
  bool interrupted = false;
  std::chrono::seconds limit{120};  // for an engine's answer
  std::string warning = {};         // in the report's warnings, at no cost
  bool orMore = false;
};

class MigrateFaults : public MigrateTest {
 protected:
  void TearDown() override {
    controller::StopRequests() = 0;
    MigrateTest::TearDown();
  }

  // A second run into a new database delivers every item of the mailbox.
  void ExpectSecondRunDeliversAll(const fs::path& pst, const std::string& top) {
    const fs::path again = machine_.scratch() / ("again-" + top);
    const cli_test::Run run = Run("migrate --quiet --pst " + pst.string() + " --out " + again.string());
    ASSERT_EQ(run.status, 0) << run.err;
    const Json dump = Dump(again / (top + ".nsf"));
    EXPECT_EQ(Documents(dump, top + "\\Inbox").size(), 5u);
    EXPECT_EQ(Documents(dump, top + "\\Calendar").size(), 1u);
  }
};

TEST_F(MigrateFaults, WhatDidNotArriveIsNamedAndKept) {
  std::vector<std::thread> later;
  const Case cases[] = {
      {"the importer dies between items", [](const Strike& s) { Kill(s.fennick, SIGKILL); },
       "fennick ended unexpectedly", "fennick ended unexpectedly", 2},
      {"the importer dies holding an item", [&](const Strike& s) { KillWhenAsked(s.fennick, later); },
       "fennick ended unexpectedly", "fennick ended unexpectedly", 2},
      {"the importer stops answering", [](const Strike& s) { Kill(s.fennick, SIGSTOP); },
       "fennick did not answer within 3 s and was stopped", "fennick did not answer within 3 s", 2, false, 3s},
      // The importer still inserts what was queued.
      {"the exporter dies", [](const Strike& s) { Kill(s.cressing, SIGKILL); }, "cressing ended unexpectedly", "", 2, false, 120s, "", true},
      {"the exporter dies mid-export", [&](const Strike& s) { KillWhenAsked(s.cressing, later); },
       "cressing ended unexpectedly", "", 2, false, 120s, "", true},
      // Every item arrives and the guard deletes the profile: a whole run.
      {"the profile engine dies after the profile", [](const Strike& s) { Kill(s.tallowby, SIGKILL); }, "", "", 5,
       false, 120s, "tallowby ended with status 137"},
      // The items queued and the one at hand arrive, and the export stops after them.
      {"the user stops it", [](const Strike&) { controller::RequestStop(); }, "", "", 2, true, 120s, "", true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    controller::StopRequests() = 0;
    const std::string top = "mailbox" + std::to_string(++n);
    const fs::path pst = Pst(top, kMailbox);
    const std::string source = cli_test::ReadFile(pst);
    controller::MigrateOptions options;
    options.pstFiles = {pst};
    options.outFolder = out_;
    options.engineFolder = testing_support::BuildDir() / "bin";
    options.answerLimit = c.limit;
    Strike strike;
    strike.action = c.action;
    const controller::MigrationReport report = controller::Migrate(options, strike);
    for (std::thread& t : later) t.join();
    later.clear();
    ASSERT_TRUE(strike.struck);
    EXPECT_EQ(cli_test::ReadFile(pst), source) << "the PST file is untouched";

    const bool whole = c.inserted == 5 && !c.orMore;
    EXPECT_EQ(report.ExitStatus(), whole ? 0 : 1) << testing::PrintToString(report.problems);
    EXPECT_EQ(report.interrupted, c.interrupted);
    EXPECT_EQ(report.warnings, c.warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.warning});
    if (!c.problem.empty()) {
      EXPECT_TRUE(std::any_of(report.problems.begin(), report.problems.end(), [&](const std::string& p) {
        return p.rfind(c.problem, 0) == 0;
      })) << testing::PrintToString(report.problems);
    }
    ASSERT_EQ(report.folders.size(), 3u);  // Deleted Items, Inbox, Calendar
    const controller::FolderOutcome& inbox = report.folders[1];
    if (c.orMore) {
      EXPECT_GE(inbox.inserted, c.inserted);
    } else {
      EXPECT_EQ(inbox.inserted, c.inserted);
    }
    EXPECT_EQ(Documents(Dump(report.database), top + "\\Inbox").size(), static_cast<std::size_t>(inbox.inserted));
    // Every item is in the database, named as failed, or never exported.
    EXPECT_EQ(inbox.inserted + inbox.failed + inbox.notExported, 5);
    // Its export may have run to its end before the importer was struck.
    if (whole) {
      EXPECT_TRUE(inbox.complete);
    }
    EXPECT_EQ(report.folders[2].notExported, whole ? 0 : 1) << "the next folder is left alone";

    std::error_code ec;
    if (c.failure.empty()) {
      EXPECT_TRUE(report.failures.empty());
    } else {
      // Item 3 did not arrive, nor those queued after it, nor the one the
      // exporter announced next (answered 0, so its files stay).
      ASSERT_GE(report.failures.size(), 1u);
      EXPECT_EQ(report.failures[0].subject, u"Mail 3");
      EXPECT_GE(report.failures[0].files.size(), 4u) << "MIME file, item text, attachment list, attachment";
      std::set<fs::path> named;
      for (std::size_t i = 0; i < report.failures.size(); ++i) {
        const controller::ItemFailure& failure = report.failures[i];
        EXPECT_EQ(failure.itemNumber, static_cast<int>(3 + i));
        EXPECT_EQ(failure.reason.rfind(c.failure, 0), 0u) << failure.reason;
        EXPECT_GE(failure.files.size(), 3u) << "MIME file, item text, attachment list";
        for (const std::u16string& file : failure.files) {
          std::string path = win32::Utf16ToUtf8(file);
          std::replace(path.begin(), path.end(), '\\', '/');
          EXPECT_TRUE(fs::exists(path)) << path;
          named.insert(fs::path(path).lexically_normal());
        }
      }
      ASSERT_TRUE(fs::is_directory(report.keptFolder));
      // Every file the item left is named, its attachment's too.
      for (const char* where : {"work", "kept"})
        for (const auto& entry : fs::recursive_directory_iterator(report.keptFolder / where, ec)) {
          if (!entry.is_regular_file()) continue;
          EXPECT_TRUE(named.count(entry.path().lexically_normal())) << entry.path();
        }
      const Json json = Json::parse(controller::ReportJson(report, options));
      EXPECT_EQ(json["failures"][0]["item"], 3);
      EXPECT_EQ(json["failures"][0]["subject"], "Mail 3");
      EXPECT_EQ(json["exit_status"], 1);
      fs::remove_all(report.keptFolder);
    }
    EXPECT_EQ(Profiles(), std::vector<std::string>{}) << "the profile is gone";
    EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});
    ExpectSecondRunDeliversAll(pst, top);
  }
}

// Stops one engine as soon as the three are up.
struct StopAtStart : controller::MigrationObserver {
  std::string engine;
  void Engines(pid_t t, pid_t c, pid_t f) override {
    ::kill(engine == "tallowby" ? t : engine == "cressing" ? c : f, SIGSTOP);
  }
};

// An engine that falls silent before the exports stops the run with status
// 2, and what became of it is the reason given.
// A damaged block inside an attachment's data: the exporter says so and
// announces the item without it. The item is named as not whole with its
// files kept, once, and is not also counted as an unreadable one.
TEST_F(MigrateFaults, AnItemWithADamagedAttachmentIsNamedOnceAsNotWhole) {
  const std::string data(8000, 'Q');
  std::string hex;
  for (std::size_t i = 0; i < data.size(); ++i) hex += "51";  // 'Q'
  const fs::path pst = Pst("damaged", R"({"folders": [{"name": "Inbox", "class": "IPF.Note", "messages": [
      {"props": {"PR_SUBJECT_W": "with attachment", "PR_BODY_W": "one"},
       "attachments": [{"method": 1, "long_filename": "a.bin", "data": "hex:)" + hex + R"("}]},
      {"props": {"PR_SUBJECT_W": "plain", "PR_BODY_W": "two"}}]}]})");
  {
    std::fstream file(pst, std::ios::in | std::ios::out | std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    const std::size_t at = bytes.find(data.substr(0, 4000));
    ASSERT_NE(at, std::string::npos) << "the attachment's data is stored as it is";
    file.seekp(static_cast<std::streamoff>(at + 100));
    file.put('\x01');
  }
  const fs::path report = machine_.scratch() / "report.json";
  const cli_test::Run run =
      Run("migrate --pst " + pst.string() + " --out " + out_.string() + " --report " + report.string());
  EXPECT_EQ(run.status, 1) << run.err;
  const Json r = ReadJson(report);
  EXPECT_EQ(r["totals"]["announced"], 2);
  EXPECT_EQ(r["totals"]["inserted"], 1);
  EXPECT_EQ(r["totals"]["failed"], 1);
  EXPECT_EQ(r["totals"]["unreadable"], 0);
  ASSERT_EQ(r["failures"].size(), 1u) << r.dump(2);
  const Json& failure = r["failures"][0];
  EXPECT_EQ(failure["subject"], "with attachment");
  EXPECT_NE(failure["reason"].get<std::string>().find("SaveAttachments"), std::string::npos) << failure;
  ASSERT_FALSE(failure["files"].empty()) << failure;
  for (const Json& file : failure["files"]) EXPECT_TRUE(fs::exists(file.get<std::string>())) << file;
}

TEST_F(MigrateFaults, AnEngineSilentAtTheStartIsTheReasonGiven) {
  const struct {
    const char* engine;
    std::string fatal;
  } cases[] = {
      {"tallowby", "Tallowby could not make the profile: tallowby did not answer within 3 s and was stopped"},
      {"cressing", "Cressing could not log on: cressing did not answer within 3 s and was stopped"},
      {"fennick", "Fennick could not create the database: fennick did not answer within 3 s and was stopped"},
  };
  const fs::path pst = Pst("start", kMailbox);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.engine);
    controller::MigrateOptions options;
    options.pstFiles = {pst};
    options.outFolder = out_;
    options.engineFolder = testing_support::BuildDir() / "bin";
    options.answerLimit = 3s;
    StopAtStart stop;
    stop.engine = c.engine;
    const controller::MigrationReport report = controller::Migrate(options, stop);
    EXPECT_EQ(report.ExitStatus(), 2);
    EXPECT_EQ(report.fatal, c.fatal);
    EXPECT_EQ(Profiles(), std::vector<std::string>{});
    EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace migrate_test
