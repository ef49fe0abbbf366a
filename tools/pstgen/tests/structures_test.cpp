// Structures that only large content reaches: multi-block heaps with a
// bitmap page, BTH index levels, table rows over several blocks, subnode
// trees with an SIBLOCK, two-level data trees, many allocation maps.
#include <gtest/gtest.h>

#include <filesystem>

#include "compare.h"
#include "file_inspector.h"
#include "mapi_reference.h"
#include "mapi/mapitags.h"
#include "pff_reader.h"
#include "pstgen/guid.h"
#include "pstgen/writer.h"
#include "testing/temp_machine.h"
#include "tool_run.h"

namespace pstgen_test {
namespace {

namespace fs = std::filesystem;
using pstgen::Property;

Bytes Utf16(const std::string& s) {
  Bytes b;
  for (char c : s) b.push_back(std::uint8_t(c)), b.push_back(0);
  return b;
}

Bytes Long(std::int32_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }

Bytes Pattern(std::size_t n, std::uint8_t seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i * 31 + seed + (i >> 13));
  return b;
}

struct LargeFile {
  testing_support::TempMachine machine;
  fs::path pst = machine.scratch() / "large.pst";
  pstgen::Message crowded;  // many recipients, attachments and named properties

  explicit LargeFile(pstgen::FileFormat format) {
    for (int i = 0; i < 600; ++i)
      crowded.recipients.push_back({{{PR_RECIPIENT_TYPE, Long(1 + i % 3)},
                                     {PR_DISPLAY_NAME_W, Utf16("Recipient number " + std::to_string(i) +
                                                               " with a rather long display name")},
                                     {PR_EMAIL_ADDRESS_W, Utf16("recipient" + std::to_string(i) + "@example.com")},
                                     {PR_ADDRTYPE_W, Utf16("SMTP")}}});
    // More subnodes than one SLBLOCK holds (340, or 681 in ANSI files).
    int attachments = format == pstgen::FileFormat::kAnsi ? 700 : 400;
    for (int i = 0; i < attachments; ++i)
      crowded.attachments.push_back({{{PR_ATTACH_METHOD, Long(1)},
                                      {PR_ATTACH_LONG_FILENAME_W, Utf16("f" + std::to_string(i) + ".bin")},
                                      {PR_ATTACH_DATA_BIN, Pattern(std::size_t(i) * 37 % 9000, std::uint8_t(i))}},
                                     nullptr});
    // Longer than an XBLOCK can hold (1021 blocks of 8176 bytes, or 2043 of
    // 8180 in ANSI files): an XXBLOCK above the XBLOCKs.
    std::size_t large = format == pstgen::FileFormat::kAnsi ? 17u << 20 : 9u << 20;
    crowded.attachments.push_back({{{PR_ATTACH_METHOD, Long(1)}, {PR_ATTACH_DATA_BIN, Pattern(large, 7)}}, nullptr});
    std::string body;
    while (body.size() < 30000) body += "A line of the body that goes on. ";
    crowded.props = {{PR_SUBJECT_W, Utf16("crowded")}, {PR_BODY_W, Utf16(body)}};
    for (std::uint32_t lid = 0x8100; lid < 0x8100 + 300; ++lid) {
      pstgen::NamedProperty n;
      n.set = *pstgen::PropertySet("PSETID_Task");
      n.lid = lid;
      n.type = PT_LONG;
      n.value = Long(std::int32_t(lid));
      crowded.named.push_back(n);
    }

    pstgen::PstWriter w(pst, format);
    auto folder = w.AddFolder(w.IpmSubtree(), u"Bulk", u"IPF.Note", {});
    w.AddMessage(folder, crowded);
    for (int i = 0; i < 3000; ++i) {
      pstgen::Message m;
      m.props = {{PR_SUBJECT_W, Utf16("bulk message " + std::to_string(i))}};
      w.AddMessage(folder, m);
    }
    w.Finish();
  }
};

// Both forms, whose B-tree pages, blocks and subnode entries differ in size.
class Structures : public ::testing::TestWithParam<pstgen::FileFormat> {
 protected:
  bool ansi() const { return GetParam() == pstgen::FileFormat::kAnsi; }
};

TEST_P(Structures, LargeContentReadsBackIntact) {
  LargeFile f(GetParam());
  ReadFile got = ReadPst(f.pst);
  EXPECT_EQ(ansi(), got.ansi);
  const ReadFolder* bulk = got.root.Child("Top of Personal Folders")->Child("Bulk");
  ASSERT_TRUE(bulk);
  ASSERT_EQ(3001u, bulk->messages.size());
  const ReadMessage& m = bulk->messages[0];
  ASSERT_EQ(600u, m.recipients.size());
  for (std::size_t i = 0; i < 600; i += 97)
    ExpectPropsMatch(f.crowded.recipients[i].props, m.recipients[i], "recipient " + std::to_string(i), ansi());
  ExpectPropsMatch(f.crowded.recipients[599].props, m.recipients[599], "recipient 599", ansi());
  ASSERT_EQ(f.crowded.attachments.size(), m.attachments.size());
  for (std::size_t i = 0; i < m.attachments.size(); ++i)
    EXPECT_EQ(Sha256(f.crowded.attachments[i].props.back().value), Sha256(m.attachments[i].data)) << i;
  ExpectPropsMatch(f.crowded.props, m.props, "crowded", ansi());
  for (const pstgen::NamedProperty& n : f.crowded.named) {
    const Entry* e = m.props.FindNamed(Bytes(n.set.bytes, n.set.bytes + 16), n.lid);
    ASSERT_TRUE(e) << n.lid;
    EXPECT_EQ(n.value, e->data);
  }
}

// The same file through the MAPI stand-in, against libpff (see
// mapi_reference_test.cpp for the other files and the rules).
TEST_P(Structures, LargeContentReadsTheSameThroughMapi) {
  LargeFile f(GetParam());
  const Comparison c = CompareThroughMapi(f.pst, ReadPst(f.pst));
  EXPECT_GT(c.objects, 3000 + 600 + 400);
  std::string shown;
  for (std::size_t i = 0; i < c.differences.size() && i < 20; ++i) shown += "\n  " + c.differences[i];
  EXPECT_TRUE(c.differences.empty()) << c.differences.size() << " differences:" << shown;
  for (Rule rule : {Rule::kCodePage, Rule::kUndefinedBytes, Rule::kNoClassNoParts, Rule::kSubjectMarker,
                    Rule::kRowOrder, Rule::kDamage})
    EXPECT_EQ(c.byDesign.count(rule), 0u) << RuleName(rule);
}

TEST_P(Structures, LargeContentUsesDeepTreesAndPassesReaders) {
  LargeFile f(GetParam());
  FileShape shape = InspectFile(f.pst);
  EXPECT_EQ(ansi(), shape.ansi);
  EXPECT_GE(shape.nbtLevels, 1);
  EXPECT_GE(shape.bbtLevels, 1);
  EXPECT_EQ(2, shape.deepestDataTree);
  EXPECT_EQ(1, shape.deepestSubnodeTree);
  ToolResult info = RunTool("pffinfo -a " + Quote(f.pst));
  EXPECT_EQ(0, info.status) << info.output;
  ToolResult exp = RunTool("pffexport -m all -f all -t " + Quote(f.machine.scratch() / "x") + " " + Quote(f.pst));
  EXPECT_EQ(0, exp.status);
  EXPECT_EQ("", Complaints(exp.output));
  fs::create_directories(f.machine.scratch() / "rp");
  ToolResult rp = RunTool("readpst -o " + Quote(f.machine.scratch() / "rp") + " " + Quote(f.pst));
  EXPECT_EQ(0, rp.status) << rp.output;
  EXPECT_NE(std::string::npos, rp.output.find("\"Bulk\" - 3001 items done, 0 items skipped")) << rp.output;
}

INSTANTIATE_TEST_SUITE_P(Forms, Structures, ::testing::Values(pstgen::FileFormat::kUnicode, pstgen::FileFormat::kAnsi),
                         [](const auto& info) { return info.param == pstgen::FileFormat::kAnsi ? "Ansi" : "Unicode"; });

}  // namespace
}  // namespace pstgen_test
