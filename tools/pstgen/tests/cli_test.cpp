// The pstgen command.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "pff_reader.h"
#include "testing/temp_machine.h"
#include "tool_run.h"

namespace pstgen_test {
namespace {

namespace fs = std::filesystem;

std::string Pstgen() { return Quote((testing_support::BuildDir() / "bin" / "pstgen").string()); }

TEST(PstgenCommand, HelpDocumentsTheDescription) {
  ToolResult r = RunTool(Pstgen() + " --help");
  EXPECT_EQ(0, r.status);
  for (const char* s : {"--synthetic N", "\"recipients\"", "\"attachments\"", "\"named\"", "PT_SYSTIME", "PT_MV_",
                        "PR_IPM_SUBTREE_ENTRYID", "oneoff:", "\"format\": \"ansi\""})
    EXPECT_NE(std::string::npos, r.output.find(s)) << s;
  EXPECT_EQ(2, RunTool(Pstgen()).status);
  EXPECT_EQ(2, RunTool(Pstgen() + " a b c").status);
}

TEST(PstgenCommand, WritesDescriptionsAndSyntheticFiles) {
  testing_support::TempMachine m;
  fs::path pst = m.scratch() / "f.pst";
  ToolResult r = RunTool(Pstgen() + " " + Quote(fs::path(PSTGEN_TEST_DATA) / "folders.json") + " " + Quote(pst));
  ASSERT_EQ(0, r.status) << r.output;
  EXPECT_EQ(1, CountMessages(pst)["Top of Personal Folders/Inbox"]);

  fs::path syn = m.scratch() / "s.pst";
  r = RunTool(Pstgen() + " --synthetic 60 --seed 9 " + Quote(syn));
  ASSERT_EQ(0, r.status) << r.output;
  int total = 0;
  for (auto& [folder, n] : CountMessages(syn)) total += n;
  EXPECT_EQ(60, total);
}

TEST(PstgenCommand, FailuresAreReported) {
  testing_support::TempMachine m;
  fs::path bad = m.scratch() / "bad.json";
  std::ofstream(bad) << R"({"folders": [{"messages": [{"props": {"PR_NOPE": 1}}]}]})";
  ToolResult r = RunTool(Pstgen() + " " + Quote(bad) + " " + Quote(m.scratch() / "x.pst"));
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.output.find("pstgen: folders[0].messages[0].props.PR_NOPE: unknown property name"))
      << r.output;

  EXPECT_FALSE(fs::exists(m.scratch() / "x.pst"));
  EXPECT_FALSE(fs::exists(m.scratch() / "x.pst.partial"));

  std::ofstream(bad) << "{ not json";
  r = RunTool(Pstgen() + " " + Quote(bad) + " " + Quote(m.scratch() / "x.pst"));
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.output.find("parse error")) << r.output;

  r = RunTool(Pstgen() + " " + Quote(fs::path(PSTGEN_TEST_DATA) / "folders.json") + " /nonexistent/dir/x.pst");
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.output.find("cannot create /nonexistent/dir/x.pst")) << r.output;
  // Usage errors write nothing.
  for (const char* args : {" --synthetic 5 --seed", " --synthetic ten x.pst", " --synthetic -1 x.pst",
                           " --synthetic ' 5' x.pst", " --synthetic 1e3 x.pst", " --synthetic 67108865 x.pst",
                           " --synthetic 99999999999999999999 x.pst", " --synthetic 5 --seed ' -1' x.pst",
                           " --synthetic 5 --seed 1 a.pst b.pst", " --frobnicate a b"}) {
    r = RunTool("cd " + Quote(m.scratch()) + " && " + Pstgen() + args);
    EXPECT_EQ(2, r.status) << args << ": " << r.output;
  }
  EXPECT_FALSE(fs::exists(m.scratch() / "--seed"));
  EXPECT_FALSE(fs::exists(m.scratch() / "x.pst"));
}

TEST(PstgenCommand, ReplacesAnExistingFileOnlyWhenForced) {
  testing_support::TempMachine m;
  const fs::path pst = m.scratch() / "kept.pst";
  std::ofstream(pst) << "someone's file";
  const std::string description = Quote(fs::path(PSTGEN_TEST_DATA) / "folders.json");
  for (const std::string& args : {description + " " + Quote(pst), "--synthetic 3 " + Quote(pst)}) {
    ToolResult r = RunTool(Pstgen() + " " + args);
    EXPECT_EQ(1, r.status) << args;
    EXPECT_NE(std::string::npos, r.output.find("pstgen: " + pst.string() + " exists: give --force to replace it"))
        << r.output;
  }
  std::ifstream in(pst);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "someone's file");

  ToolResult r = RunTool(Pstgen() + " --force " + description + " " + Quote(pst));
  ASSERT_EQ(0, r.status) << r.output;
  EXPECT_EQ(1, CountMessages(pst)["Top of Personal Folders/Inbox"]);
  r = RunTool(Pstgen() + " --synthetic 3 --force " + Quote(pst));
  ASSERT_EQ(0, r.status) << r.output;
}

// A description nested past the limit is refused with a short error, where
// it used to overflow the stack.
TEST(PstgenCommand, DeepNestingIsRefused) {
  testing_support::TempMachine m;
  std::string folders;
  for (int i = 0; i < 3000; ++i) folders += R"({"name": "F", "folders": [)";
  for (int i = 0; i < 3000; ++i) folders += "]}";
  const fs::path deep = m.scratch() / "deep.json";
  std::ofstream(deep) << R"({"folders": [)" << folders << "]}";
  ToolResult r = RunTool(Pstgen() + " " + Quote(deep) + " " + Quote(m.scratch() / "deep.pst"));
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pstgen: folders nest deeper than 256 levels\n", r.output);
  EXPECT_FALSE(fs::exists(m.scratch() / "deep.pst"));
}

}  // namespace
}  // namespace pstgen_test
