// Synthetic files: the 10,000-item benchmark file read back whole, and
// determinism of the generator.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <stdlib.h>

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

// A folder in memory when the machine has one: the file and its export
// come to about a gigabyte, which a shared disk writes slowly.
struct FastScratch {
  fs::path dir;
  explicit FastScratch(const fs::path& fallback) {
    std::string pattern = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fallback).string() + "/pstgen-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
    dir = pattern;
  }
  ~FastScratch() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
};

TEST(Synthetic, TenThousandItemsReadBackWhole) {
  testing_support::TempMachine machine;
  FastScratch scratch(machine.scratch());
  fs::path pst = scratch.dir / "synthetic.pst";
  pstgen::WriteSynthetic({10000, 1}, pst);
  EXPECT_GT(fs::file_size(pst), 400u << 20);

  std::map<std::string, int> counts = CountMessages(pst);
  int total = 0;
  for (auto& [folder, n] : counts) total += n;
  EXPECT_EQ(10000, total);
  for (const char* f : {"Inbox", "Inbox/Projects/Alpha", "Sent Items", "Deleted Items", "Calendar", "Contacts",
                        "Notes", "Tasks", "Journal", "Archive/2024"})
    EXPECT_GT(counts["Top of Personal Folders/" + std::string(f)], 0) << f;

  // Every recipient table and attachment opens; mail has one to four
  // recipients, a third of it attachments, a fifth an RTF body.
  ItemTotals t = WalkEveryItem(pst);
  EXPECT_GT(t.messages, 10000u);  // embedded messages besides
  EXPECT_GT(t.recipients, 7000u);
  EXPECT_GT(t.attachments, 2000u);
  EXPECT_GT(t.attachmentBytes, 300u << 20);
  EXPECT_GT(t.withRtf, 1000u);

  FileShape shape = InspectFile(pst);
  EXPECT_GE(shape.nbtLevels, 2);
  EXPECT_GE(shape.bbtLevels, 2);
  EXPECT_EQ(2, shape.deepestDataTree);

  fs::path out = scratch.dir / "export";
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
