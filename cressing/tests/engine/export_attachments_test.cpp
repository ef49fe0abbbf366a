// Attachments of the first export mode, through the real engine over a PST
// made by pstgen: "AttachmentList.txt", the stored files of every attachment
// method, and embedded messages as Outlook message files read by olefile.
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "com/storage.h"
#include "export_engine.h"

namespace {

using namespace cressing_test;

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex = "hex:";
  for (unsigned char b : bytes) hex += {digits[b >> 4], digits[b & 15]};
  return hex;
}

// A small OLE object: a compound file with a class and a stream.
std::string OleObject(const fs::path& path) {
  ComPtr<IStorage> storage;
  EXPECT_EQ(StgCreateDocfile(path.u16string().c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0,
                             storage.ReleaseAndGetAddressOf()),
            S_OK);
  const CLSID sheet = {0x00020820, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  EXPECT_EQ(WriteClassStg(storage.Get(), sheet), S_OK);
  ComPtr<IStream> stream;
  EXPECT_EQ(
      storage->CreateStream(u"Contents", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.ReleaseAndGetAddressOf()),
      S_OK);
  const std::string contents = Pattern(5000);
  EXPECT_EQ(stream->Write(contents.data(), static_cast<ULONG>(contents.size()), nullptr), S_OK);
  stream.Reset();
  EXPECT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
  storage.Reset();
  const auto bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

class ExportAttachments : public ExportEngine {
 protected:
  void SetUp() override {
    RegisterConverter();
    big_ = Pattern(300 * 1024);
    ole_ = OleObject(machine_.scratch() / "object.ole");
    using nlohmann::json;
    const json embedded = {
        {"class", "IPM.Note"},
        {"props", {{"PR_SUBJECT_W", "Inner"}, {"PR_BODY_W", "plain text body"}}},
        {"attachments", json::array({{{"long_filename", "inner.txt"}, {"data", "hex:696e6e6572"}}})}};
    const json withRtf = {{"props",
                           {{"PR_SUBJECT_W", "Rich"},
                            {"PR_BODY_W", "rich body"},
                            {"PR_RTF_COMPRESSED", "rtf:{\\rtf1\\ansi rich body\\par}"}}}};
    const json attachments = json::array({
        {{"method", 1}, {"long_filename", "report.pdf"}, {"data", Hex(big_)}},
        {{"method", 1}, {"long_filename", "report.pdf"}, {"data", Hex("second")}},
        {{"method", 1}, {"props", {{"PR_ATTACH_FILENAME_W", "SHORT.TXT"}}}, {"data", Hex("short")}},
        {{"method", 1}, {"display_name", "Shown"}, {"data", Hex("shown")}},
        {{"method", 1}, {"data", Hex("nameless")}},
        {{"method", 1}, {"long_filename", "two\r\nlines.txt"}, {"data", Hex("two lines")}},
        {{"method", 2}, {"long_filename", "ref2.bin"}, {"pathname", "C:\\ref2.bin"}, {"data", Hex("by reference")}},
        {{"method", 3}, {"long_filename", "ref3.bin"}, {"data", Hex("resolved")}},
        {{"method", 4}, {"long_filename", "ref4.lnk"}, {"long_pathname", "C:\\long path\\ref4.lnk"}},
        {{"method", 0}, {"display_name", "nothing"}},
        {{"method", 7}, {"long_filename", "web.txt"}, {"long_pathname", "https://example.com/web.txt"}},
        {{"method", 5}, {"display_name", "Minutes"}, {"message", embedded}},
        {{"method", 5}, {"display_name", "Report.MSG"}, {"message", withRtf}},
        {{"method", 5}, {"message", {{"props", {{"PR_SUBJECT_W", "No name"}}}}}},
        {{"method", 5}, {"display_name", ".msg"}, {"message", {{"props", {{"PR_SUBJECT_W", "Dot"}}}}}},
        {{"method", 6}, {"display_name", "Sheet"}, {"data", Hex(ole_)}},
    });
    const json description = {
        {"store", {{"display_name", "Attachments"}}},
        {"folders",
         json::array(
             {{{"name", "Inbox"},
               {"messages", json::array({
                                {{"props", {{"PR_SUBJECT_W", "All methods"}}}, {"attachments", attachments}},
                                {{"props", {{"PR_SUBJECT_W", "Flag off"}, {"PR_HASATTACH", false}}},
                                 {"attachments", json::array({{{"long_filename", "hidden.txt"}, {"data", Hex("x")}}})}},
                                {{"props", {{"PR_SUBJECT_W", "None"}}}},
                            })}}})}};
    StartOn({{MakePst("attachments", description.dump()), u"Attachments"}});
  }

  // What olefile reads in a stored message file.
  static nlohmann::json LookAtMsg(const fs::path& file) {
    const std::string command = "/usr/bin/python3 " ENGINE_TESTS_DIR "/msg_look.py '" + file.string() + "'";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
      pclose(pipe);
    }
    return nlohmann::json::parse(out, nullptr, false);
  }

  std::string big_, ole_;
};

TEST_F(ExportAttachments, ListsEveryAttachmentAndStoresItsDataAsThePstHoldsIt) {
  const ExportRun run = Export(3);
  EXPECT_TRUE(run.errors.empty());
  ASSERT_EQ(run.items.size(), 3u);
  const Announced& item = run.items[0];
  ASSERT_EQ(item.attachmentLines.size(), 16u * 3) << "three lines for each of the 16 attachments";

  const std::u16string folder = work_.u16string() + u"\\";
  const std::regex guid("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$");
  std::vector<std::u16string> names;
  std::set<std::u16string> stored;
  for (std::size_t i = 0; i < item.attachmentLines.size(); i += 3) {
    EXPECT_TRUE(std::regex_match(win32::Utf16ToUtf8(item.attachmentLines[i]), guid));
    stored.insert(item.attachmentLines[i]);
    names.push_back(item.attachmentLines[i + 1]);
    EXPECT_EQ(item.attachmentLines[i + 2], folder);
  }
  EXPECT_EQ(stored.size(), 16u) << "every attachment has a name of its own";
  EXPECT_EQ(names, (std::vector<std::u16string>{u"report.pdf", u"report.pdf", u"SHORT.TXT", u"Shown", u"Unknown",
                                                u"two  lines.txt", u"ref2.bin", u"ref3.bin", u"ref4.lnk", u"nothing",
                                                u"web.txt", u"Minutes.msg", u"Report.MSG", u"Unknown.msg", u".msg.msg",
                                                u"Sheet"}));

  // The data of each, by position; methods 0, 4 and 7 have no file.
  const auto data = [&](std::size_t n) -> const std::vector<unsigned char>* {
    const auto it = item.storedFiles.find(item.attachmentLines[n * 3]);
    return it == item.storedFiles.end() ? nullptr : &it->second;
  };
  const auto bytes = [](const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); };
  const std::pair<std::size_t, std::string> values[] = {{0, big_},           {1, "second"},   {2, "short"},
                                                        {3, "shown"},        {4, "nameless"}, {5, "two lines"},
                                                        {6, "by reference"}, {7, "resolved"}, {15, ole_}};
  for (const auto& [n, expected] : values) {
    SCOPED_TRACE(n);
    ASSERT_NE(data(n), nullptr);
    EXPECT_TRUE(*data(n) == bytes(expected));
  }
  for (std::size_t n : {8, 9, 10}) EXPECT_EQ(data(n), nullptr) << n;
  for (std::size_t n : {11, 12, 13, 14}) EXPECT_NE(data(n), nullptr) << n;

  // The list goes with the item; the stored files stay for the importer.
  const auto storedFile = [&](std::size_t n) { return PosixPath(folder + item.attachmentLines[n * 3]); };
  EXPECT_FALSE(fs::exists(work_ / "AttachmentList.txt"));
  std::size_t files = 0;
  for (std::size_t n = 0; n < 16; ++n) files += fs::exists(storedFile(n));
  EXPECT_EQ(files, 13u);

  // Embedded messages are Outlook message files; a plain-text body stays,
  // one with an RTF body is left to the RTF.
  const nlohmann::json minutes = LookAtMsg(storedFile(11));
  ASSERT_TRUE(minutes.is_object()) << storedFile(11);
  EXPECT_EQ(minutes["ole"], true);
  EXPECT_EQ(minutes["clsid"], "00020D0B-0000-0000-C000-000000000046");
  EXPECT_EQ(minutes["subject"], "Inner");
  EXPECT_EQ(minutes["body"], "plain text body");
  EXPECT_EQ(minutes["attachments"], 1);
  const nlohmann::json rich = LookAtMsg(storedFile(12));
  EXPECT_EQ(rich["subject"], "Rich");
  EXPECT_TRUE(rich["body"].is_null());
  EXPECT_EQ(LookAtMsg(storedFile(13))["subject"], "No name");

  // Without PR_HASATTACH, and without attachments: an empty list.
  for (std::size_t i : {1, 2}) {
    EXPECT_TRUE(run.items[i].attachmentListExists) << i;
    EXPECT_TRUE(run.items[i].attachmentLines.empty()) << i;
    EXPECT_TRUE(run.items[i].storedFiles.empty()) << i;
  }
  EXPECT_EQ(WorkFiles().size(), 13u) << "no file for the hidden attachment";
}

TEST_F(ExportAttachments, AnswerZeroKeepsTheListAsItWasAnnounced) {
  const ExportRun run = Export(3, {}, [](const Announced&) { return 0; });
  ASSERT_EQ(run.items.size(), 1u);
  EXPECT_EQ(CrLfLines(WideText(ReadBytes(work_ / "AttachmentList.txt"))), run.items[0].attachmentLines);
}

}  // namespace
