// Named properties: their name texts, their value texts, and the members
// file that formatting a distribution list's member property writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CressingDlg.h"
#include "NamedProps.h"
#include "cressing_test_support.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "memory_profile.h"
#include "store_items.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;

class TestDlg : public CCressingDlg {};

// Runs the test in a folder of its own, as the engine runs in its working
// folder.
class CurrentDir {
 public:
  explicit CurrentDir(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
  ~CurrentDir() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

// A name buffer of exactly these UTF-16 units and a terminator, on the heap
// so that a read past it shows under the address sanitizer.
std::unique_ptr<WCHAR[]> Buffer(std::u16string_view units) {
  auto buffer = std::make_unique<WCHAR[]>(units.size() + 1);
  std::copy(units.begin(), units.end(), buffer.get());
  buffer[units.size()] = 0;
  return buffer;
}

MAPINAMEID NumericName(LONG lid) {
  MAPINAMEID name{};
  name.ulKind = MNID_ID;
  name.Kind.lID = lid;
  return name;
}
MAPINAMEID StringName(LPWSTR text) {
  MAPINAMEID name{};
  name.ulKind = MNID_STRING;
  name.Kind.lpwstrName = text;
  return name;
}

TEST(NamedProps, NameTexts) {
  const auto keywords = Buffer(u"Keywords");
  const auto accented = Buffer(u"Gr\u00FC\u00DFe");
  // "Keywords" as 8-bit bytes, the buffer ending in a zero unit.
  const auto eightBit = std::make_unique<WCHAR[]>(5);
  std::memcpy(eightBit.get(), "Keywords\0", 10);
  const struct {
    const char* what;
    MAPINAMEID name;
    std::u16string text;
  } cases[] = {
      {"numeric", NumericName(0x820D), u"id: 0x820D=33293"},
      {"four digits at least", NumericName(0x8), u"id: 0x0008=8"},
      {"more than four", NumericName(0x12345), u"id: 0x12345=74565"},
      {"unsigned", NumericName(-1), u"id: 0xFFFFFFFF=4294967295"},
      {"string", StringName(keywords.get()), u"sz: \"Keywords\""},
      {"string beyond ASCII", StringName(accented.get()), u"sz: \"Gr\u00FC\u00DFe\""},
      {"8-bit string", StringName(eightBit.get()), u"sz: \"Keywords\" IDS_NAMEWASANSI"},
      {"string without its text", StringName(nullptr), u""},
  };
  for (const auto& c : cases) EXPECT_EQ(NameIDToText(&c.name), c.text) << c.what;
  MAPINAMEID otherKind{};
  otherKind.ulKind = 7;
  EXPECT_EQ(NameIDToText(&otherKind), u"");
  EXPECT_EQ(NameIDToText(nullptr), u"") << "an id without a name";
}

TEST(NamedProps, ValueTextOfEachType) {
  const cressing_test::Zone zone("UTC");
  LPWSTR strings[] = {const_cast<LPWSTR>(u"x"), const_cast<LPWSTR>(u"y"), nullptr};
  LONG longs[] = {1, -1};
  BYTE bytes[] = {0x00, 0x1F, 0xAB};
  SBinary binaries[] = {{3, bytes}, {0, nullptr}};
  FILETIME times[] = {cressing_test::UtcTime(2024, 3, 15, 13, 5)};
  char ansi[] = "Caf\xE9";
  GUID guid{};
  auto value = [](ULONG type, auto set) {
    SPropValue v{};
    v.ulPropTag = PROP_TAG(type, 0x8001);
    set(v.Value);
    return v;
  };
  const struct {
    const char* what;
    SPropValue prop;
    std::u16string text;
  } cases[] = {
      {"I2", value(PT_I2, [](_PV& v) { v.i = -1; }), u"-1"},
      {"LONG", value(PT_LONG, [](_PV& v) { v.l = -1; }), u"4294967295"},
      {"R4", value(PT_R4, [](_PV& v) { v.flt = 1.5f; }), u"1.500000"},
      {"DOUBLE", value(PT_DOUBLE, [](_PV& v) { v.dbl = -2.25; }), u"-2.250000"},
      {"APPTIME", value(PT_APPTIME, [](_PV& v) { v.at = 45366.5; }), u"45366.500000"},
      {"ERROR", value(PT_ERROR, [](_PV& v) { v.err = MAPI_E_NOT_FOUND; }), u"Err:0x8004010F="},
      {"BOOLEAN true", value(PT_BOOLEAN, [](_PV& v) { v.b = 1; }), u"1"},
      {"BOOLEAN false", value(PT_BOOLEAN, [](_PV& v) { v.b = 0; }), u""},
      {"I8", value(PT_I8, [](_PV& v) { v.li.QuadPart = -5000000000LL; }), u"-5000000000"},
      {"STRING8", value(PT_STRING8, [&](_PV& v) { v.lpszA = ansi; }), u"Caf\u00E9"},
      {"STRING8 null", value(PT_STRING8, [](_PV& v) { v.lpszA = nullptr; }), u""},
      {"UNICODE", value(PT_UNICODE, [](_PV& v) { v.lpszW = const_cast<LPWSTR>(u"Room 4"); }), u"Room 4"},
      {"UNICODE null", value(PT_UNICODE, [](_PV& v) { v.lpszW = nullptr; }), u""},
      {"SYSTIME", value(PT_SYSTIME, [&](_PV& v) { v.ft = times[0]; }), u"13:05 PM 03/15/2024"},
      {"CLSID", value(PT_CLSID, [&](_PV& v) { v.lpguid = &guid; }), u""},
      {"BINARY", value(PT_BINARY, [&](_PV& v) { v.bin = binaries[0]; }), u""},
      {"CURRENCY", value(PT_CURRENCY, [](_PV& v) { v.cur.int64 = 10000; }), u""},
      {"MV_UNICODE", value(PT_MV_UNICODE, [&](_PV& v) { v.MVszW.cValues = 2, v.MVszW.lppszW = strings; }), u"2: x; y"},
      {"MV_UNICODE with a null value",
       value(PT_MV_UNICODE, [&](_PV& v) { v.MVszW.cValues = 3, v.MVszW.lppszW = strings; }), u"3: x; y; "},
      {"MV without values", value(PT_MV_UNICODE, [](_PV& v) { v.MVszW.cValues = 0, v.MVszW.lppszW = nullptr; }),
       u"0: "},
      {"MV_LONG", value(PT_MV_LONG, [&](_PV& v) { v.MVl.cValues = 2, v.MVl.lpl = longs; }), u"2: 1; 4294967295"},
      {"MV_BINARY", value(PT_MV_BINARY, [&](_PV& v) { v.MVbin.cValues = 2, v.MVbin.lpbin = binaries; }),
       u"2: cb: 3 lpb: 001FAB; cb: 0 lpb: NULL"},
      // Elements read as the support layer reads them: no time text there.
      {"MV_SYSTIME", value(PT_MV_SYSTIME, [&](_PV& v) { v.MVft.cValues = 1, v.MVft.lpft = times; }), u"1: "},
  };
  TestDlg dlg;
  for (const auto& c : cases) EXPECT_EQ(dlg.PropValueToText(c.prop), c.text) << c.what;
}

TEST(NamedProps, FormattingGivesBothTextsAndReadsTaskDatesAsLocal) {
  const cressing_test::Zone zone("America/New_York");
  SPropValue prop{};
  prop.ulPropTag = PROP_TAG(PT_SYSTIME, 0x8010);
  prop.Value.ft = cressing_test::UtcTime(2024, 3, 4, 0, 0);
  const struct {
    LONG lid;
    std::u16string name, value;
  } cases[] = {
      {0x8104, u"id: 0x8104=33028", u"00:00 AM 03/04/2024"},
      {0x8105, u"id: 0x8105=33029", u"00:00 AM 03/04/2024"},
      {0x820D, u"id: 0x820D=33293", u"19:00 PM 03/03/2024"},
  };
  TestDlg dlg;
  for (const auto& c : cases) {
    MAPINAMEID name = NumericName(c.lid);
    CString value, nameText;
    dlg.GetPropNameAndValue(prop, &name, value, nameText);
    EXPECT_EQ(nameText, c.name);
    EXPECT_EQ(value, c.value) << win32::Utf16ToUtf8(c.name);
  }
  CString value = u"old", nameText = u"old";
  dlg.GetPropNameAndValue(prop, nullptr, value, nameText);
  EXPECT_EQ(nameText, u"");
  EXPECT_EQ(value, u"19:00 PM 03/03/2024");
}

// Only a list of entry ids under the member name makes a members file;
// without a session the file is made and stays empty.
TEST(NamedProps, MemberNameOpensTheMembersFileOnlyForAListOfEntryIds) {
  testing_support::TempMachine machine;
  const CurrentDir cwd(machine.scratch());
  const fs::path file = machine.scratch() / "DistListInfo.txt";
  const std::u16string expectedPath = machine.scratch().u16string() + u"\\DistListInfo.txt";
  TestDlg dlg;
  MAPINAMEID name = NumericName(0x8054);
  CString value, nameText;

  SPropValue text{};
  text.ulPropTag = PROP_TAG(PT_UNICODE, 0x8003);
  text.Value.lpszW = const_cast<LPWSTR>(u"not a member list");
  dlg.FormatNamedProp(text, &name, value, nameText);
  EXPECT_EQ(nameText, u"id: 0x8054=32852");
  EXPECT_EQ(value, u"not a member list");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(dlg.m_memberFilePath.empty());

  BYTE id[] = {1, 2, 3};
  SBinary ids[] = {{3, id}};
  SPropValue list{};
  list.ulPropTag = PROP_TAG(PT_MV_BINARY, 0x8003);
  list.Value.MVbin = {1, ids};
  dlg.FormatNamedProp(list, &name, value, nameText);
  EXPECT_EQ(value, u"1: cb: 3 lpb: 010203");
  EXPECT_EQ(dlg.m_memberFilePath, expectedPath);
  EXPECT_EQ(dlg.m_memberFileOpen, 1);
  EXPECT_FALSE(dlg.m_memberFile.IsOpen());
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 0u);

  // A members file that cannot be made: the path is still kept.
  fs::remove(file);
  fs::create_directory(file);
  dlg.m_memberFilePath.clear();
  dlg.FormatNamedProp(list, &name, value, nameText);
  EXPECT_EQ(dlg.m_memberFileOpen, 0);
  EXPECT_EQ(dlg.m_memberFilePath, expectedPath);
}

class MemoryLists : public ::testing::Test {
 protected:
  MemoryLists() : cwd_(machine_.scratch()), profile_(machine_.scratch()) {
    profile_.AddDistributionLists();
    cressing_test::BindBuiltMapi();
    char name[] = "Memory";
    EXPECT_EQ(dlg_.m_pMapiObjects->Logon(nullptr, name), S_OK);
    items_ = cressing_test::FolderMessages(dlg_.m_pMapiObjects->GetSession(), u"Contacts");
  }
  std::vector<unsigned char> MembersFile() const {
    return cressing_test::ReadBytes(machine_.scratch() / "DistListInfo.txt");
  }
  bool HasMembersFile() const { return fs::exists(machine_.scratch() / "DistListInfo.txt"); }

  testing_support::TempMachine machine_;
  CurrentDir cwd_;
  cressing_test::MemoryProfile profile_;
  TestDlg dlg_;
  std::vector<ComPtr<IMessage>> items_;
};

TEST_F(MemoryLists, MembersFileHasOneLineForEachMemberWithAnAddress) {
  ASSERT_EQ(items_.size(), 5u);
  ItemValues team;
  dlg_.ReadNamedValues(items_[0].Get(), team);
  // Al, Zoë (8-bit), Li (a character 8 bits cannot hold) and Bo; Nobody has
  // no address and the unknown entry id opens nothing.
  const std::string expected = "al@example.com\r\nzo\xEB@example.com\r\n?@example.com\r\nbo@example.com\r\n";
  EXPECT_EQ(MembersFile(), std::vector<unsigned char>(expected.begin(), expected.end()));
  EXPECT_EQ(dlg_.m_memberFilePath, machine_.scratch().u16string() + u"\\DistListInfo.txt");
  EXPECT_FALSE(dlg_.m_memberFile.IsOpen());
  EXPECT_EQ(dlg_.m_memberDumpActive, 0);
  // The property without a name takes its place in the names: the ones after
  // it are still read by their own names.
  EXPECT_EQ(team.categories, u"2: Red; Blue");
}

// The members file path travels with the list that wrote it, and with no
// other item.
TEST_F(MemoryLists, MembersFilePathBelongsToTheListThatWroteItOnly) {
  ASSERT_EQ(items_.size(), 5u);
  const struct {
    const char* what;
    bool hasPath;
    std::size_t fileSize;  // when written
  } cases[] = {
      {"Team", true, 4},
      {"Odd: another type under the member name", false, 0},
      {"Plain: no member property", false, 0},
      {"Nobody in it: a list without values", true, 0},
      {"After: a mail", false, 0},
  };
  for (std::size_t i = 0; i < items_.size(); ++i) {
    fs::remove(machine_.scratch() / "DistListInfo.txt");
    ItemValues values;
    dlg_.ReadNamedValues(items_[i].Get(), values);
    EXPECT_EQ(!dlg_.m_memberFilePath.empty(), cases[i].hasPath) << cases[i].what;
    EXPECT_EQ(HasMembersFile(), cases[i].hasPath) << cases[i].what;
    if (cases[i].hasPath) {
      const std::vector<unsigned char> bytes = MembersFile();
      EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), static_cast<long>(cases[i].fileSize)) << cases[i].what;
    }
  }
}

TEST_F(MemoryLists, PassStopsOnRequestAndGoesOnWithoutNames) {
  ASSERT_EQ(items_.size(), 5u);
  dlg_.m_stopRequested = 1;
  ItemValues stopped;
  dlg_.ReadNamedValues(items_[0].Get(), stopped);
  EXPECT_TRUE(stopped.categories.empty());
  EXPECT_FALSE(HasMembersFile());

  dlg_.m_stopRequested = 0;
  profile_.FailNames();
  ItemValues nameless;
  dlg_.ReadNamedValues(items_[0].Get(), nameless);
  EXPECT_TRUE(nameless.categories.empty());
  EXPECT_FALSE(HasMembersFile());
  EXPECT_TRUE(dlg_.m_memberFilePath.empty());
}

}  // namespace
