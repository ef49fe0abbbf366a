// The profile manager in process, over ProfMan and Redemption registered in
// a temporary machine: what the engine's replies cannot show.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CorvidOutlookProfileManager.h"
#include "InputFile.h"
#include "com/com.h"
#include "mapi/profiles.h"
#include "profman/profman.h"
#include "redemption/redemption.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;
namespace profiles = mapi::profiles;

constexpr char kStore[] = R"({"store": {"display_name": "Mail"}, "folders": []})";

class ProfileManager : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxOleInit();
    const fs::path lib = testing_support::BuildDir() / "lib";
    ASSERT_EQ(com::RegisterInprocServer(profman::CLSID_Profiles, profman::kProfilesProgId, lib / profman::kLibrary),
              S_OK);
    ASSERT_EQ(
        com::RegisterInprocServer(profman::CLSID_PropertyBag, profman::kPropertyBagProgId, lib / profman::kLibrary),
        S_OK);
    ASSERT_EQ(
        com::RegisterInprocServer(redemption::CLSID_RDOSession, redemption::kSessionProgId, lib / redemption::kLibrary),
        S_OK);
    pst_ = win32::Utf8ToUtf16(testing_support::MakePst(machine_.scratch(), "mail", kStore).string());
  }

  testing_support::TempMachine machine_;
  std::u16string pst_;
};

TEST_F(ProfileManager, AStoreAddedAfterAFailedOneKeepsTheCutMessage) {
  CCorvidOutlookProfileManager manager;
  CString name;
  const CString missing = win32::Utf8ToUtf16((machine_.scratch() / "missing.pst").string());
  ASSERT_TRUE(manager.CreatePstProfile({missing, pst_}, name, nullptr));
  EXPECT_EQ(manager.GetErrorText(), u"The personal folders file \"missing.pst\" could not be found.");
  const auto profile = profiles::Find(name);
  ASSERT_TRUE(profile);
  ASSERT_EQ(profile->services.size(), 1u);
  EXPECT_EQ(profile->services[0].path, pst_);

  // The next operation starts with no text.
  ASSERT_TRUE(manager.CreatePstProfile({pst_}, name, nullptr));
  EXPECT_EQ(manager.GetErrorText(), u"");
}

TEST_F(ProfileManager, LogonToAProfileThatIsNotThereFailsWithTheSessionsText) {
  CCorvidOutlookProfileManager manager;
  EXPECT_FALSE(manager.LogonAndAddPstStores(u"{no such profile}", {pst_}, nullptr, TRUE));
  EXPECT_EQ(manager.GetErrorText(),
            u"Could not open the stores.\r\nError: The session is not logged on.\r\nComponent: Redemption");
}

TEST_F(ProfileManager, DeleteWithoutANameDeletesTheProfileHeldAndAnUnknownNameNothing) {
  CCorvidOutlookProfileManager manager;
  CString first, second;
  ASSERT_TRUE(manager.CreatePstProfile({pst_}, first, nullptr));
  ASSERT_TRUE(manager.CreatePstProfile({pst_}, second, nullptr));
  EXPECT_TRUE(manager.DeleteProfile(u""));
  EXPECT_FALSE(profiles::Find(second)) << "the profile last added is held";
  EXPECT_TRUE(manager.DeleteProfile(u"{not a profile}"));
  EXPECT_TRUE(manager.DeleteProfile(u""));
  EXPECT_TRUE(profiles::Find(first)) << "the lookup held nothing";
  EXPECT_TRUE(manager.DeleteProfile(first));
  EXPECT_TRUE(profiles::List().empty());
}

TEST(ReadInputLines, ReadsRawUnitsAndNothingForAMissingFile) {
  testing_support::TempMachine machine;
  const fs::path file = machine.scratch() / "list.txt";
  // "a" LF "b", then an odd byte that makes no unit.
  std::ofstream(file, std::ios::binary) << std::string("a\0\n\0b\0x", 7);
  EXPECT_EQ(ReadInputLines(win32::Utf8ToUtf16(file.string())), (CStringArray{u"a", u"b"}));
  EXPECT_FALSE(ReadInputLines(win32::Utf8ToUtf16((machine.scratch() / "none.txt").string())));
}

}  // namespace
