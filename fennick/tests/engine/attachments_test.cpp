// Attachments through the real engine: the listed files renamed to safe,
// unique forms of their display names, attached byte for byte and removed;
// names already taken in the folder; lists cut short; entries that name
// no file of their own, which are reported and left alone; and entries
// whose file was never written, which are skipped.
#include <random>

#include "insert_engine.h"

namespace {

using namespace fennick_test;

std::string Bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

class FennickAttachments : public FennickInsert {
 protected:
  void SetUp() override {
    FennickInsert::SetUp();
    WriteMail({});
  }
  // The names and digests of the listed contents, in order.
  static std::vector<std::pair<std::string, std::string>> Expected(
      const std::vector<std::pair<std::string, std::string>>& namesAndContents) {
    std::vector<std::pair<std::string, std::string>> expected;
    for (const auto& [name, content] : namesAndContents) expected.emplace_back(name, Sha256(content));
    return expected;
  }
};

TEST_F(FennickAttachments, AttachedUnderNumberedSanitisedNamesAndRemoved) {
  const std::string big = Bytes(300 * 1024, 1);
  const std::vector<std::pair<std::u16string, std::string>> listed = {
      {u"Report.doc", big},
      {u"report.DOC", "second"},
      {u"Report.doc", std::string("\0third", 6)},
      {u"a:b?.txt", "sanitised"},
      {u"archive.tar.gz", "tar1"},
      {u"ARCHIVE.tar.gz", "tar2"},
      {u"notes", "n1"},
      {u"notes", "n2"},
      {u"a?.txt", "meets"},
      {u"a_.txt", "after sanitising"},
      {u"<all>|\\/\"*", "every forbidden one"},
  };
  std::vector<Listed> entries;
  for (std::size_t i = 0; i < listed.size(); ++i)
    entries.push_back(
        {u"{0000000" + win32::Utf8ToUtf16(std::to_string(i)) + u"-GUID}", listed[i].first, listed[i].second});
  WriteList(entries);

  ASSERT_EQ(Insert(), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_EQ(Attachments(LastDocument()), Expected({
                                             {"Report.doc", big},
                                             {"report1.DOC", "second"},
                                             {"Report2.doc", std::string("\0third", 6)},
                                             {"a_b_.txt", "sanitised"},
                                             {"archive.tar.gz", "tar1"},
                                             {"ARCHIVE.tar1.gz", "tar2"},
                                             {"notes", "n1"},
                                             {"notes1", "n2"},
                                             {"a_.txt", "meets"},
                                             {"a_.txt", "after sanitising"},
                                             {"_all______", "every forbidden one"},
                                         }));
  EXPECT_TRUE(AttachmentFolder().empty()) << "every attached file is removed";
  EXPECT_TRUE(fs::exists(ListPath())) << "the list stays for the extraction engine";
}

// A display name taken in the folder: the file goes in from a fallback
// name and the file already there stays; an empty display name gets a
// fallback name. The fallback numbers start again with each document.
TEST_F(FennickAttachments, NamesTakenInTheFolderAndEmptyNames) {
  std::ofstream(attachments_ / "taken.txt") << "not ours";
  std::ofstream(attachments_ / "UnknownAttch0") << "not ours either";
  WriteList({{u"{G1}", u"taken.txt", "first"}, {u"{G2}", u"", "second"}, {u"{G3}", u"free.txt", "third"}});
  ASSERT_EQ(Insert(), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_EQ(Attachments(LastDocument()),
            Expected({{"taken.txt", "first"}, {"UnknownAttch1", "second"}, {"free.txt", "third"}}));

  WriteList({{u"{G4}", u"", "fourth"}});
  ASSERT_EQ(Insert(), 1);
  EXPECT_EQ(Attachments(LastDocument()), Expected({{"UnknownAttch0", "fourth"}}));
  EXPECT_EQ(AttachmentFolder(),
            (std::map<std::string, std::string>{{"UnknownAttch0", "not ours either"}, {"taken.txt", "not ours"}}));
}

// Only complete entries count; a line loses only a CR at its end.
TEST_F(FennickAttachments, ListsCutShortAndLinesWithoutCr) {
  const std::u16string folder = Folder();
  struct Case {
    const char* what;
    std::u16string tail;  // after one complete entry
    std::vector<std::pair<std::string, std::string>> attached;
  };
  const Case cases[] = {
      {"cut after the stored name", u"{G2}\r\n", {{"one.txt", "one"}}},
      {"cut after the display name", u"{G2}\r\ntwo.txt\r\n", {{"one.txt", "one"}}},
      {"a last line without a line end", u"{G2}\r\ntwo.txt\r\n" + folder, {{"one.txt", "one"}, {"two.txt", "two"}}},
      {"lines ended by LF alone", u"{G2}\ntwo.txt\n" + folder + u"\n", {{"one.txt", "one"}, {"two.txt", "two"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(attachments_ / "{G2}") << "two";
    WriteList({{u"{G1}", u"one.txt", "one"}}, c.tail);
    ASSERT_EQ(Insert(), 1);
    EXPECT_TRUE(TakeReplies().empty());
    EXPECT_EQ(Attachments(LastDocument()), Expected(c.attached));
    const auto left = AttachmentFolder();
    EXPECT_EQ(left.size(), c.attached.size() == 1 ? 1u : 0u);
    EXPECT_EQ(left.count("{G2}"), c.attached.size() == 1 ? 1u : 0u) << "an incomplete entry's file stays";
    fs::remove(attachments_ / "{G2}");
  }
}

// An entry that names no file of the folder, or no regular file, is left
// out and reported; nothing is removed for it. The document still goes in.
// (An entry whose file does not exist is skipped without a word: below.)
TEST_F(FennickAttachments, EntriesNamingNoFileOfTheirOwnAreReportedAndLeftAlone) {
  const fs::path outside = machine_.scratch() / "outside.txt";
  std::ofstream(outside) << "outside";
  fs::create_symlink(outside, attachments_ / "{LINK}");
  fs::create_directories(attachments_ / "{DIR}");
  fs::create_directories(attachments_ / "sub");
  std::ofstream(attachments_ / "sub" / "{G}") << "in a subfolder";
  std::ofstream(attachments_ / "{NO FOLDER}") << "kept";

  const std::u16string folder = Folder();
  WriteList({
      {u"", u"empty.txt"},
      {u"{GOOD}", u"good.txt", "good"},
      {u".", u"dot.txt"},
      {u"..", u"dots.txt"},
      {u"sub\\{G}", u"backslash.txt"},
      {u"sub/{G}", u"slash.txt"},
      {u"{NO FOLDER}", u"nofolder.txt", std::nullopt, u"."},
      {u"{NO FOLDER}", u"nofolder2.txt", std::nullopt, u".."},
      {u"{LINK}", u"link.txt"},
      {u"{DIR}", u"dir.txt"},
      {u"{MISSING}", u"missing.txt"},
  });
  // An entry with an empty folder can only be written by hand.
  std::ofstream list(ListPath(), std::ios::binary | std::ios::app);
  for (char16_t unit : std::u16string(u"{NO FOLDER}\r\nempty-folder.txt\r\n\r\n"))
    list << static_cast<char>(unit & 0xFF) << static_cast<char>(unit >> 8);
  list.close();

  ASSERT_EQ(Insert(), 1) << "the document itself went in";
  EXPECT_EQ(
      TakeReplies(),
      std::vector<Reply>{NotesError(u"The attachment list names no usable file for the attachment \"empty.txt\".")});
  const nlohmann::json dump = Database();
  EXPECT_EQ(Attachments(dump["documents"].back()), Expected({{"good.txt", "good"}}));
  EXPECT_EQ(dump["folders"].back()["documents"].back(), dump["documents"].back()["id"]);
  EXPECT_EQ(AttachmentFolder().count("{NO FOLDER}"), 1u);
  EXPECT_TRUE(fs::is_symlink(attachments_ / "{LINK}"));
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_TRUE(fs::is_directory(attachments_ / "{DIR}"));
  EXPECT_TRUE(fs::exists(attachments_ / "sub" / "{G}"));
  EXPECT_FALSE(fs::exists(attachments_ / "{GOOD}"));
  for (const char* name : {"dot.txt", "dots.txt", "link.txt", "dir.txt", "missing.txt", "backslash.txt"})
    EXPECT_FALSE(fs::exists(attachments_ / name)) << name;

  // Each such entry alone says what is wrong with it.
  struct Case {
    const char16_t* storedName;
    const char16_t* displayName;
  };
  for (const Case& c : {Case{u"{LINK}", u"link.txt"}, Case{u"{DIR}", u"dir.txt"}}) {
    SCOPED_TRACE(win32::Utf16ToUtf8(c.displayName));
    WriteList({{c.storedName, c.displayName}});
    ASSERT_EQ(Insert(), 1);
    EXPECT_EQ(TakeReplies(),
              std::vector<Reply>{NotesError(u"The file " + folder + c.storedName + u" of the attachment \"" +
                                            c.displayName + u"\" is missing or no regular file.")});
  }
}

// The exporter lists attachments it had nothing to save for (no data, a
// reference, an embedded message that does not open): an entry whose file
// does not exist is skipped without a reply, and the others go in.
TEST_F(FennickAttachments, AnEntryWhoseFileWasNeverWrittenIsSkippedSilently) {
  // The last entry's folder does not exist either.
  WriteList(
      {
          {u"{FIRST}", u"first.txt", "first"},
          {u"{NEVER WRITTEN}", u"reference.lnk"},
          {u"{ALSO NEVER}", u"first.txt"},
          {u"{LAST}", u"last.txt", "last"},
      },
      u"{IN NO FOLDER}\r\nnofolder.txt\r\n" + (machine_.scratch() / "gone").u16string() + u"/\r\n");
  ASSERT_EQ(Insert(), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_EQ(Attachments(LastDocument()), Expected({{"first.txt", "first"}, {"last.txt", "last"}}));
  EXPECT_TRUE(AttachmentFolder().empty());
}

// The MIME file's own attachments are never attached: only the list's.
TEST_F(FennickAttachments, OnlyTheListedFilesAreAttached) {
  WriteEml(
      "From: ann@example.com\r\nSubject: With a part\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
      "--m\r\nContent-Type: text/plain\r\n\r\nSee the file.\r\n"
      "--m\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"in-mime.bin\"\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\naW4tbWltZQ==\r\n--m--\r\n");
  WriteList({});
  ASSERT_EQ(Insert(), 1);
  EXPECT_TRUE(TakeReplies().empty());
  EXPECT_TRUE(Attachments(LastDocument()).empty());
}

}  // namespace
