// The PST reading layer over the PST that Outlook wrote.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "pst/pst_file.h"
#include "pst/pst_items.h"
#include "pst/pst_record.h"
#include "testing/shared_fixtures.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace pst {
namespace {

constexpr uint16_t kPidDisplayName = 0x3001;
constexpr uint16_t kPidContainerClass = 0x3613;
constexpr uint16_t kPidIpmSubtree = 0x35E0;
constexpr uint16_t kPidMessageClass = 0x001A;

std::string Sample() { return (testing_support::SharedFixtures() / "outlook-sample.pst").string(); }

std::u16string Utf16Of(const RawProp& p) {
  std::u16string s(p.bytes.size() / 2, u'\0');
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(Le16(p.bytes, 2 * i));
  return s;
}

std::string NameOf(Item* item) {
  auto p = item->Props().Find(kPidDisplayName);
  return p ? win32::Utf16ToUtf8(Utf16Of(*p)) : std::string();
}

uint32_t IpmSubtree(PstFile& f) {
  auto p = f.StoreItem()->Props().Find(kPidIpmSubtree);
  EXPECT_TRUE(p);
  auto nid = p ? f.NidOf(p->bytes.data(), p->bytes.size()) : std::nullopt;
  EXPECT_TRUE(nid);
  return nid.value_or(0);
}

class PstReader : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_SHARED_FIXTURE(sample, "outlook-sample.pst");
    std::string error;
    file_ = PstFile::Open(sample.string(), &error);
    ASSERT_TRUE(file_) << error;
    lock_ = file_->Lock();
  }
  std::map<std::string, uint32_t> Children(uint32_t folder) {
    std::map<std::string, uint32_t> byName;
    for (uint32_t id : file_->SubFolders(folder)) byName[NameOf(file_->Folder(id))] = id;
    return byName;
  }
  std::shared_ptr<PstFile> file_;
  std::unique_lock<std::recursive_mutex> lock_;
};

TEST(PstFileOpen, RefusesMissingFilesAndOtherFiles) {
  testing_support::TempMachine machine;
  auto notPst = machine.scratch() / "notes.pst";
  std::ofstream(notPst) << "not a personal folders file";
  for (const std::string& path : {(machine.scratch() / "missing.pst").string(), notPst.string()}) {
    std::string error;
    EXPECT_FALSE(PstFile::Open(path, &error)) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
}

TEST_F(PstReader, StoreNamesItsSubtreeByAnEntryIdOfThisFile) {
  EXPECT_EQ(file_->RecordKey().size(), 16u);
  EXPECT_TRUE(file_->Unicode());
  uint32_t subtree = IpmSubtree(*file_);
  EXPECT_EQ(NameOf(file_->Folder(subtree)), "Top of Personal Folders");
  auto id = file_->EntryId(subtree);
  EXPECT_EQ(file_->NidOf(id.data(), id.size()), subtree);
  id[5] ^= 1;  // another store's record key
  EXPECT_FALSE(file_->NidOf(id.data(), id.size()));
  EXPECT_FALSE(file_->NidOf(id.data(), 23));
}

// The folders' own properties tell which have a container class.
TEST_F(PstReader, FolderPropertiesTellWhichFoldersHaveAContainerClass) {
  auto top = Children(IpmSubtree(*file_));
  for (const char* name : {"Inbox", "Outbox", "Sent Items", "Deleted Items"}) {
    ASSERT_TRUE(top.count(name)) << name;
    EXPECT_FALSE(file_->Folder(top[name])->Props().TagOf(kPidContainerClass)) << name;
  }
  const std::map<std::string, std::string> classes = {
      {"Calendar", "IPF.Appointment"}, {"Contacts", "IPF.Contact"}, {"Tasks", "IPF.Task"},
      {"Journal", "IPF.Journal"},      {"Notes", "IPF.StickyNote"}};
  for (const auto& [name, cls] : classes) {
    ASSERT_TRUE(top.count(name)) << name;
    auto p = file_->Folder(top[name])->Props().Find(kPidContainerClass);
    ASSERT_TRUE(p) << name;
    EXPECT_EQ(win32::Utf16ToUtf8(Utf16Of(*p)), cls) << name;
  }
}

// Reads every property, recipient and attachment of a message, and of its
// embedded messages to any depth; returns the number of messages read.
int ReadWhole(Item* message, int depth, int* maxDepth) {
  *maxDepth = std::max(*maxDepth, depth);
  RecordSet props = message->Props();
  EXPECT_FALSE(props.Empty());
  for (uint32_t tag : props.Tags()) EXPECT_TRUE(props.Find(TagId(tag))) << std::hex << tag;
  Recipients recipients = RecipientRows(message);
  for (const RecordSet& row : recipients.rows)
    for (uint32_t tag : row.Tags()) EXPECT_TRUE(row.Find(TagId(tag))) << std::hex << tag;
  int read = 1;
  for (int i = 0; i < AttachmentCount(message); ++i) {
    ItemHandle a = AttachmentAt(message, i);
    EXPECT_TRUE(a);
    RecordSet ap = a->Props();
    EXPECT_TRUE(AttachMethod(ap));
    if (ItemHandle inner = EmbeddedMessage(a.get())) {
      read += ReadWhole(inner.get(), depth + 1, maxDepth);
      continue;
    }
    DataReader data = DataReader::Of(a.get());
    if (!data.Valid()) continue;
    std::vector<uint8_t> buf(4096);
    uint64_t total = 0;
    for (long long n; (n = data.ReadAt(total, buf.data(), buf.size())) > 0;) total += n;
    EXPECT_EQ(total, data.Size());
  }
  return read;
}

TEST_F(PstReader, EveryFolderAndItemReadsWhole) {
  int messages = 0, embedded = 0, folders = 0, maxDepth = 0;
  std::function<void(uint32_t)> walk = [&](uint32_t folder) {
    ++folders;
    EXPECT_FALSE(file_->Folder(folder)->Props().Empty());
    for (int i = 0; i < file_->MessageCount(folder); ++i) {
      ItemHandle m = file_->MessageAt(folder, i);
      ASSERT_TRUE(m);
      int n = ReadWhole(m.get(), 0, &maxDepth);
      ++messages;
      embedded += n - 1;
    }
    for (uint32_t sub : file_->SubFolders(folder)) walk(sub);
  };
  walk(file_->RootFolderId());
  EXPECT_GT(folders, 20);
  EXPECT_GE(messages, 4);  // contact, distribution list, appointment, ...
  EXPECT_EQ(embedded, 2);  // the appointment's two exceptions
  EXPECT_EQ(maxDepth, 1);
}

TEST_F(PstReader, MessagesAreFoundByIdentifierBeforeTheirFolderIsListed) {
  std::string error;
  auto fresh = PstFile::Open(Sample(), &error);
  ASSERT_TRUE(fresh);
  auto guard = fresh->Lock();
  // The Calendar's appointment, and identifiers naming nothing.
  std::vector<uint32_t> all;
  std::function<void(uint32_t)> collect = [&](uint32_t folder) {
    for (int i = 0; i < file_->MessageCount(folder); ++i) {
      ItemHandle m = file_->MessageAt(folder, i);
      ASSERT_TRUE(m);
      all.push_back(m->NodeOf().nid);
    }
    for (uint32_t sub : file_->SubFolders(folder)) collect(sub);
  };
  collect(file_->RootFolderId());
  ASSERT_FALSE(all.empty());
  for (uint32_t id : all) {
    ItemHandle m = fresh->Message(id);
    ASSERT_TRUE(m) << id;
    EXPECT_TRUE(m->Props().Find(kPidMessageClass)) << id;
  }
  EXPECT_FALSE(fresh->Message(0x7FFFFFE4));  // a message identifier the file lacks
  EXPECT_FALSE(fresh->Message(IpmSubtree(*fresh)));  // a folder is no message
  EXPECT_FALSE(fresh->Folder(all.front()));          // and a message no folder
}

}  // namespace
}  // namespace pst
