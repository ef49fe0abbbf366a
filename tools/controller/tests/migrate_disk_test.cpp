// An output folder that cannot be written, and a disk that fills up: the
// run fails with a clear error and loses nothing. Both need a folder the
// test cannot write to even as root, or a small disk: a tmpfs mounted in a
// mount namespace of the run's own (`unshare -rm`), skipped where there is
// none.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "migrate_support.h"

namespace migrate_test {
namespace {

constexpr int kBig = 5;

// A mailbox of items with attachments that do not compress.
std::string BigMailbox() {
  std::mt19937 random(7);
  std::string messages;
  for (int i = 1; i <= kBig; ++i) {
    std::string hex;
    for (int b = 0; b < 40000; ++b) {
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(random() & 0xFF));
      hex += pair;
    }
    messages += std::string(i > 1 ? "," : "") + R"({ "props": { "PR_SUBJECT_W": "Big )" + std::to_string(i) +
                R"(" }, "attachments": [ { "long_filename": "b.bin", "data": "hex:)" + hex + R"(" } ] })";
  }
  return R"({ "folders": [ { "name": "Inbox", "messages": [ )" + messages + " ] } ] }";
}

class MigrateDisk : public MigrateTest {
 protected:
  // `brackenford ARGS` with a tmpfs of these mount options over `folder`,
  // seen by the run alone; nullopt when no mount namespace can be had.
  std::optional<cli_test::Run> Confined(const std::string& options, const fs::path& folder, const std::string& args) {
    if (std::system("unshare -rm true >/dev/null 2>&1") != 0) return std::nullopt;
    fs::create_directories(folder);
    const std::string program = (testing_support::BuildDir() / "bin" / "brackenford").string();
    const cli_test::Run run = cli_test::Shell(
        "unshare -rm sh -c \"mount -t tmpfs -o " + options + " tmpfs '" + folder.string() +
            "' || exit 97; exec '" + program + "' " + args + "\"",
        machine_.scratch());
    if (run.status == 97) return std::nullopt;
    return run;
  }

  void ExpectNothingLeft(const fs::path& pst, const std::string& source) {
    EXPECT_EQ(cli_test::ReadFile(pst), source) << "the PST file is untouched";
    EXPECT_EQ(Profiles(), std::vector<std::string>{}) << "the profile is gone";
  }
};

TEST_F(MigrateDisk, AnOutputFolderThatCannotBeWrittenStopsTheRunBeforeItStarts) {
  const fs::path pst = Pst("mail", R"({ "folders": [ { "name": "Inbox", "messages": [
      { "props": { "PR_SUBJECT_W": "Hello" } } ] } ] })");
  const std::string source = cli_test::ReadFile(pst);
  fs::create_directories(out_);
  ::chmod(out_.c_str(), 0555);
  const bool stopsWrites = ::access(out_.c_str(), W_OK) != 0;  // not for root
  std::optional<cli_test::Run> run;
  if (stopsWrites)
    run = Run("migrate --pst " + pst.string() + " --out " + out_.string());
  else
    run = Confined("ro", out_, "migrate --pst " + pst.string() + " --out " + out_.string());
  ::chmod(out_.c_str(), 0755);
  if (!run) GTEST_SKIP() << "running as root, where a mode does not stop writes, and no mount namespace (unshare -rm)";

  EXPECT_EQ(run->status, 2);
  EXPECT_NE(run->err.find("cannot write in " + out_.string() + ": "), std::string::npos) << run->err;
  EXPECT_TRUE(run->err.find("Read-only file system") != std::string::npos ||
              run->err.find("Permission denied") != std::string::npos)
      << run->err;
  ExpectNothingLeft(pst, source);
  EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});
}

TEST_F(MigrateDisk, AFullDiskKeepsWhatDidNotArrive) {
  const fs::path pst = Pst("big", BigMailbox());
  const std::string source = cli_test::ReadFile(pst);
  const fs::path report = machine_.scratch() / "report.json";
  const std::optional<cli_test::Run> run =
      Confined("size=100k", out_, "migrate --quiet --pst " + pst.string() + " --out " + out_.string() + " --report " +
                                      report.string());
  if (!run) GTEST_SKIP() << "no mount namespace for a small tmpfs (unshare -rm: no user namespaces, not root)";

  EXPECT_EQ(run->status, 1) << run->err;
  EXPECT_NE(run->err.find("no space left on the disk of " + out_.string()), std::string::npos) << run->err;
  const Json r = ReadJson(report);
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(r["totals"]["announced"], kBig);
  EXPECT_EQ(r["totals"]["inserted"].get<int>() + static_cast<int>(r["failures"].size()), kBig);
  ASSERT_FALSE(r["failures"].empty()) << "the disk filled up";
  for (const Json& failure : r["failures"]) {
    // The item's MIME file, item text, attachment list and attachment stay.
    EXPECT_EQ(failure["files"].size(), 4u) << failure;
    for (const Json& file : failure["files"]) EXPECT_TRUE(fs::exists(file.get<std::string>())) << file;
  }
  ExpectNothingLeft(pst, source);
  fs::remove_all(r["kept_folder"].get<std::string>());
  EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});

  const fs::path again = machine_.scratch() / "again";
  const cli_test::Run second = Run("migrate --quiet --pst " + pst.string() + " --out " + again.string());
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(Documents(Dump(again / "big.nsf"), "big\\Inbox").size(), static_cast<std::size_t>(kBig));
}

}  // namespace
}  // namespace migrate_test
