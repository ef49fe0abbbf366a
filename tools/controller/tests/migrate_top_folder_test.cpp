// Items stored in the top of the personal folders are not migrated: the run
// says so (summary, standard error, report: how many, their subjects, why)
// and does not end as if every item had arrived.
#include <gtest/gtest.h>

#include "migrate_support.h"
#include "testing/shared_fixtures.h"

namespace migrate_test {
namespace {

class MigrateTopFolder : public MigrateTest {
 protected:
  // Runs the command with a report; the report's entries for the top.
  Json Migrate(const fs::path& pst, cli_test::Run* run) {
    const fs::path report = machine_.scratch() / (pst.stem().string() + ".json");
    *run = Run("migrate --pst " + pst.string() + " --out " + out_.string() + " --report " + report.string());
    const Json r = ReadJson(report);
    EXPECT_EQ(r["exit_status"], 1);
    return r["top_folder_items"];
  }
};

TEST_F(MigrateTopFolder, ItemsOnTopAreNamedAndTheRunIsNotWhole) {
  const fs::path pst = Pst("ontop", R"({
      "messages": [ { "props": { "PR_SUBJECT_W": "Left on top" } }, { "props": { "PR_SUBJECT_W": "Also on top" } } ],
      "folders": [ { "name": "Inbox", "messages": [ { "props": { "PR_SUBJECT_W": "Below" } } ] } ] })");
  cli_test::Run run;
  const Json top = Migrate(pst, &run);
  EXPECT_EQ(run.status, 1) << run.err;
  ASSERT_EQ(top.size(), 1u) << top.dump(2);
  EXPECT_EQ(top[0]["store"], "ontop");
  EXPECT_EQ(top[0]["count"], 2);
  EXPECT_EQ(top[0]["subjects"], Json::parse(R"(["Left on top", "Also on top"])"));
  EXPECT_NE(top[0]["why"].get<std::string>().find("top of the personal folders"), std::string::npos);
  const std::string line =
      "ontop: 2 items not migrated (the top of the personal folders is not migrated, only the folders below it): "
      "\"Left on top\", \"Also on top\"";
  EXPECT_NE(run.out.find(line), std::string::npos) << "in the summary: " << run.out;
  EXPECT_NE(run.err.find("brackenford migrate: " + line), std::string::npos) << run.err;
  // What lies below the top arrives as ever.
  EXPECT_EQ(Documents(Dump(out_ / "ontop.nsf"), "ontop\\Inbox").size(), 1u);
  EXPECT_EQ(Profiles(), std::vector<std::string>{});
  EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});
}

TEST_F(MigrateTopFolder, TheOutlookFileWithItsMessageOnTop) {
  SKIP_WITHOUT_SHARED_FIXTURE(pst, "outlook-top-folder.pst");
  cli_test::Run run;
  const Json top = Migrate(pst, &run);
  EXPECT_EQ(run.status, 1) << run.err;
  ASSERT_EQ(top.size(), 1u) << top.dump(2);
  EXPECT_EQ(top[0]["store"], "outlook-top-folder");
  EXPECT_EQ(top[0]["count"], 1);
  EXPECT_EQ(top[0]["subjects"], Json::parse(R"(["Alpha"])"));
  EXPECT_NE(run.err.find("outlook-top-folder: 1 item not migrated"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace migrate_test
