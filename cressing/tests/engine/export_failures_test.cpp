// Steps of the first export mode that fail in the real engine: each is
// reported with CD_ERROR_TEXT, and no announcement names a file that was
// not written; and every item of a PST written by Outlook goes through.
#include <signal.h>
#include <sys/resource.h>

#include <set>

#include "export_engine.h"

namespace {

using namespace cressing_test;

constexpr char kMail[] = R"({"store": {"display_name": "Mail"}, "folders": [{"name": "Inbox", "messages": [
  {"props": {"PR_SUBJECT_W": "first"}}, {"props": {"PR_SUBJECT_W": "second"}}]}]})";
constexpr std::int32_t kInbox = 3;

class ExportFailures : public ExportEngine {};

TEST_F(ExportFailures, WithoutAConverterNoMimeFileIsNamed) {
  StartOn({{MakePst("mail", kMail), u"Mail"}});
  const ExportRun run = Export(kInbox);
  EXPECT_EQ(run.result, 1);
  ASSERT_EQ(run.items.size(), 2u);
  for (const Announced& item : run.items) {
    EXPECT_TRUE(item.emlFile.empty());
    EXPECT_EQ(item.itemTextFile, WorkPath(u"Mail.txt")) << "the rest of the item goes on";
    EXPECT_TRUE(item.attachmentListExists);
  }
  EXPECT_EQ(run.errors,
            std::vector<std::u16string>(2, u"Fail to write the MIME file from SaveMessageToEml in EnumLotusMessage."));
  EXPECT_EQ(run.doneCount, 1);
  EXPECT_TRUE(WorkFiles().empty());
}

// A folder in the way of a file the export writes: that file is not named,
// nor is an earlier item's file of that name, and the rest of the item goes.
TEST_F(ExportFailures, AFileThatCannotBeWrittenIsNotNamed) {
  RegisterConverter();
  fs::create_directory(work_ / "Mail.txt");
  fs::create_directory(work_ / "AttachmentList.txt");
  StartOn({{MakePst("mail", kMail), u"Mail"}});
  const ExportRun run = Export(kInbox);
  ASSERT_EQ(run.items.size(), 2u);
  for (const Announced& item : run.items) {
    EXPECT_TRUE(item.itemTextFile.empty());
    EXPECT_TRUE(item.attachmentList.empty());
    EXPECT_TRUE(item.emlExists);
  }
  const std::vector<std::u16string> perItem = {u"Fail to create AttachmentList.txt in SaveAttachments.",
                                               u"Fail to write the item text file in EnumLotusMessage."};
  std::vector<std::u16string> expected = perItem;
  expected.insert(expected.end(), perItem.begin(), perItem.end());
  EXPECT_EQ(run.errors, expected);
  EXPECT_TRUE(fs::is_directory(work_ / "Mail.txt")) << "what was in the way stays";
  EXPECT_TRUE(fs::is_directory(work_ / "AttachmentList.txt"));
}

// A list that cannot be written names no attachment, so the files saved
// for it go too: here the engine may write files of no more than 300 bytes,
// which the attachments fit and the list's first entry does not.
TEST_F(ExportFailures, AttachmentFilesGoWhenTheirListCannotBeWritten) {
  RegisterConverter();
  const std::string name(120, 'n');
  const std::string description = R"({"store": {"display_name": "Mail"}, "folders": [{"name": "Inbox", "messages": [
    {"props": {"PR_SUBJECT_W": "files"}, "attachments": [
      {"method": 1, "long_filename": ")" + name + R"(.txt", "data": "hex:6f6e65"},
      {"method": 1, "long_filename": "two.txt", "data": "hex:74776f"}]}]}]})";
  // The engine inherits SIGXFSZ ignored: a write past the limit fails with
  // EFBIG instead of ending it.
  struct sigaction ignore = {};
  struct sigaction previous = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  StartOn({{MakePst("files", description), u"Mail"}});
  ::sigaction(SIGXFSZ, &previous, nullptr);
  const pid_t pid = engine_->Pid();
  rlimit normal{};
  ASSERT_EQ(::prlimit(pid, RLIMIT_FSIZE, nullptr, &normal), 0);
  const rlimit small{300, normal.rlim_max};
  ASSERT_EQ(::prlimit(pid, RLIMIT_FSIZE, &small, nullptr), 0);

  const ExportRun run = Export(kInbox);
  ASSERT_EQ(run.items.size(), 1u);
  EXPECT_TRUE(run.items[0].attachmentList.empty());
  EXPECT_NE(std::find(run.errors.begin(), run.errors.end(), u"Fail to write AttachmentList.txt in SaveAttachments."),
            run.errors.end());
  EXPECT_TRUE(WorkFiles().empty()) << "no attachment file is left behind";
}

TEST_F(ExportFailures, ACurrentFolderLongerThanItsBufferWritesNothing) {
  RegisterConverter();
  const fs::path deep = work_ / std::string(100, 'a') / std::string(100, 'b') / std::string(100, 'c');
  fs::create_directories(deep);
  fs::current_path(deep);
  StartOn({{MakePst("mail", kMail), u"Mail"}});
  const ExportRun run = Export(kInbox);
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(run.items.empty());
  EXPECT_EQ(run.doneCount, 0);
  EXPECT_EQ(run.errors, std::vector<std::u16string>{
                            u"Fail to get the current folder from GetCurrentDirectoryW in EnumLotusMessage."});
  EXPECT_TRUE(fs::is_empty(deep));
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{std::string(100, 'a')});
}

// Every folder of Outlook's own file, every item of each.
TEST_F(ExportFailures, EveryItemOfAPstWrittenByOutlookIsExported) {
  const fs::path sample = testing_support::SharedFixtures() / "outlook-sample.pst";
  if (!fs::exists(sample)) GTEST_SKIP() << "no " << sample;
  RegisterConverter();
  StartOn({{sample, u"Sample"}});
  int folders = 0, items = 0;
  std::size_t storedFiles = 0;
  std::set<std::int32_t> types;
  for (std::int32_t entry = 2;; ++entry) {
    const ExportRun run = Export(entry);
    if (run.result == 0) {
      EXPECT_TRUE(run.errors.empty()) << win32::Utf16ToUtf8(run.errors.front());
      break;
    }
    ++folders;
    EXPECT_TRUE(run.errors.empty()) << "folder entry " << entry << ": " << win32::Utf16ToUtf8(run.errors.front());
    EXPECT_EQ(run.doneCount, 1);
    for (const Announced& item : run.items) {
      ++items;
      types.insert(item.itemType);
      EXPECT_EQ(item.itemTotal, static_cast<std::int32_t>(run.items.size()));
      EXPECT_TRUE(item.emlExists && !item.eml.empty());
      EXPECT_FALSE(item.itemText.empty());
      storedFiles += item.storedFiles.size();
    }
  }
  EXPECT_EQ(folders, 12);
  EXPECT_EQ(items, 3);
  EXPECT_EQ(types, (std::set<std::int32_t>{1, 2, 12})) << "an appointment, a contact and a list";
  EXPECT_GT(storedFiles, 0u);
  EXPECT_EQ(WorkFiles().size(), 1 + storedFiles) << "the members file and the attachments stay for the importer";
}

}  // namespace
