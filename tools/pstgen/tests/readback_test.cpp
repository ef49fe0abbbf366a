// Every fixture description, written and read back through libpff, and
// through the Debian readers pffexport and readpst.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "compare.h"
#include "mapi/mapitags.h"
#include "pff_reader.h"
#include "pstgen/json_description.h"
#include "pstgen/values.h"
#include "pstgen/writer.h"
#include "testing/temp_machine.h"
#include "tool_run.h"
#include "win32/text.h"

namespace pstgen_test {
namespace {

namespace fs = std::filesystem;

const char* const kFixtures[] = {"mail.json", "classes.json", "folders.json", "attach_methods.json", "ansi.json"};

fs::path Fixture(const std::string& name) { return fs::path(PSTGEN_TEST_DATA) / name; }

struct Written {
  testing_support::TempMachine machine;
  pstgen::Store store;
  fs::path pst;
  explicit Written(const std::string& fixture) : store(pstgen::LoadDescription(Fixture(fixture))) {
    pst = machine.scratch() / (fixture + ".pst");
    pstgen::WritePst(store, pst);
  }
};

std::string Utf16Text(const Bytes& b) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < b.size(); i += 2) s.push_back(char16_t(b[i] | b[i + 1] << 8));
  return win32::Utf16ToUtf8(s);
}

std::int32_t Long(const Item& item, ULONG tag) {
  const Entry* e = item.Find(tag);
  if (!e || e->data.size() < 4) return -999;
  return std::int32_t(e->data[0] | e->data[1] << 8 | e->data[2] << 16 | std::uint32_t(e->data[3]) << 24);
}

TEST(PstReadBack, EveryFixtureMatchesItsDescription) {
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    Written w(name);
    ReadFile got = ReadPst(w.pst);
    ExpectStoreMatches(w.store, got);
  }
}

TEST(PstReadBack, DebianReadersAcceptEveryFixture) {
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    Written w(name);
    fs::path out = w.machine.scratch() / "export";
    ToolResult info = RunTool("pffinfo -a " + Quote(w.pst));
    EXPECT_EQ(0, info.status) << info.output;
    EXPECT_NE(std::string::npos, info.output.find("Subtree, Wastbox, Finder")) << info.output;
    ToolResult exp = RunTool("pffexport -q -m all -f all -t " + Quote(out) + " " + Quote(w.pst));
    EXPECT_EQ(0, exp.status) << exp.output;
    ToolResult verbose = RunTool("pffexport -m all -f all -t " + Quote(out.string() + "2") + " " + Quote(w.pst));
    EXPECT_EQ("", Complaints(verbose.output));
    EXPECT_FALSE(fs::exists(out.string() + ".recovered") && !fs::is_empty(out.string() + ".recovered"));
    fs::create_directories(w.machine.scratch() / "readpst");
    ToolResult rp = RunTool("readpst -o " + Quote(w.machine.scratch() / "readpst") + " " + Quote(w.pst));
    EXPECT_EQ(0, rp.status) << rp.output;
    EXPECT_NE(std::string::npos, rp.output.find("items done")) << rp.output;
    EXPECT_EQ("", ReadpstSkips(rp.output));
  }
}

TEST(PstReadBack, StoreNamesItsStandardFolders) {
  Written w("folders.json");
  ReadFile got = ReadPst(w.pst);
  const ReadFolder* ipm = got.root.Child("Top of Personal Folders");
  ASSERT_TRUE(ipm);
  const Entry* subtree = got.store.Find(PR_IPM_SUBTREE_ENTRYID);
  const Entry* waste = got.store.Find(PR_IPM_WASTEBASKET_ENTRYID);
  const Entry* finder = got.store.Find(PR_FINDER_ENTRYID);
  ASSERT_TRUE(subtree && waste && finder);
  auto nidOf = [](const Entry* e) {
    const Bytes& d = e->data;
    return std::uint32_t(d[20] | d[21] << 8 | d[22] << 16 | std::uint32_t(d[23]) << 24);
  };
  EXPECT_EQ(ipm->id, nidOf(subtree));
  EXPECT_EQ(ipm->Child("Deleted Items")->id, nidOf(waste));
  EXPECT_EQ(got.root.Child("Search Root")->id, nidOf(finder));
  EXPECT_EQ(Utf16Text(got.store.Find(PR_DISPLAY_NAME_W)->data), "Folder Tree");
  // The entry IDs carry the store's record key.
  Bytes key = got.store.Find(PR_RECORD_KEY)->data;
  EXPECT_EQ(key, Bytes(subtree->data.begin() + 4, subtree->data.begin() + 20));
}

TEST(PstReadBack, TopLevelMessagesAreInTheIpmSubtreeItself) {
  testing_support::TempMachine machine;
  const fs::path pst = machine.scratch() / "top.pst";
  pstgen::WritePst(pstgen::ParseDescription(nlohmann::json::parse(R"({
      "messages": [ { "props": { "PR_SUBJECT_W": "On top" } }, { "props": { "PR_SUBJECT_W": "Also on top" } } ],
      "folders": [ { "name": "Inbox", "messages": [ { "props": { "PR_SUBJECT_W": "Below" } } ] } ] })")),
                   pst);
  ReadFile got = ReadPst(pst);
  const ReadFolder* ipm = got.root.Child("Top of Personal Folders");
  ASSERT_TRUE(ipm);
  EXPECT_EQ(2, Long(ipm->props, PR_CONTENT_COUNT));
  ASSERT_EQ(ipm->messages.size(), 2u);
  EXPECT_EQ(Utf16Text(ipm->messages[1].props.Find(PR_SUBJECT_W)->data), "Also on top");
  EXPECT_EQ(ipm->Child("Inbox")->messages.size(), 1u);
}

TEST(PstReadBack, FolderCountsAndFlagsAreDerived) {
  Written w("mail.json");
  ReadFile got = ReadPst(w.pst);
  const ReadFolder* inbox = got.root.Child("Top of Personal Folders")->Child("Inbox");
  ASSERT_TRUE(inbox);
  EXPECT_EQ(2, Long(inbox->props, PR_CONTENT_COUNT));
  EXPECT_EQ(1, Long(inbox->props, PR_CONTENT_UNREAD));
  EXPECT_EQ(Utf16Text(inbox->props.Find(PR_CONTAINER_CLASS_W)->data), "IPF.Note");
  const ReadMessage& m = inbox->messages.at(0);
  EXPECT_EQ(Utf16Text(m.props.Find(PR_DISPLAY_TO_W)->data), "Ann");
  EXPECT_EQ(Utf16Text(m.props.Find(PR_DISPLAY_CC_W)->data), "Bob");
  EXPECT_EQ(Utf16Text(m.props.Find(PR_DISPLAY_BCC_W)->data), "Cy");
  EXPECT_EQ(1, Long(m.props, PR_MESSAGE_FLAGS));  // as described
  EXPECT_EQ(std::vector<int>({1, 2, 3}),
            (std::vector<int>{Long(m.recipients[0], PR_RECIPIENT_TYPE), Long(m.recipients[1], PR_RECIPIENT_TYPE),
                              Long(m.recipients[2], PR_RECIPIENT_TYPE)}));
  EXPECT_EQ(pstgen::BinaryFromText("oneoff:Ann|SMTP|ann@example.com"), m.recipients[0].Find(PR_ENTRYID)->data);
  EXPECT_EQ(m.recipients[0].Find(PR_ENTRYID)->data, m.recipients[0].Find(PR_RECORD_KEY)->data);
  std::string key = "SMTP:ANN@EXAMPLE.COM";
  EXPECT_EQ(Bytes(key.c_str(), key.c_str() + key.size() + 1), m.recipients[0].Find(PR_SEARCH_KEY)->data);
  // Values as readers see them, independent of the encoder.
  EXPECT_EQ(Utf16Text(m.props.Find(PR_SUBJECT_W)->data), "Every type");
  EXPECT_EQ(Bytes({'B', 'j', 0xF8, 'r', 'n', ' ', 'C', 'a', 'f', 0xE9}), m.props.Find(PR_SENDER_NAME_A)->data);
  EXPECT_EQ(Bytes(), m.props.Find(PR_SUBJECT_PREFIX_W)->data);
  EXPECT_EQ("{\\rtf1\\ansi Plain body\\par second line}", m.rtf);
  EXPECT_EQ(Sha256(Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}), Sha256(m.attachments[0].data));
  const ReadMessage& inner = *m.attachments.at(2).message;
  EXPECT_EQ(Utf16Text(inner.props.Find(PR_SUBJECT_W)->data), "Inner");
  EXPECT_EQ(0x11, Long(inner.props, PR_MESSAGE_FLAGS));  // derived: read, has attachments
  EXPECT_EQ(Bytes{1}, inner.props.Find(PR_HASATTACH)->data);
  const ReadMessage& innermost = *inner.attachments.at(0).message;
  EXPECT_EQ(Utf16Text(innermost.props.Find(PR_SUBJECT_W)->data), "Innermost");
  EXPECT_EQ(Bytes({'d', 'e', 'e', 'p'}), innermost.attachments.at(0).data);
}

TEST(PstReadBack, ContactEntryIdsNameEarlierMessagesAndClassesCanBeLeftOut) {
  testing_support::TempMachine machine;
  const fs::path pst = machine.scratch() / "people.pst";
  pstgen::WritePst(pstgen::ParseDescription(nlohmann::json::parse(R"({ "folders": [
    { "name": "People", "class": null, "messages": [
      { "id": "cat", "class": "IPM.Contact", "props": { "PR_DISPLAY_NAME_W": "Cat" } },
      { "class": "IPM.DistList",
        "props": { "0x6001": { "type": "PT_BINARY", "value": "contact:cat" } },
        "named": [ { "set": "PSETID_Address", "lid": 32852, "type": "PT_MV_BINARY",
                     "value": ["oneoff:Al|SMTP|al@example.com", "contact:cat"] } ] },
      { "class": null, "props": { "PR_SUBJECT_W": "No class" } } ] } ] })")),
                   pst);
  ReadFile got = ReadPst(pst);
  const ReadFolder* people = got.root.Child("Top of Personal Folders")->Child("People");
  ASSERT_TRUE(people);
  EXPECT_FALSE(people->props.Find(PR_CONTAINER_CLASS_W));
  ASSERT_EQ(people->messages.size(), 3u);
  EXPECT_FALSE(people->messages[2].props.Find(PR_MESSAGE_CLASS_W));
  // The contact's entry ID: flags, record key, NID; wrapped as a contact.
  Bytes contactId(4, 0);
  const Bytes key = got.store.Find(PR_RECORD_KEY)->data;
  contactId.insert(contactId.end(), key.begin(), key.end());
  for (int i = 0; i < 4; ++i) contactId.push_back(std::uint8_t(people->messages[0].id >> (8 * i)));
  const Bytes wrapped = pstgen::ContactEntryId(contactId);
  const ReadMessage& list = people->messages[1];
  EXPECT_EQ(wrapped, list.props.Find(0x60010102)->data);
  const Bytes addressSet = {0x04, 0x20, 0x06, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  const Entry* members = list.props.FindNamed(addressSet, 0x8054);
  ASSERT_TRUE(members);
  EXPECT_EQ(pstgen::SplitMultiValued(members->data),
            (std::vector<Bytes>{pstgen::BinaryFromText("oneoff:Al|SMTP|al@example.com"), wrapped}));

  // Only a message written before can be named.
  for (const char* description : {
           R"({"folders": [{"messages": [{"named": [{"set": "PSETID_Address", "lid": 32852, "type": "PT_MV_BINARY",
               "value": ["contact:later"]}]}, {"id": "later"}]}]})",
           R"({"folders": [{"messages": [{"props": {"0x6001": {"type": "PT_BINARY", "value": "contact:none"}}}]}]})"}) {
    const pstgen::Store store = pstgen::ParseDescription(nlohmann::json::parse(description));
    EXPECT_THROW(pstgen::WritePst(store, machine.scratch() / "bad.pst"), std::invalid_argument) << description;
  }
}

}  // namespace
}  // namespace pstgen_test
