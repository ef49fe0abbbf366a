// ANSI files: 8-bit strings in Windows-1252 wherever the Unicode form holds
// UTF-16, read back through libpff.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "mapi/mapitags.h"
#include "pff_reader.h"
#include "pstgen/guid.h"
#include "pstgen/json_description.h"
#include "pstgen/values.h"
#include "pstgen/writer.h"
#include "testing/temp_machine.h"

namespace pstgen_test {
namespace {

namespace fs = std::filesystem;

Bytes B(const char* s) { return Bytes(s, s + std::strlen(s)); }

// Every entry of every item, embedded messages included.
template <typename F>
void ForEachItem(const ReadFolder& f, F&& visit);

template <typename F>
void ForEachMessage(const ReadMessage& m, F&& visit) {
  visit(m.props);
  for (const Item& r : m.recipients) visit(r);
  for (const ReadAttachment& a : m.attachments) {
    visit(a.props);
    if (a.message) ForEachMessage(*a.message, visit);
  }
}

template <typename F>
void ForEachItem(const ReadFolder& f, F&& visit) {
  visit(f.props);
  for (const ReadMessage& m : f.messages) ForEachMessage(m, visit);
  for (const ReadFolder& sub : f.folders) ForEachItem(sub, visit);
}

TEST(AnsiFile, StringsAreWindows1252AndNoneIsUnicode) {
  testing_support::TempMachine machine;
  fs::path pst = machine.scratch() / "ansi.pst";
  pstgen::WritePst(pstgen::LoadDescription(fs::path(PSTGEN_TEST_DATA) / "ansi.json"), pst);
  ReadFile got = ReadPst(pst);
  ASSERT_TRUE(got.ansi);
  EXPECT_EQ(B("Caf\xE9 Archiv"), got.store.Find(PR_DISPLAY_NAME_A)->data);
  EXPECT_EQ(B("\xA3" "5 \x96 \x80" "7"), got.store.Find(PR_COMMENT_A)->data);
  const ReadFolder* drafts = got.root.Child("Top of Personal Folders")->Child("Entwürfe");
  ASSERT_TRUE(drafts);  // libpff decodes the 8-bit name in 1252 too
  const ReadMessage& m = drafts->messages.at(0);
  EXPECT_EQ(B("Caf\xE9 \x96 \xA3" "5"), m.props.Find(PR_SUBJECT_A)->data);
  EXPECT_EQ(B("IPM.Note"), m.props.Find(PR_MESSAGE_CLASS_A)->data);
  EXPECT_EQ(B("Zo\xEB M\xFCller"), m.props.Find(PR_DISPLAY_TO_A)->data);  // derived from the recipients
  EXPECT_EQ(B("R\xE9sum\xE9.txt"), m.attachments.at(0).props.Find(PR_ATTACH_LONG_FILENAME_A)->data);
  // Multi-valued: count, offsets, then the 8-bit pieces.
  const Bytes pieces{3, 0, 0, 0, 16, 0, 0, 0, 20, 0, 0, 0, 20, 0, 0, 0, 0xFC, 'b', 'e', 'r', 0x8C, 'u', 'v', 'r', 'e'};
  EXPECT_EQ(pieces, m.props.Find(0x6004101E)->data);
  // Names of named properties stay UTF-16 in the map; their values narrow.
  Bytes publicStrings(pstgen::kPsPublicStrings.bytes, pstgen::kPsPublicStrings.bytes + 16);
  const Entry* keywords = m.props.FindNamed(publicStrings, "Stichwörter");
  ASSERT_TRUE(keywords);
  EXPECT_EQ(PT_MV_STRING8, keywords->tag & 0xFFFF);
  ForEachItem(got.root, [](const Item& item) {
    for (const Entry& e : item.entries) {
      std::uint32_t type = e.tag & 0xFFFF;
      EXPECT_TRUE(type != PT_UNICODE && type != PT_MV_UNICODE) << std::hex << e.tag;
    }
  });
}

TEST(AnsiFile, TextWithoutACharacterIn1252IsRefused) {
  testing_support::TempMachine machine;
  pstgen::Store s = pstgen::ParseDescription(nlohmann::json::parse(
      R"({"format": "ansi", "folders": [{"name": "F", "messages": [{"props": {"PR_SUBJECT_W": "\u0416"}}]}]})"));
  try {
    pstgen::WritePst(s, machine.scratch() / "x.pst");
    ADD_FAILURE() << "written";
  } catch (const pstgen::DescriptionError& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("PR_SUBJECT_W")) << e.what();
    EXPECT_NE(std::string::npos, std::string(e.what()).find("1252")) << e.what();
  }
  s.format = pstgen::FileFormat::kUnicode;  // the same text is fine in a Unicode file
  EXPECT_NO_THROW(pstgen::WritePst(s, machine.scratch() / "y.pst"));
}

}  // namespace
}  // namespace pstgen_test
