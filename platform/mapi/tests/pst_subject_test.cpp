// Subjects as a PST file stores them: a subject with a prefix begins with
// 0x01 and the prefix's length, which the store never answers.
#include "pst_test_support.h"

namespace {

using namespace pst_test;

struct SubjectCase {
  const char* stored;  // JSON text
  std::u16string read;
};

const SubjectCase kCases[] = {
    {R"(\u0001\u0004RE: Lunch)", u"RE: Lunch"},
    {R"(\u0001\u0001Plan)", u"Plan"},
    {"Plain", u"Plain"},
    {R"(\u0001)", u"\u0001"},  // no length after the marker: kept as stored
    {"", u""},
};

class PstSubject : public ::testing::TestWithParam<const char*> {};

TEST_P(PstSubject, MarkerIsDroppedInPropertiesAndTableColumns) {
  testing_support::TempMachine machine;
  std::string messages;
  for (const auto& c : kCases)
    messages += std::string(messages.empty() ? "" : ",") + R"({"props": {"PR_SUBJECT_W": ")" + c.stored + "\"}}";
  const std::string json = std::string(R"({"format": ")") + GetParam() +
                           R"(", "folders": [{"name": "Inbox", "class": "IPF.Note", "messages": [)" + messages + "]}]}";
  ComPtr<IMsgStore> store = OpenStore(MakePst(machine.scratch(), json));
  ASSERT_TRUE(store);
  std::vector<std::u16string> fromProps, fromRows;
  ForEachMessage(store.Get(), [&](IMessage* m) {
    fromProps.push_back(Text(GetProps(m, {PR_SUBJECT_W})[0]));
    Values narrow = GetProps(m, {PR_SUBJECT_A});
    EXPECT_EQ(Text(narrow[0]), fromProps.back()) << "8-bit subject";
  });
  ComPtr<IMAPIFolder> subtree = Open<IMAPIFolder>(store.Get(), GetProps(store.Get(), {PR_IPM_SUBTREE_ENTRYID})[0]);
  ASSERT_TRUE(subtree);
  ComPtr<IMAPITable> level;
  ASSERT_EQ(subtree->GetHierarchyTable(0, level.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet folders = AllRows(level.Get(), {PR_ENTRYID, PR_DISPLAY_NAME_W});
  for (ULONG f = 0; f < folders->cRows; ++f) {
    if (Text(folders->aRow[f].lpProps[1]) != u"Inbox") continue;
    ComPtr<IMAPIFolder> inbox = Open<IMAPIFolder>(store.Get(), folders->aRow[f].lpProps[0]);
    ComPtr<IMAPITable> contents;
    ASSERT_EQ(inbox->GetContentsTable(0, contents.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet rows = AllRows(contents.Get(), {PR_SUBJECT_W});
    for (ULONG r = 0; r < rows->cRows; ++r) fromRows.push_back(Text(rows->aRow[r].lpProps[0]));
  }
  std::vector<std::u16string> expected;
  for (const auto& c : kCases) expected.push_back(c.read);
  EXPECT_EQ(fromProps, expected);
  EXPECT_EQ(fromRows, expected);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, PstSubject, ::testing::Values("unicode", "ansi"));

}  // namespace
