// The nsfdump command, run as its own process.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "notes/notes.h"
#include "notes/templates.h"
#include "testing/temp_machine.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

ToolRun Nsfdump(const std::string& args, const fs::path& scratch) {
  static std::atomic<int> counter{0};
  const fs::path errFile = scratch / ("stderr" + std::to_string(counter++) + ".txt");
  const std::string cmd =
      Quote((testing_support::BuildDir() / "bin" / "nsfdump").string()) + " " + args + " 2>" + Quote(errFile);
  ToolRun r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  std::ifstream e(errFile);
  r.err.assign(std::istreambuf_iterator<char>(e), std::istreambuf_iterator<char>());
  return r;
}

class NsfdumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(notes::InstallMailTemplates(&error)) << error;
    ASSERT_EQ(session.Initialize(300, 0, nullptr, 1, nullptr), LNNOERROR);
    file = (machine.scratch() / "Jane.nsf").string();
    ASSERT_EQ(session.CreateDatabaseFromTemplate("mailr8.ntf", "", file, "", LNCreateDatabaseOptions(), &db),
              LNNOERROR);
    ASSERT_EQ(db.Open(), LNNOERROR);
  }

  ToolRun Dump(const std::string& options = "--json") { return Nsfdump(options + " " + Quote(file), machine.scratch()); }

  LNDocument NewDocument(const char* subject) {
    LNDocument doc;
    EXPECT_EQ(db.CreateDocument(&doc), LNNOERROR);
    EXPECT_EQ(doc.Open(0), LNNOERROR);
    LNText text;
    text.Insert(0, subject);
    EXPECT_EQ(doc.CreateItem("Subject", text, 8, LNITEMOPTION_APPEND), LNNOERROR);
    return doc;
  }

  testing_support::TempMachine machine;
  LNNotesSession session;
  LNDatabase db;
  std::string file;
};

TEST_F(NsfdumpTest, JsonShowsFoldersDocumentsItemsAndAttachments) {
  ASSERT_EQ(db.CreateFolder("Mailbox\\Inbox"), LNNOERROR);
  LNViewFolder inbox;
  ASSERT_EQ(db.GetViewFolder("Mailbox\\Inbox", &inbox), LNNOERROR);
  ASSERT_EQ(inbox.Open(), LNNOERROR);

  LNDocument doc = NewDocument("Hi");
  LNDatetimes when;
  LNDatetime t;
  t.SetDate(3, 15, 2024);
  t.SetTime(14, 5, 0, 0);
  when.Insert(0, t);
  ASSERT_EQ(doc.CreateItem("PostedDate", when, 8, 0x10000), LNNOERROR);
  const std::u16string html = u"<p>\u00E9\U0001F600</p>";
  std::string bytes(reinterpret_cast<const char*>(html.data()), 2 * html.size());
  bytes += 'X';  // an odd byte count
  ASSERT_EQ(doc.CreateItem("Body", 21, bytes.data(), static_cast<LNINT>(bytes.size()), 8, 0x10000), LNNOERROR);
  std::ofstream(machine.scratch() / "a.txt") << "hello";
  ASSERT_EQ(doc.CreateAttachment((machine.scratch() / "a.txt").string(), "a.txt", 1), LNNOERROR);
  ASSERT_EQ(doc.Save(0), LNNOERROR);
  ASSERT_EQ(inbox.FolderAddDocument(doc), LNNOERROR);
  LNDocument loose = NewDocument("");
  ASSERT_EQ(loose.Save(0), LNNOERROR);

  const ToolRun r = Dump();
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const json j = json::parse(r.out);
  EXPECT_EQ(j["title"], "Jane");
  EXPECT_EQ(j["template"], "mailr8.ntf");
  EXPECT_EQ(j["folders"][0], (json{{"name", "($Inbox)"}, {"documents", json::array()}}));
  EXPECT_EQ(j["folders"].back(), (json{{"name", "Mailbox\\Inbox"}, {"documents", {doc.GetNoteID()}}}));
  EXPECT_EQ(j["views"][0], "($All)");
  ASSERT_EQ(j["documents"].size(), 2u);
  const json& d = j["documents"][0];
  EXPECT_EQ(d["id"], doc.GetNoteID());
  EXPECT_EQ(d["items"][0], (json{{"name", "Subject"}, {"type", "text"}, {"flags", 8}, {"values", {"Hi"}}}));
  EXPECT_EQ(d["items"][1],
            (json{{"name", "PostedDate"}, {"type", "time"}, {"flags", 8}, {"values", {"2024-03-15T14:05:00"}}}));
  EXPECT_EQ(d["items"][2], (json{{"name", "Body"},
                                 {"type", 21},
                                 {"flags", 8},
                                 {"text", "<p>\xC3\xA9\xF0\x9F\x98\x80</p>"},
                                 {"bytes", bytes.size()}}));
  EXPECT_EQ(d["attachments"],
            (json{{{"name", "a.txt"},
                   {"size", 5},
                   {"sha256", "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824"}}}));
  EXPECT_EQ(j["documents"][1]["items"][0]["values"], (json{""}));

  const ToolRun text = Dump("");
  ASSERT_EQ(text.status, 0) << text.err;
  for (const char* s : {"Title: Jane", "Template: mailr8.ntf", "Mailbox\\Inbox: ", "($Inbox): (empty)",
                        "Subject  text  flags 0x0008  \"Hi\"", "PostedDate  time  flags 0x0008  2024-03-15T14:05:00",
                        "Body  type 21  flags 0x0008  21 bytes", "attachment \"a.txt\"  5 bytes  sha256 2cf24dba"})
    EXPECT_NE(text.out.find(s), std::string::npos) << s << "\n" << text.out;
}

TEST_F(NsfdumpTest, ForeignAndMissingFilesFailCleanly) {
  const fs::path s = machine.scratch();
  std::ofstream(s / "empty.nsf");
  std::ofstream(s / "text.nsf") << "just text\n";
  {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((s / "other.nsf").c_str(), &other), SQLITE_OK);
    sqlite3_exec(other, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
  }
  fs::create_directories(s / "dir.nsf");
  for (const char* name : {"empty.nsf", "text.nsf", "other.nsf", "dir.nsf", "missing.nsf"}) {
    const ToolRun r = Nsfdump("--json " + Quote((s / name).string()), s);
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(r.out, "") << name;
    EXPECT_EQ(r.err.rfind("nsfdump: " + (s / name).string() + ": ", 0), 0u) << r.err;
  }
  EXPECT_NE(Nsfdump(Quote((s / "text.nsf").string()), s).err.find("not a Notes database"), std::string::npos);
  EXPECT_NE(Nsfdump(Quote((s / "missing.nsf").string()), s).err.find("does not exist"), std::string::npos);
}

TEST_F(NsfdumpTest, OptionsAndBareNamesInTheDataFolder) {
  const fs::path s = machine.scratch();
  const ToolRun help = Nsfdump("--help", s);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--json"), std::string::npos);
  EXPECT_EQ(Nsfdump("", s).status, 2);
  EXPECT_EQ(Nsfdump("--bogus x.nsf", s).status, 2);
  EXPECT_EQ(Nsfdump("a.nsf b.nsf", s).status, 2);

  // BRACKENFORD_MACHINE (set by the test machine) and --machine both lead to notes/.
  ToolRun r = Nsfdump("--json mail8.ntf", s);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["title"], "Mail Template");
  testing_support::TempMachine other;  // now the environment names another machine
  r = Nsfdump("--json mailr8.ntf", s);
  EXPECT_EQ(r.status, 1);
  r = Nsfdump("--machine " + Quote(machine.root().string()) + " --json mailr8.ntf", s);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["title"], notes::kMailReleaseTemplateTitle);
}

TEST(MachineInit, InstallsTheMailTemplatesOnce) {
  testing_support::TempMachine m;
  const fs::path root = m.scratch() / "fresh";
  const std::string brackenford = Quote((testing_support::BuildDir() / "bin" / "brackenford").string());
  const std::string init = brackenford + " --machine " + Quote(root.string()) + " machine init >/dev/null";
  ASSERT_EQ(std::system(init.c_str()), 0);
  const auto stamp = fs::last_write_time(root / "notes" / "mail8.ntf");
  ASSERT_EQ(std::system(init.c_str()), 0);
  EXPECT_EQ(fs::last_write_time(root / "notes" / "mail8.ntf"), stamp);

  const ToolRun r = Nsfdump("--machine " + Quote(root.string()) + " --json mailr8.ntf", m.scratch());
  ASSERT_EQ(r.status, 0) << r.err;
  const json j = json::parse(r.out);
  EXPECT_NE(j["title"].get<std::string>().find("Mail (R"), std::string::npos);
  std::vector<std::string> folders;
  for (const json& f : j["folders"]) folders.push_back(f["name"]);
  for (const char* name : {"($Inbox)", "($Sent)", "($Drafts)", "($Trash)"})
    EXPECT_NE(std::find(folders.begin(), folders.end(), name), folders.end()) << name;
  EXPECT_FALSE(j["views"].empty());
  // Reading leaves nothing behind in the data folder.
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(root / "notes")) files.push_back(e.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"mail8.ntf", "mailr8.ntf"}));
}

TEST_F(NsfdumpTest, ReadsWhileAnotherProcessWrites) {
  ASSERT_EQ(db.CreateFolder("Inbox"), LNNOERROR);
  LNViewFolder inbox;
  ASSERT_EQ(db.GetViewFolder("Inbox", &inbox), LNNOERROR);
  ASSERT_EQ(inbox.Open(), LNNOERROR);
  // The writer goes on until the reader has read three times while it wrote.
  std::atomic<int> reads{0};
  std::atomic<bool> done{false};
  int written = 0;
  std::thread writer([&] {
    const std::string body(300, 'b');
    for (; reads < 3 && written < 5000; ++written) {
      LNDocument doc = NewDocument(("item " + std::to_string(written)).c_str());
      LNText text;
      text.Insert(0, body.c_str());
      EXPECT_EQ(doc.CreateItem("Body", text, 8, 0x10000), LNNOERROR);
      EXPECT_EQ(doc.Save(0), LNNOERROR);
      EXPECT_EQ(doc.CreateItem("Form", text, 8, 0x10000), LNNOERROR);
      EXPECT_EQ(doc.Save(0), LNNOERROR);
      EXPECT_EQ(inbox.FolderAddDocument(doc), LNNOERROR);
    }
    done = true;
  });
  std::size_t last = 0;
  while (!done) {
    const ToolRun r = Dump();
    ++reads;
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    const std::size_t count = j["documents"].size();
    EXPECT_GE(count, last);
    last = count;
    for (const json& d : j["documents"]) {
      const std::size_t items = d["items"].size();
      EXPECT_TRUE(items == 2 || items == 3) << items;  // each save is whole
    }
    EXPECT_LE(j["folders"].back()["documents"].size(), count);
  }
  writer.join();
  // The database is still open in this process; the reader sees every document.
  const json j = json::parse(Dump().out);
  EXPECT_EQ(j["documents"].size(), static_cast<std::size_t>(written));
  EXPECT_EQ(j["folders"].back()["documents"].size(), static_cast<std::size_t>(written));
}

}  // namespace
