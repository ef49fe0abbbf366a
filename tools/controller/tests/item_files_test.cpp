// An announced item's files taken into a folder of the controller's own:
// the data outlives the exporter's names, the attachment list names the
// taken attachments, and a failure leaves nothing half-taken.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "ItemFiles.h"
#include "ListFiles.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;

std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

void Write(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
// An attachment list as the exporter writes it (CR LF lines, the folder with
// a Windows separator).
void WriteList(const fs::path& file, const std::vector<std::u16string>& lines) {
  std::string bytes;
  for (const std::u16string& line : lines)
    for (char16_t unit : line + u"\r\n") bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  Write(file, bytes);
}

class TakeItemFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = machine_.scratch() / "work";
    fs::create_directories(work_);
    Write(work_ / "MSG1.eml", "mime");
    Write(work_ / "Mail.txt", "text");
    Write(work_ / "{A}", "first");
    Write(work_ / "{B}", "second");
    const std::u16string folder = U16(work_) + u"\\";
    // {C} is listed without a file, as for an attachment without data.
    WriteList(work_ / "AttachmentList.txt",
              {u"{A}", u"a.txt", folder, u"{C}", u"c.txt", folder, u"{B}", u"b.txt", folder});
    item_ = {U16(work_) + u"\\MSG1.eml", U16(work_) + u"\\Mail.txt", U16(work_) + u"\\AttachmentList.txt", u""};
  }
  testing_support::TempMachine machine_;
  fs::path work_;
  controller::ItemPaths item_;
};

TEST_F(TakeItemFiles, TheDataOutlivesTheExportersNames) {
  const fs::path queue = machine_.scratch() / "queue";
  std::string error;
  const auto taken = controller::TakeItemFiles(item_, queue, "7", &error);
  ASSERT_TRUE(taken) << error;
  EXPECT_EQ(taken->paths.emlFile, U16(queue / "7-MSG1.eml"));
  EXPECT_EQ(taken->paths.itemTextFile, U16(queue / "7-Mail.txt"));
  EXPECT_EQ(taken->paths.attachmentList, U16(queue / "7-AttachmentList.txt"));
  EXPECT_EQ(taken->paths.membersFile, u"");
  EXPECT_EQ(taken->files, (std::vector<fs::path>{queue / "7-MSG1.eml", queue / "7-Mail.txt",
                                                 queue / "7-AttachmentList.txt", queue / "7"}));
  EXPECT_EQ(taken->bytes, 4u + 4 + 5 + 6 + fs::file_size(queue / "7-AttachmentList.txt"));
  EXPECT_EQ(taken->attachments, (std::vector<fs::path>{work_ / "{A}", work_ / "{B}"}));

  // The exporter deletes or writes again its names: ours keep the data.
  fs::remove_all(work_);
  EXPECT_EQ(Read(queue / "7-MSG1.eml"), "mime");
  EXPECT_EQ(Read(queue / "7-Mail.txt"), "text");
  // The list names every entry, in its order, in the item's folder.
  const std::u16string where = U16(queue / "7") + u"/";
  EXPECT_EQ(controller::ReadListFile(queue / "7-AttachmentList.txt"),
            (std::vector<std::u16string>{u"{A}", u"a.txt", where, u"{C}", u"c.txt", where, u"{B}", u"b.txt", where}));
  const std::vector<fs::path> files = controller::AttachmentFiles(queue / "7-AttachmentList.txt");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(Read(files[0]), "first");
  EXPECT_FALSE(fs::exists(files[1]));
  EXPECT_EQ(Read(files[2]), "second");
  EXPECT_EQ(controller::FilesBelow(queue).size(), 5u);
}

// Most items have no attachment files: no folder is made for them.
TEST_F(TakeItemFiles, AnItemWithoutAttachmentFilesGetsNoFolder) {
  fs::remove(work_ / "{A}");
  fs::remove(work_ / "{B}");
  const fs::path queue = machine_.scratch() / "queue";
  std::string error;
  const auto taken = controller::TakeItemFiles(item_, queue, "8", &error);
  ASSERT_TRUE(taken) << error;
  EXPECT_EQ(taken->files, (std::vector<fs::path>{queue / "8-MSG1.eml", queue / "8-Mail.txt",
                                                 queue / "8-AttachmentList.txt"}));
  EXPECT_FALSE(fs::exists(queue / "8"));
  EXPECT_EQ(controller::ReadListFile(queue / "8-AttachmentList.txt")->size(), 9u) << "the importer skips them";
}

TEST_F(TakeItemFiles, AFailureLeavesNothingTaken) {
  // A listed attachment that is a folder cannot be taken.
  fs::remove(work_ / "{B}");
  fs::create_directory(work_ / "{B}");
  const fs::path queue = machine_.scratch() / "queue";
  fs::create_directories(queue);
  std::ofstream(queue / "2-MSG1.eml") << "another item's";
  std::string error;
  EXPECT_FALSE(controller::TakeItemFiles(item_, queue, "9", &error));
  EXPECT_NE(error.find("{B}"), std::string::npos) << error;
  EXPECT_EQ(controller::FilesBelow(queue), std::vector<fs::path>{queue / "2-MSG1.eml"});
  EXPECT_TRUE(fs::exists(work_ / "{A}")) << "the exporter's files are left alone";
}

}  // namespace
