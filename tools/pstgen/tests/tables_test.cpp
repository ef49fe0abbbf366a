// The folders' hierarchy, contents and associated contents tables, read
// from the file itself and compared with what libpff finds by node parents.
#include <gtest/gtest.h>

#include "mapi/mapitags.h"
#include "pff_reader.h"
#include "pstgen/json_description.h"
#include "pstgen/writer.h"
#include "table_reader.h"
#include "testing/temp_machine.h"

namespace pstgen_test {
namespace {

namespace fs = std::filesystem;

std::uint64_t TableOf(std::uint32_t folder, std::uint32_t type) { return (folder & ~0x1Fu) | type; }

std::uint32_t U32(const Bytes& b) { return std::uint32_t(b.at(0) | b.at(1) << 8 | b.at(2) << 16 | std::uint32_t(b.at(3)) << 24); }

// ASCII text as a Unicode (UTF-16LE) or ANSI (8-bit) file holds it.
std::string Text(const Bytes& b, bool ansi) {
  std::string s;
  for (std::size_t i = 0; i < b.size(); i += ansi ? 1 : 2) s.push_back(char(b[i]));
  return s;
}

// String columns are 8-bit in ANSI files.
ULONG Str(ULONG tag, bool ansi) { return ansi ? CHANGE_PROP_TYPE(tag, PT_STRING8) : tag; }

// Every folder's hierarchy table lists its subfolders, its contents table
// its messages, its associated contents table nothing.
void ExpectTablesMatch(const fs::path& pst, const ReadFolder& folder, bool ansi) {
  SCOPED_TRACE(folder.name);
  RawTable h = ReadRawTable(pst, TableOf(folder.id, 0x0D));
  ASSERT_EQ(folder.folders.size(), h.rows.size());
  EXPECT_EQ(h.indexedRows, h.rows.size());
  for (std::size_t i = 0; i < h.rows.size(); ++i) {
    const ReadFolder& sub = folder.folders[i];
    EXPECT_EQ(sub.id, U32(h.rows[i].at(PR_LTP_ROW_ID)));
    ULONG name = Str(PR_DISPLAY_NAME_W, ansi);
    EXPECT_EQ(sub.props.Find(name)->data, h.rows[i].at(name));
    EXPECT_EQ(sub.props.Find(PR_CONTENT_COUNT)->data, h.rows[i].at(PR_CONTENT_COUNT));
    EXPECT_EQ(Bytes{std::uint8_t(sub.folders.empty() ? 0 : 1)}, h.rows[i].at(PR_SUBFOLDERS));
  }
  RawTable c = ReadRawTable(pst, TableOf(folder.id, 0x0E));
  ASSERT_EQ(folder.messages.size(), c.rows.size());
  EXPECT_EQ(c.indexedRows, c.rows.size());
  for (std::size_t i = 0; i < c.rows.size(); ++i) {
    const ReadMessage& m = folder.messages[i];
    EXPECT_EQ(m.id, U32(c.rows[i].at(PR_LTP_ROW_ID)));
    for (ULONG tag : {Str(PR_MESSAGE_CLASS_W, ansi), Str(PR_SUBJECT_W, ansi), PR_MESSAGE_FLAGS, PR_MESSAGE_SIZE})
      if (const Entry* e = m.props.Find(tag)) {
        EXPECT_EQ(e->data, c.rows[i].at(tag)) << std::hex << tag;
      }
  }
  EXPECT_EQ(0u, ReadRawTable(pst, TableOf(folder.id, 0x0F)).rows.size());
  for (const ReadFolder& sub : folder.folders) ExpectTablesMatch(pst, sub, ansi);
}

TEST(Tables, EveryFolderListsItsSubfoldersAndMessages) {
  for (const char* fixture : {"folders.json", "ansi.json"}) {
    SCOPED_TRACE(fixture);
    testing_support::TempMachine m;
    fs::path pst = m.scratch() / "f.pst";
    pstgen::WritePst(pstgen::LoadDescription(fs::path(PSTGEN_TEST_DATA) / fixture), pst);
    ReadFile got = ReadPst(pst);
    ExpectTablesMatch(pst, got.root, got.ansi);
  }
}

// Rows over several blocks of the row matrix (8176 bytes each in Unicode
// files, 8180 in ANSI ones).
TEST(Tables, ContentsTableOverManyBlocks) {
  for (pstgen::FileFormat format : {pstgen::FileFormat::kUnicode, pstgen::FileFormat::kAnsi}) {
    bool ansi = format == pstgen::FileFormat::kAnsi;
    SCOPED_TRACE(ansi ? "ANSI" : "Unicode");
    testing_support::TempMachine m;
    fs::path pst = m.scratch() / "bulk.pst";
    pstgen::PstWriter w(pst, format);
    auto folder = w.AddFolder(w.IpmSubtree(), u"Bulk", u"IPF.Note", {});
    for (int i = 0; i < 3000; ++i) {
      pstgen::Message msg;
      std::string subject = "bulk message " + std::to_string(i);
      Bytes s;
      for (char ch : subject) s.push_back(std::uint8_t(ch)), s.push_back(0);
      msg.props = {{PR_SUBJECT_W, s}};
      w.AddMessage(folder, msg);
    }
    w.Finish();
    RawTable c = ReadRawTable(pst, TableOf(folder, 0x0E));
    ASSERT_EQ(3000u, c.indexedRows);
    ASSERT_EQ(3000u, c.rows.size());
    for (int i = 0; i < 3000; ++i)
      EXPECT_EQ("bulk message " + std::to_string(i), Text(c.rows[i].at(Str(PR_SUBJECT_W, ansi)), ansi));
  }
}

}  // namespace
}  // namespace pstgen_test
