// Synthetic files: the 10,000-item benchmark file read back whole, and
// determinism of the generator.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "file_inspector.h"
#include "pff_reader.h"
#include "pstgen/synthetic.h"
#include "testing/temp_machine.h"
#include "tool_run.h"

namespace pstgen_test {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Synthetic, TenThousandItemsReadBackWhole) {
  testing_support::TempMachine machine;
  fs::path pst = machine.scratch() / "synthetic.pst";
  pstgen::WriteSynthetic({10000, 1}, pst);
  EXPECT_GT(fs::file_size(pst), 400u << 20);

  std::map<std::string, int> counts = CountMessages(pst);
  int total = 0;
  for (auto& [folder, n] : counts) total += n;
  EXPECT_EQ(10000, total);
  for (const char* f : {"Inbox", "Inbox/Projects/Alpha", "Sent Items", "Deleted Items", "Calendar", "Contacts",
                        "Notes", "Tasks", "Journal", "Archive/2024"})
    EXPECT_GT(counts["Top of Personal Folders/" + std::string(f)], 0) << f;

  FileShape shape = InspectFile(pst);
  EXPECT_GE(shape.nbtLevels, 2);
  EXPECT_GE(shape.bbtLevels, 2);
  EXPECT_EQ(2, shape.deepestDataTree);

  fs::path out = machine.scratch() / "export";
  ToolResult exp = RunTool("pffexport -m all -f all -t " + Quote(out) + " " + Quote(pst));
  EXPECT_EQ(0, exp.status);
  EXPECT_EQ("", Complaints(exp.output));
  EXPECT_FALSE(fs::exists(out.string() + ".recovered") && !fs::is_empty(out.string() + ".recovered"));
}

TEST(Synthetic, SameSeedGivesTheSameFile) {
  testing_support::TempMachine machine;
  fs::path a = machine.scratch() / "a.pst", b = machine.scratch() / "b.pst", c = machine.scratch() / "c.pst";
  pstgen::WriteSynthetic({200, 5}, a);
  pstgen::WriteSynthetic({200, 5}, b);
  pstgen::WriteSynthetic({200, 6}, c);
  EXPECT_TRUE(Contents(a) == Contents(b));
  EXPECT_FALSE(Contents(a) == Contents(c));
}

}  // namespace
}  // namespace pstgen_test
