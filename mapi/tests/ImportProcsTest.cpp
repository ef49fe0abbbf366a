// Run-time binding: which library serves which entry point, the installer
// lookup, and retries after a failed load. Each test runs in its own
// process, so the never-cleared slots start empty every time.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ImportProcsState.h"
#include "fake_mapi.h"
#include "mapisupport/ImportProcs.h"
#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace {

using Call3 = int (*)(void*, unsigned, void**);
using LogonFn = int (*)(ULONG_PTR, char*, char*, unsigned, void**);

int CallLogon() {
  void* session = nullptr;
  return MAPISlot<LogonFn>(pfnMAPILogonEx)(0, nullptr, nullptr, 0, &session);
}

class ImportProcsTest : public ::testing::Test {
 protected:
  testing_support::TempMachine machine;
};

TEST_F(ImportProcsTest, OnlySystemMapi32ServesEveryEntryPoint) {
  fake_mapi::InstallSystem("fake_mapi32");
  AutoLoadMAPI();
  EXPECT_EQ(import_procs_state::InstallerModule(), nullptr);
  ASSERT_NE(import_procs_state::SystemMapi32Module(), nullptr);
  EXPECT_EQ(CallLogon(), 0x201);
  // The decorated row comes first and wins over the plain name.
  EXPECT_EQ(reinterpret_cast<Call3>(pfnHrGetOneProp)(nullptr, 0, nullptr), 0x203);
  EXPECT_NE(pfnOpenStreamOnFileW, nullptr);
  EXPECT_NE(pfnOpenStreamOnFile, nullptr);
  // What the library does not export stays empty.
  EXPECT_EQ(pfnMAPIInitialize, nullptr);
  EXPECT_EQ(pfnLAUNCHWIZARD, nullptr);
}

TEST_F(ImportProcsTest, InstallerLibraryFirstThenMapi32FillsTheGaps) {
  const auto installed = fake_mapi::InstallAt("fake_msmapi", machine.scratch());
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  fake_mapi::SetComponentPath(system, "1033", installed);
  fake_mapi::SetMailClient("{COMPONENT}", "1033", "2057");

  AutoLoadMAPI();
  ASSERT_NE(import_procs_state::InstallerModule(), nullptr);
  EXPECT_NE(import_procs_state::InstallerModule(), import_procs_state::SystemMapi32Module());
  EXPECT_EQ(CallLogon(), 0x101);
  // The installer's plain name fills the slot before mapi32's decorated one is tried.
  EXPECT_EQ(reinterpret_cast<Call3>(pfnHrGetOneProp)(nullptr, 0, nullptr), 0x102);
  // Only mapi32 has the UTF-16 stream export.
  using StreamW = int (*)(void*, void*, unsigned, const char16_t*, const char16_t*, void**);
  void* stream = nullptr;
  EXPECT_EQ(reinterpret_cast<StreamW>(pfnOpenStreamOnFileW)(nullptr, nullptr, 0, u"x", nullptr, &stream), 0x205);
  // A lookup that succeeds with the application LCID is not asked again.
  EXPECT_EQ(fake_mapi::ComponentCalls(system), "1033");
}

struct QualifierCase {
  const char* app;  // "" leaves the value out
  const char* office;
  const char* answered;  // qualifier that has a path; "(null)" for none
  const char* calls;     // qualifiers asked, in order
};

void PrintTo(const QualifierCase& c, std::ostream* os) { *os << "path for " << c.answered << ", asked " << c.calls; }

// One process per case: FGetComponentPath is bound once per process.
class InstallerLookupTest : public ImportProcsTest, public ::testing::WithParamInterface<QualifierCase> {};

TEST_P(InstallerLookupTest, AsksQualifiersInOrderUntilAPathComes) {
  const QualifierCase& c = GetParam();
  const auto installed = fake_mapi::InstallAt("fake_msmapi", machine.scratch());
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  fake_mapi::SetComponentPath(system, c.answered, installed);
  fake_mapi::SetMailClient("{COMPONENT}", c.app, c.office);

  WCHAR path[MAX_PATH];
  FindMAPIPath(path);
  EXPECT_EQ(fake_mapi::ComponentCalls(system), c.calls);
  const bool found = std::string(c.answered) != "none";
  EXPECT_EQ(win32::Utf16ToUtf8(path), found ? installed.string() : "");
}

INSTANTIATE_TEST_SUITE_P(Qualifiers, InstallerLookupTest,
                         ::testing::Values(QualifierCase{"1033", "2057", "1033", "1033"},
                                           QualifierCase{"1033", "2057", "2057", "1033|2057"},
                                           QualifierCase{"1033", "2057", "(null)", "1033|2057|(null)"},
                                           QualifierCase{"", "2057", "(null)", "2057|(null)"},
                                           QualifierCase{"1033", "", "(null)", "1033|(null)"},
                                           QualifierCase{"", "", "(null)", "(null)"},
                                           QualifierCase{"1033", "2057", "none", "1033|2057|(null)"}));

TEST_F(ImportProcsTest, NoComponentIdMeansNoLookup) {
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  win32::RegSetString(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail", u"", u"Test Mail");
  win32::RegSetString(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail\\Test Mail", u"MSIApplicationLCID", u"1033");
  WCHAR path[MAX_PATH] = u"x";
  FindMAPIPath(path);
  EXPECT_EQ(path[0], 0);
  EXPECT_EQ(fake_mapi::ComponentCalls(system), "");
}

TEST_F(ImportProcsTest, DwordLcidBecomesItsDecimalText) {
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  fake_mapi::SetMailClient("{COMPONENT}");
  win32::RegSetDword(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail\\Test Mail", u"MSIApplicationLCID", 1033);
  WCHAR path[MAX_PATH];
  FindMAPIPath(path);
  EXPECT_EQ(fake_mapi::ComponentCalls(system), "1033|(null)");
}

TEST_F(ImportProcsTest, MapistubServesFGetComponentPathWhenMapi32LacksIt) {
  const auto installed = fake_mapi::InstallAt("fake_msmapi", machine.scratch());
  fake_mapi::InstallSystem("fake_mapi32_bare");
  HMODULE stub = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapistub", "mapistub.dll"));
  fake_mapi::SetComponentPath(stub, "(null)", installed);
  fake_mapi::SetMailClient("{COMPONENT}");

  EXPECT_EQ(CallLogon(), 0x101);
  EXPECT_EQ(import_procs_state::SystemMapiStubModule(), stub);
}

TEST_F(ImportProcsTest, EveryUseRetriesUntilALibraryAppears) {
  EXPECT_EQ(MAPISlot<LogonFn>(pfnMAPILogonEx), nullptr);
  EXPECT_EQ(MAPISlot<LogonFn>(pfnMAPILogonEx), nullptr);
  EXPECT_EQ(import_procs_state::SystemMapi32Module(), nullptr);

  // The installer lookup is repeated too, as long as no library came of it.
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  fake_mapi::SetMailClient("{COMPONENT}");
  EXPECT_EQ(CallLogon(), 0x201);
  EXPECT_EQ(fake_mapi::ComponentCalls(system), "(null)");
  // A filled slot needs no further load; an empty one loads again.
  EXPECT_EQ(CallLogon(), 0x201);
  EXPECT_EQ(MAPISlot<LogonFn>(pfnMAPIInitialize), nullptr);
  EXPECT_EQ(fake_mapi::ComponentCalls(system), "(null)|(null)");
}

TEST_F(ImportProcsTest, SystemDirectoryTooLongForItsBufferIsNotRead) {
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  const auto longRoot = machine.scratch() / std::string(120, 'a') / std::string(120, 'b') / std::string(40, 'c');
  win32::InitMachineRoot(longRoot);
  win32::SetMachineRoot(longRoot);
  fake_mapi::InstallSystem("fake_mapi32");
  EXPECT_EQ(LoadFromSystemDir(u"mapi32.dll"), nullptr);

  // Read later, once it fits.
  win32::SetMachineRoot(machine.root());
  EXPECT_EQ(LoadFromSystemDir(u"mapi32.dll"), system);
}

TEST(ImportProcsTable, RowsAndSlots) {
  EXPECT_STREQ(g_MAPIFuncs[0].szName, "LAUNCHWIZARD");
  EXPECT_STREQ(g_MAPIFuncs[4].szName, "HrGetOneProp@12");
  EXPECT_STREQ(g_MAPIFuncs[5].szName, "HrGetOneProp");
  EXPECT_EQ(g_MAPIFuncs[4].lpSlot, g_MAPIFuncs[5].lpSlot);
  EXPECT_STREQ(g_MAPIFuncs[58].szName, "HrDispatchNotifications");
  std::set<FARPROC*> slots;
  for (const auto& row : g_MAPIFuncs) slots.insert(row.lpSlot);
  EXPECT_EQ(slots.size(), 38u);
}

}  // namespace
