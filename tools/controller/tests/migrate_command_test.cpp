// brackenford migrate, run as a user runs it, over PST files made by pstgen,
// over a simulated Exchange mailbox and over the bundled sample: every folder
// and item arrives in the database, the filters hold, bad arguments and bad
// files stop it with status 2, and a run leaves no files or profiles behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "migrate_support.h"
#include "testing/shared_fixtures.h"

namespace migrate_test {
namespace {

// An office mailbox: mail in nested folders (one undated, one with an
// attachment, non-ASCII subjects), one item of every other kind, and a
// folder without a class that only holds a sub-folder.
constexpr char kOffice[] = R"json({ "store": { "display_name": "Office" }, "folders": [
  { "name": "Inbox", "class": "IPF.Note", "messages": [
    { "props": { "PR_SUBJECT_W": "Quarterly figures", "PR_BODY_W": "Attached.",
                 "PR_CLIENT_SUBMIT_TIME": "2024-03-04T09:00:00Z" },
      "recipients": [ { "name": "Sam", "email": "sam@example.com" } ],
      "attachments": [ { "long_filename": "q1.csv", "data": "base64:bW9udGgsdmlzaXRvcnMKTWFyY2gsMTYxMAo=" } ] },
    { "props": { "PR_SUBJECT_W": "Grüße aus Köln", "PR_BODY_W": "Schöne Grüße!",
                 "PR_CLIENT_SUBMIT_TIME": "2023-06-01T09:00:00Z" } },
    { "props": { "PR_SUBJECT_W": "Undated note", "PR_BODY_W": "No date at all." } } ],
    "folders": [ { "name": "Projects", "messages": [
      { "props": { "PR_SUBJECT_W": "Stall plan", "PR_CLIENT_SUBMIT_TIME": "2024-02-15T10:00:00Z" } } ] } ] },
  { "name": "Calendar", "class": "IPF.Appointment", "messages": [
    { "class": "IPM.Appointment",
      "props": { "PR_SUBJECT_W": "Committee", "PR_MESSAGE_DELIVERY_TIME": "2024-03-05T17:00:00Z" },
      "named": [ { "set": "PSETID_Appointment", "lid": 33293, "type": "PT_SYSTIME", "value": "2024-03-05T17:00:00Z" },
                 { "set": "PSETID_Appointment", "lid": 33294, "type": "PT_SYSTIME", "value": "2024-03-05T18:00:00Z" } ] } ] },
  { "name": "Contacts", "class": "IPF.Contact", "messages": [
    { "id": "ann", "class": "IPM.Contact",
      "props": { "PR_SUBJECT_W": "Ann Archer", "PR_DISPLAY_NAME_W": "Ann Archer", "PR_GIVEN_NAME_W": "Ann",
                 "PR_SURNAME_W": "Archer" } },
    { "class": "IPM.DistList", "props": { "PR_SUBJECT_W": "Fair committee", "PR_DISPLAY_NAME_W": "Fair committee" },
      "named": [ { "set": "PSETID_Address", "lid": 32852, "type": "PT_MV_BINARY",
                   "value": ["contact:ann", "oneoff:Bo|SMTP|bo@example.com"] } ] } ] },
  { "name": "Tasks", "class": "IPF.Task", "messages": [
    { "class": "IPM.Task", "props": { "PR_SUBJECT_W": "Order the marquee" } } ] },
  { "name": "Notes", "class": "IPF.StickyNote", "messages": [
    { "class": "IPM.StickyNote", "props": { "PR_SUBJECT_W": "Gate code", "PR_BODY_W": "Gate code" } } ] },
  { "name": "Journal", "class": "IPF.Journal", "messages": [
    { "class": "IPM.Activity", "props": { "PR_SUBJECT_W": "Call with the band",
                                          "PR_CREATION_TIME": "2024-04-03T10:00:00Z" } } ] },
  { "name": "Archive", "class": null, "folders": [ { "name": "2023", "messages": [
    { "props": { "PR_SUBJECT_W": "Old news", "PR_CLIENT_SUBMIT_TIME": "2023-01-10T09:00:00Z" } } ] } ] } ] })json";

// What names an item in its document (a person's builder may keep only the
// surname), and the form its builder gives; a memo until then.
std::string Key(const Json& message) {
  const Json& props = message.value("props", Json::object());
  if (message.value("class", "") == "IPM.Contact") return props.value("PR_SURNAME_W", "");
  return props.value("PR_SUBJECT_W", props.value("PR_DISPLAY_NAME_W", ""));
}
std::string FormOf(const Json& message) {
  static const std::map<std::string, std::string> kForms = {{"IPM.Appointment", "Appointment"},
                                                            {"IPM.Task", "Task"},
                                                            {"IPM.Contact", "Person"},
                                                            {"IPM.DistList", "Group"},
                                                            {"IPM.Activity", "JournalEntry"}};
  const auto found = kForms.find(message.value("class", "IPM.Note"));
  return found == kForms.end() ? "Memo" : found->second;
}

class MigrateCommand : public MigrateTest {
 protected:
  // Every folder of the description is a Notes folder under `top`, holding
  // one document per message, each naming its item and of its form.
  void ExpectArrived(const Json& folders, const Json& dump, const std::string& top) {
    for (const Json& folder : folders) {
      const std::string path = top + "\\" + folder["name"].get<std::string>();
      const std::vector<Json> documents = Documents(dump, path);
      const std::vector<std::string> names = FolderNames(dump);
      EXPECT_NE(std::find(names.begin(), names.end(), path), names.end()) << path;
      const Json messages = folder.value("messages", Json::array());
      EXPECT_EQ(documents.size(), messages.size()) << path;
      for (const Json& message : messages) {
        const auto found =
            std::find_if(documents.begin(), documents.end(), [&](const Json& d) { return Mentions(d, Key(message)); });
        ASSERT_NE(found, documents.end()) << path << ": no document names " << Key(message);
        const std::string form = Item(*found, "Form");
        EXPECT_TRUE(form == "Memo" || form == FormOf(message)) << Key(message) << ": " << form;
      }
      ExpectArrived(folder.value("folders", Json::array()), dump, path);
    }
  }
  // A run leaves nothing in the temporary folder and no profile.
  void ExpectNothingLeft() {
    EXPECT_EQ(LeftInTemp(), std::vector<std::string>{});
    EXPECT_EQ(Profiles(), std::vector<std::string>{});
  }
};

TEST_F(MigrateCommand, EveryFolderAndItemOfAPstFileArrives) {
  const fs::path pst = Pst("office", kOffice);
  const fs::path report = machine_.scratch() / "report.json";
  const cli_test::Run run =
      Run("migrate --pst " + pst.string() + " --out " + out_.string() + " --report " + report.string());
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path database = out_ / "office.nsf";
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), database.string()) << "the database's path comes first";
  EXPECT_NE(run.out.find("office\\Inbox\\Projects"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Total"), std::string::npos) << run.out;

  const Json dump = Dump(database);
  ExpectArrived(Json::parse(kOffice)["folders"], dump, "office");
  EXPECT_EQ(dump["documents"].size(), 11u);

  const Json r = ReadJson(report);
  EXPECT_EQ(r["exit_status"], 0);
  EXPECT_EQ(r["database"], database.string());
  EXPECT_EQ(r["totals"]["announced"], 11);
  EXPECT_EQ(r["totals"]["inserted"], 11);
  EXPECT_EQ(r["totals"]["failed"], 0);
  EXPECT_EQ(r["totals"]["skipped"], 0);
  for (const Json& folder : r["folders"]) {
    EXPECT_TRUE(folder["complete"].get<bool>()) << folder;
    EXPECT_EQ(folder["inserted"], Documents(dump, folder["notes_folder"]).size()) << folder;
  }
  EXPECT_TRUE(r["failures"].empty() && r["messages"].empty() && r["problems"].empty()) << r.dump(2);
  ExpectNothingLeft();
}

TEST_F(MigrateCommand, FiltersChooseTheItems) {
  const fs::path pst = Pst("office", kOffice);
  const std::vector<std::string> undated = {"Undated note", "Archer", "Fair committee", "Order the marquee",
                                            "Gate code"};
  auto with = [&](std::vector<std::string> keys) {
    keys.insert(keys.end(), undated.begin(), undated.end());
    return keys;
  };
  struct Case {
    std::string options;
    std::vector<std::string> keys;  // the items that arrive
  };
  const Case cases[] = {
      {"--types calendar,tasks", {"Committee", "Order the marquee"}},
      {"--types contacts", {"Archer", "Fair committee"}},
      {"--types mail,notes,journal",
       {"Quarterly figures", "Grüße aus Köln", "Undated note", "Stall plan", "Gate code", "Call with the band",
        "Old news"}},
      {"--range 01/01/2024-12/31/2024", with({"Quarterly figures", "Stall plan", "Committee", "Call with the band"})},
      {"--range 01/01/2023-01/31/2023 --range 05/15/2023-06/30/2023", with({"Old news", "Grüße aus Köln"})},
      {"--days 30", with({})},  // every dated item is older
      {"--types mail --days 7", {"Undated note"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "run" + std::to_string(++n);
    const fs::path report = machine_.scratch() / (name + ".json");
    const cli_test::Run run = Run("migrate --quiet --pst " + pst.string() + " --out " + out_.string() + " --name " +
                                  name + " --report " + report.string() + " " + c.options);
    ASSERT_EQ(run.status, 0) << c.options << "\n" << run.err;
    const Json dump = Dump(out_ / (name + ".nsf"));
    EXPECT_EQ(dump["documents"].size(), c.keys.size()) << c.options;
    for (const std::string& key : c.keys) {
      const auto& docs = dump["documents"];
      EXPECT_TRUE(std::any_of(docs.begin(), docs.end(), [&](const Json& d) { return Mentions(d, key); }))
          << c.options << ": " << key << " did not arrive";
    }
    const Json r = ReadJson(report);
    EXPECT_EQ(r["totals"]["inserted"], c.keys.size()) << c.options;
    EXPECT_EQ(r["totals"]["skipped"], 11 - c.keys.size()) << c.options;
    EXPECT_EQ(run.out, (out_ / (name + ".nsf")).string() + "\n") << "--quiet prints only the database";
  }
  ExpectNothingLeft();
}

TEST_F(MigrateCommand, SeveralPstFilesGoUnderTheirOwnNames) {
  const fs::path a = Pst("alpha", R"({"folders": [{"name": "Inbox", "messages": [
      {"props": {"PR_SUBJECT_W": "From alpha"}}]}]})");
  const fs::path b = Pst("beta", R"({"folders": [{"name": "Inbox", "messages": [
      {"props": {"PR_SUBJECT_W": "From beta"}}, {"props": {"PR_SUBJECT_W": "Also beta"}}]}]})");
  const cli_test::Run run =
      Run("migrate --pst " + a.string() + " --pst " + b.string() + " --out " + out_.string() + " --name both");
  ASSERT_EQ(run.status, 0) << run.err;
  const Json dump = Dump(out_ / "both.nsf");
  ASSERT_EQ(Documents(dump, "alpha\\Inbox").size(), 1u);
  EXPECT_EQ(Item(Documents(dump, "alpha\\Inbox")[0], "Subject"), "From alpha");
  EXPECT_EQ(Documents(dump, "beta\\Inbox").size(), 2u);
  ExpectNothingLeft();
}

TEST_F(MigrateCommand, AnExchangeMailboxArrivesUnderItsName) {
  const fs::path pst = Pst("office", kOffice);
  ASSERT_EQ(
      Run("machine add-mailbox --server EXSRV --alias ann --display-name 'Ann Archer' --pst " + pst.string()).status,
      0);
  ASSERT_EQ(
      Run("machine add-mailbox --server EXSRV --alias bob --display-name 'Bob Brown' --pst " + pst.string()).status, 0);
  cli_test::Run run = Run("migrate --exchange EXSRV --mailbox 'Ann Archer' --out " + out_.string());
  ASSERT_EQ(run.status, 0) << run.err;
  ExpectArrived(Json::parse(kOffice)["folders"], Dump(out_ / "Ann Archer.nsf"), "Ann Archer");

  // Her own mailbox by its alias; then she opens Bob's, which the server
  // lists by its display name.
  run = Run("migrate --exchange EXSRV --mailbox ann --out " + out_.string());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Documents(Dump(out_ / "ann.nsf"), "Ann Archer\\Inbox").size(), 3u);
  run = Run("migrate --exchange EXSRV --mailbox 'Bob Brown' --user ann --out " + out_.string() + " --name bob");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Documents(Dump(out_ / "bob.nsf"), "Bob Brown\\Inbox").size(), 3u);

  run = Run("migrate --exchange EXSRV --mailbox Zed --user ann --out " + out_.string());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("EXSRV has no mailbox Zed"), std::string::npos) << run.err;
  run = Run("migrate --exchange EXSRV --mailbox Zed --out " + out_.string());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("Cressing could not log on: "), std::string::npos) << run.err;
  ExpectNothingLeft();
}

TEST_F(MigrateCommand, TheBundledSampleArrivesWhole) {
  std::ifstream in(SAMPLE_MAILBOX);
  const Json description = Json::parse(in);
  const fs::path pst = Pst("sample", description.dump());
  const cli_test::Run run = Run("migrate --pst " + pst.string() + " --out " + out_.string());
  ASSERT_EQ(run.status, 0) << run.err;
  ExpectArrived(description["folders"], Dump(out_ / "sample.nsf"), "sample");
  ExpectNothingLeft();
}

TEST_F(MigrateCommand, AnOutlookFileArrivesWhole) {
  SKIP_WITHOUT_SHARED_FIXTURE(pst, "outlook-sample.pst");
  const fs::path report = machine_.scratch() / "report.json";
  const cli_test::Run run =
      Run("migrate --pst " + pst.string() + " --out " + out_.string() + " --report " + report.string());
  ASSERT_EQ(run.status, 0) << run.err;
  const Json dump = Dump(out_ / "outlook-sample.nsf");
  const Json r = ReadJson(report);
  EXPECT_GT(r["totals"]["inserted"].get<int>(), 0);
  EXPECT_EQ(r["totals"]["inserted"], dump["documents"].size());
  std::set<std::string> sources;
  for (const Json& folder : r["folders"]) {
    sources.insert(folder["source"].get<std::string>());
    EXPECT_EQ(folder["inserted"], folder["listed"]) << folder;
    EXPECT_EQ(Documents(dump, folder["notes_folder"]).size(), folder["inserted"]) << folder;
  }
  for (const char* folder : {"Inbox", "Calendar", "Contacts", "Tasks", "Sent Items"})
    EXPECT_TRUE(sources.count(std::string("outlook-sample\\") + folder)) << folder;
  ExpectNothingLeft();
}

// The Japanese ANSI file: its contact declares its locale and arrives in
// Japanese on a Western machine; its folders declare nothing and arrive in
// Japanese when the run names the code page.
TEST_F(MigrateCommand, AnAnsiFileArrivesInItsCodePages) {
  SKIP_WITHOUT_SHARED_FIXTURE(pst, "outlook-ansi-japanese.pst");
  const std::string kContacts = "outlook-ansi-japanese\\\u9023\u7d61\u5148 (Contact dedicated)";
  for (const char* codePage : {"", " --codepage 932"}) {
    SCOPED_TRACE(codePage);
    const std::string name = *codePage ? "japanese" : "western";
    const cli_test::Run run =
        Run("migrate --quiet --pst " + pst.string() + " --out " + out_.string() + " --name " + name + codePage);
    ASSERT_EQ(run.status, 0) << run.err;
    const Json dump = Dump(out_ / (name + ".nsf"));
    ASSERT_EQ(dump["documents"].size(), 1u);
    EXPECT_EQ(Item(dump["documents"][0], "LastName"), "\u30a4\u30b0\u30b6\u30f3\u30d7\u30eb");
    EXPECT_EQ(Item(dump["documents"][0], "FirstName"), "\u30b3\u30e0");
    const std::vector<std::string> folders = FolderNames(dump);
    EXPECT_EQ(std::count(folders.begin(), folders.end(), kContacts), *codePage ? 1 : 0);
    if (*codePage) {
      EXPECT_EQ(Documents(dump, kContacts).size(), 1u);
    }
  }
  ExpectNothingLeft();
}

TEST_F(MigrateCommand, BadArgumentsAndFilesStopItWithStatusTwo) {
  const fs::path pst = Pst("office", kOffice);
  const fs::path damaged = machine_.scratch() / "damaged.pst";
  std::ofstream(damaged) << std::string(4096, 'x');
  const std::string p = "--pst " + pst.string(), o = " --out " + out_.string();
  struct Case {
    std::string args;
    std::string error;
  };
  const Case cases[] = {
      {"", "give --pst FILE, or --exchange SERVER with --mailbox NAME"},
      {p, "give --out DIR"},
      {p + o + " --types mail,letters", "--types: unknown kind 'letters'"},
      {p + o + " --days 10", "--days takes 7, 14, 21"},
      {p + o + " --range 02/30/2024-03/01/2024", "--range takes MM/DD/YYYY-MM/DD/YYYY"},
      {p + o + " --range 03/01/2024-02/01/2024", "ends before it begins"},
      {p + o + " --days 7 --range 03/01/2024-03/02/2024", "either --days or --range"},
      {p + o + " --exchange EXSRV --mailbox ann", "either --pst or --exchange"},
      {"--exchange EXSRV" + o, "--exchange and --mailbox go together"},
      {p + o + " --user ann", "--user goes with --exchange"},
      {p + o + " --name a/b", "--name is a file name"},
      {p + o + " --report /no/such/folder/r.json", "--report: no folder /no/such/folder"},
      {p + o + " --frobnicate", "unknown option '--frobnicate'"},
      {p + o + " --name", "--name needs a value"},
      {p + o + " --codepage 1234", "--codepage 1234: not a code page this machine converts (874, 932, "},
      {p + o + " --codepage ACP", "--codepage ACP: not a code page"},
      {"--pst " + (machine_.scratch() / "missing.pst").string() + o, "missing.pst: no such file"},
      {"--pst " + damaged.string() + o,
       "Tallowby could not make the profile: The file \"damaged.pst\" is not a personal folders file."},
  };
  for (const Case& c : cases) {
    const cli_test::Run run = Run("migrate " + c.args);
    EXPECT_EQ(run.status, 2) << c.args << "\n" << run.err;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << c.args << "\n" << run.err;
    EXPECT_FALSE(fs::exists(out_ / "office.nsf")) << c.args;
  }
  EXPECT_EQ(Run("migrate " + p + o + " --report").status, 2);
  // The report of a run that could not start holds the engine's message box.
  const fs::path report = machine_.scratch() / "damaged.json";
  ASSERT_EQ(Run("migrate --pst " + damaged.string() + o + " --report " + report.string()).status, 2);
  const Json r = ReadJson(report);
  EXPECT_EQ(r["exit_status"], 2);
  EXPECT_FALSE(r["started"].get<bool>());
  ASSERT_EQ(r["messages"].size(), 1u) << r.dump(2);
  EXPECT_EQ(r["messages"][0]["engine"], "tallowby");
  EXPECT_EQ(r["messages"][0]["kind"], "message box");
  EXPECT_NE(r["messages"][0]["text"].get<std::string>().find("damaged.pst"), std::string::npos);
  const cli_test::Run help = Run("migrate --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: brackenford migrate", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("--codepage N"), std::string::npos) << help.out;
  ExpectNothingLeft();
}

}  // namespace
}  // namespace migrate_test
