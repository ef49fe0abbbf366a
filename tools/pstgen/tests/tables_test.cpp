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

std::string Text(const Bytes& b) {
  std::string s;
  for (std::size_t i = 0; i < b.size(); i += 2) s.push_back(char(b[i]));
  return s;
}

// Every folder's hierarchy table lists its subfolders, its contents table
// its messages, its associated contents table nothing.
void ExpectTablesMatch(const fs::path& pst, const ReadFolder& folder) {
  SCOPED_TRACE(folder.name);
  RawTable h = ReadRawTable(pst, TableOf(folder.id, 0x0D));
  ASSERT_EQ(folder.folders.size(), h.rows.size());
  EXPECT_EQ(h.indexedRows, h.rows.size());
  for (std::size_t i = 0; i < h.rows.size(); ++i) {
    const ReadFolder& sub = folder.folders[i];
    EXPECT_EQ(sub.id, U32(h.rows[i].at(PR_LTP_ROW_ID)));
    EXPECT_EQ(sub.props.Find(PR_DISPLAY_NAME_W)->data, h.rows[i].at(PR_DISPLAY_NAME_W));
    EXPECT_EQ(sub.props.Find(PR_CONTENT_COUNT)->data, h.rows[i].at(PR_CONTENT_COUNT));
    EXPECT_EQ(Bytes{std::uint8_t(sub.folders.empty() ? 0 : 1)}, h.rows[i].at(PR_SUBFOLDERS));
  }
  RawTable c = ReadRawTable(pst, TableOf(folder.id, 0x0E));
  ASSERT_EQ(folder.messages.size(), c.rows.size());
  EXPECT_EQ(c.indexedRows, c.rows.size());
  for (std::size_t i = 0; i < c.rows.size(); ++i) {
    const ReadMessage& m = folder.messages[i];
    EXPECT_EQ(m.id, U32(c.rows[i].at(PR_LTP_ROW_ID)));
    for (ULONG tag : {PR_MESSAGE_CLASS_W, PR_SUBJECT_W, PR_MESSAGE_FLAGS, PR_MESSAGE_SIZE})
      if (const Entry* e = m.props.Find(tag)) {
        EXPECT_EQ(e->data, c.rows[i].at(tag)) << std::hex << tag;
      }
  }
  EXPECT_EQ(0u, ReadRawTable(pst, TableOf(folder.id, 0x0F)).rows.size());
  for (const ReadFolder& sub : folder.folders) ExpectTablesMatch(pst, sub);
}

TEST(Tables, EveryFolderListsItsSubfoldersAndMessages) {
  testing_support::TempMachine m;
  fs::path pst = m.scratch() / "f.pst";
  pstgen::WritePst(pstgen::LoadDescription(fs::path(PSTGEN_TEST_DATA) / "folders.json"), pst);
  ReadFile got = ReadPst(pst);
  ExpectTablesMatch(pst, got.root);
}

TEST(Tables, ContentsTableOverManyBlocks) {
  testing_support::TempMachine m;
  fs::path pst = m.scratch() / "bulk.pst";
  pstgen::PstWriter w(pst);
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
  for (int i = 0; i < 3000; ++i) EXPECT_EQ("bulk message " + std::to_string(i), Text(c.rows[i].at(PR_SUBJECT_W)));
}

}  // namespace
}  // namespace pstgen_test
