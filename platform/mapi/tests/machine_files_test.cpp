// Damaged profile and mailbox-list files, names that would leave the
// machine root, and files that are no PST: each is refused with a reason,
// never read as something else or thrown out of a logon.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "mapi/exchange.h"
#include "mapi/mapicode.h"
#include "mapi/provider.h"
#include "pst_test_support.h"
#include "session_fixture.h"
#include "win32/machine.h"

namespace {

namespace fs = std::filesystem;
namespace exchange = mapi::exchange;
namespace profiles = mapi::profiles;

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Profile files as a hand edit or a broken disk may leave them, and the
// place each error names.
struct Damage {
  const char* text;
  const char* place;
};
const Damage kDamagedProfiles[] = {
    {R"({"name": "Broken", "services": [{"kind": 3, "path": "/a.pst"}]})", "services[0].kind: expected a string"},
    {R"({"name": "Broken", "services": [{"kind": "fax"}]})", "services[0].kind:"},
    {R"({"name": "Broken", "services": [{"kind": "pst", "path": ["/a.pst"]}]})", "services[0].path: expected a string"},
    {R"({"name": "Broken", "services": [{"kind": "exchange", "server": "EXSRV", "configFlags": "x"}]})",
     "services[0].configFlags: expected an integer"},
    {R"({"name": "Broken", "services": [{"kind": "exchange", "server": "../../elsewhere", "mailbox": "ann"}]})",
     "services[0].server: not a plain name"},
    {R"({"name": "Broken", "services": {"kind": "pst"}})", "services: expected an array"},
    {R"({"name": "Broken", "services": ["pst"]})", "services[0]: expected an object"},
    {R"({"name": 7})", "name: expected a string"},
    {R"(["Broken"])", "expected a JSON object"},
    {R"({"name": "Broken", )", "not JSON"},
};

TEST(DamagedProfile, IsNamedWithWhatIsWrongAndFailsTheLogonWithAStatus) {
  for (const Damage& d : kDamagedProfiles) {
    SCOPED_TRACE(d.text);
    mapi_test::SessionFixture f;
    f.AddPst(u"/pst/good.pst");
    profiles::Profile good;
    good.name = u"Good";
    good.services.push_back(profiles::PstService(u"/pst/good.pst"));
    ASSERT_EQ(profiles::Create(good), S_OK);
    const fs::path file = win32::ProfilesFolder() / "broken.json";
    std::ofstream(file) << d.text;

    profiles::Profile read;
    std::string error;
    EXPECT_EQ(profiles::Read(u"Broken", &read, &error), MAPI_E_CORRUPT_DATA);
    EXPECT_EQ(error.rfind(file.string() + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(d.place), std::string::npos) << error;
    EXPECT_FALSE(profiles::Find(u"Broken"));

    std::vector<std::string> damaged;
    const auto listed = profiles::List(&damaged);
    ASSERT_EQ(listed.size(), 1u) << "the sound profile is still listed";
    EXPECT_EQ(listed[0].name, u"Good");
    EXPECT_EQ(damaged, std::vector<std::string>{error});

    HRESULT status = S_OK;
    EXPECT_FALSE(f.Logon("Broken", &status));
    EXPECT_EQ(status, MAPI_E_CORRUPT_DATA);
    EXPECT_TRUE(f.Logon("Good")) << "the next logon is served";
  }
}

TEST(Profiles, ExchangeServersMustBePlainNames) {
  testing_support::TempMachine machine;
  // An empty server is an Exchange service not configured yet.
  for (const char16_t* server : {u"../x", u"a/b", u"a\\b", u"..", u"."}) {
    profiles::Profile p;
    p.name = u"Ex";
    p.services.push_back(profiles::ExchangeService(server, u"ann"));
    EXPECT_EQ(profiles::Create(p), MAPI_E_INVALID_PARAMETER) << win32::Utf16ToUtf8(server);
  }
  EXPECT_TRUE(profiles::List().empty());
}

TEST(ExchangeNames, OnlyPlainNamesMakeFoldersAndFiles) {
  testing_support::TempMachine machine;
  const fs::path pst = machine.scratch() / "a.pst";
  std::ofstream(pst) << "stands for a PST";
  struct Case {
    const char16_t* server;
    const char16_t* alias;
  } cases[] = {{u"../../x", u"ann"}, {u"a/b", u"ann"}, {u"..", u"ann"},     {u"EXSRV", u"../../x"},
               {u"EXSRV", u"a\\b"},  {u"EXSRV", u"."}, {u"EXSRV\n", u"ann"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(win32::Utf16ToUtf8(c.server) + " " + win32::Utf16ToUtf8(c.alias));
    EXPECT_EQ(exchange::AddMailbox(c.server, c.alias, u"", pst.u16string(), {}), MAPI_E_INVALID_PARAMETER);
    std::vector<exchange::Mailbox> boxes;
    EXPECT_EQ(exchange::ReadMailboxes(c.server, &boxes),
              exchange::IsPlainName(c.server) ? S_OK : MAPI_E_INVALID_PARAMETER);
    EXPECT_FALSE(exchange::ServerExists(c.server));
  }
  // Nothing was made beside or above the servers' folder.
  EXPECT_TRUE(fs::is_empty(win32::ExchangeFolder()));
  EXPECT_EQ(std::distance(fs::directory_iterator(machine.root().parent_path()), {}), 2) << "machine and scratch";
  EXPECT_EQ(exchange::AddMailbox(u"EXSRV", u"ann", u"", pst.u16string(), {}), S_OK);
}

TEST(DamagedMailboxList, IsReportedAndKeptAsItIs) {
  const struct {
    const char* text;
    const char* place;
  } cases[] = {
      {R"([{"alias": "ann", "dn": 5, "pst": "ann.pst"}])", "[0].dn: expected a string"},
      {R"([{"alias": "ann", "pst": "../../../elsewhere.pst"}])", "[0].pst: not a plain file name"},
      {R"([{"alias": "ann", "pst": "ann.pst", "denied": ["bob", 2]}])", "[0].denied[1]: expected a string"},
      {R"({"alias": "ann"})", "expected a JSON array of mailboxes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    mapi_test::SessionFixture f;
    const std::u16string pst = f.Scratch("ann.pst");
    std::ofstream(win32::Utf16ToUtf8(pst)) << "stands for a PST";
    ASSERT_EQ(exchange::AddMailbox(u"EXSRV", u"ann", u"Ann", pst, {}), S_OK);
    f.AddPst(exchange::FindMailbox(u"EXSRV", u"ann")->pstPath);
    profiles::Profile p;
    p.name = u"Exchange";
    p.services.push_back(profiles::ExchangeService(u"EXSRV", u"ann"));
    ASSERT_EQ(profiles::Create(p), S_OK);
    ASSERT_TRUE(f.Logon("Exchange"));

    const fs::path list = win32::ExchangeFolder() / "exsrv" / "mailboxes.json";
    std::ofstream(list) << c.text;
    std::vector<exchange::Mailbox> boxes;
    std::string error;
    EXPECT_EQ(exchange::ReadMailboxes(u"EXSRV", &boxes, &error), MAPI_E_CORRUPT_DATA);
    EXPECT_EQ(error, list.string() + ": " + c.place);
    EXPECT_TRUE(exchange::Mailboxes(u"EXSRV").empty());
    EXPECT_FALSE(exchange::FindMailbox(u"EXSRV", u"ann"));

    error.clear();
    EXPECT_EQ(exchange::AddMailbox(u"EXSRV", u"bob", u"Bob", pst, {}, &error), MAPI_E_CORRUPT_DATA);
    EXPECT_NE(error.find(c.place), std::string::npos) << error;
    EXPECT_EQ(ReadText(list), c.text) << "a damaged list is not replaced";
    EXPECT_FALSE(fs::exists(list.parent_path() / "bob.pst"));

    HRESULT status = S_OK;
    EXPECT_FALSE(f.Logon("Exchange", &status));
    EXPECT_EQ(status, MAPI_E_CORRUPT_DATA);
  }
}

TEST(CheckPstFile, NamesWhyAFileIsNoPst) {
  testing_support::TempMachine machine;
  const fs::path text = machine.scratch() / "notes.txt";
  std::ofstream(text) << "Dear diary, this is no PST file, however long it may be.\n";
  const fs::path empty = machine.scratch() / "empty.pst";
  std::ofstream{empty};
  const struct {
    fs::path path;
    HRESULT status;
    const char* reason;
  } cases[] = {
      {machine.scratch() / "missing.pst", MAPI_E_NOT_FOUND, "no such file"},
      {machine.scratch(), MAPI_E_NOT_FOUND, "a folder, not a PST file"},
      // The reader's own reason follows, not an empty text.
      {text, MAPI_E_CORRUPT_STORE, "not a PST file (no PST file signature)"},
      {empty, MAPI_E_CORRUPT_STORE, "not a PST file (no PST file signature)"},
  };
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_EQ(mapi::CheckPstFile(c.path.u16string(), &reason), c.status) << c.path;
    EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << reason;
  }
  std::string reason;
  EXPECT_EQ(mapi::CheckPstFile(pst_test::MakePst(machine.scratch(), "{}").u16string(), &reason), S_OK) << reason;
}

}  // namespace
