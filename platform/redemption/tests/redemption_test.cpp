// Redemption registered in a temporary machine and called through the
// dispatch driver, as the profile engine calls it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "com/com.h"
#include "mapi/profiles.h"
#include "mfc/afxole.h"
#include "redemption/redemption.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;
namespace profiles = mapi::profiles;

const BYTE* Params(const char* types) { return reinterpret_cast<const BYTE*>(types); }
std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

class Redemption : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(com::RegisterInprocServer(redemption::CLSID_RDOSession, redemption::kSessionProgId,
                                        testing_support::BuildDir() / "lib" / redemption::kLibrary),
              S_OK);
    ASSERT_TRUE(AfxOleInit());
    ASSERT_TRUE(session_.CreateDispatch(redemption::kSessionProgId));
    pst_ = testing_support::MakePst(machine_.scratch(), "mail", R"({"store": {"display_name": "Mail"}})");
    profiles::Profile profile;
    profile.name = u"P";
    ASSERT_EQ(profiles::Create(profile), S_OK);
  }

  void Logon(const char16_t* name) {
    const COleVariant profile(name), zero(LONG{0}), one(LONG{1});
    session_.InvokeHelper(4, DISPATCH_METHOD, VT_EMPTY, nullptr,
                          Params(VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT), &profile,
                          &zero, &zero, &one, &zero, &zero);
  }
  BOOL LoggedOn() {
    BOOL on = FALSE;
    session_.GetProperty(2, VT_BOOL, &on);
    return on;
  }
  COleDispatchDriver Stores() {
    IDispatch* stores = nullptr;
    session_.GetProperty(6, VT_DISPATCH, &stores);
    return COleDispatchDriver(stores);
  }
  static COleDispatchDriver AddPst(COleDispatchDriver& stores, const std::u16string& path) {
    const COleVariant format(LONG{1}), displayName(std::u16string_view{path});
    IDispatch* store = nullptr;
    stores.InvokeHelper(5, DISPATCH_METHOD, VT_DISPATCH, &store, Params(VTS_BSTR VTS_VARIANT VTS_VARIANT),
                        path.c_str(), &format, &displayName);
    return COleDispatchDriver(store);
  }
  static std::u16string MessageOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const COleDispatchException& e) {
      return e.Message();
    }
    return u"(no exception)";
  }
  std::vector<profiles::Service> Services() { return profiles::Find(u"P")->services; }

  testing_support::TempMachine machine_;
  COleDispatchDriver session_;
  fs::path pst_;
};

TEST_F(Redemption, LogsOnToAProfileOfTheMachineOnceAndOff) {
  EXPECT_FALSE(LoggedOn());
  EXPECT_EQ(MessageOf([&] { Stores(); }),
            u"Could not open the stores.\r\nError: The session is not logged on.\r\nComponent: Redemption");
  EXPECT_EQ(MessageOf([&] { Logon(u"Nobody"); }),
            u"Could not log on.\r\nError: The profile \"Nobody\" was not found.\r\nComponent: MAPI");
  EXPECT_FALSE(LoggedOn());
  Logon(u"p");
  EXPECT_TRUE(LoggedOn());
  EXPECT_EQ(MessageOf([&] { Logon(u"P"); }),
            u"Could not log on.\r\nError: The session is already logged on.\r\nComponent: Redemption");
  session_.InvokeHelper(18, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_NONE));
  EXPECT_FALSE(LoggedOn());
  const COleVariant window(LONG{0x1234});
  session_.SetProperty(0x6002002B, VT_VARIANT, &window);
}

TEST_F(Redemption, AddsAPstFileByItsAbsolutePathWithTheDisplayNameGiven) {
  Logon(u"P");
  COleDispatchDriver stores = Stores();
  const std::u16string relative = U16(fs::relative(pst_));
  COleDispatchDriver store = AddPst(stores, relative);
  ASSERT_TRUE(store.m_lpDispatch);
  store.InvokeHelper(6, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_NONE));
  const auto services = Services();
  ASSERT_EQ(services.size(), 1u);
  EXPECT_EQ(services[0].kind, profiles::ServiceKind::kPst);
  EXPECT_EQ(services[0].path, U16(pst_));
  EXPECT_EQ(services[0].displayName, relative);
  EXPECT_EQ(MessageOf([&] { AddPst(stores, U16(pst_)); }),
            u"Could not add the store.\r\nError: The personal folders file \"mail.pst\" is already in the "
            u"profile.\r\nComponent: Personal Folders");
  EXPECT_EQ(Services().size(), 1u);
}

TEST_F(Redemption, FilesThatAreNoPstFilesAreRefusedWithTheMarkersEarlyInTheMessage) {
  Logon(u"P");
  COleDispatchDriver stores = Stores();
  const fs::path empty = machine_.scratch() / "empty.pst";
  std::ofstream(empty) << "";
  const fs::path foreign = machine_.scratch() / "foreign.pst";
  std::ofstream(foreign) << std::string(2000, 'x');
  const std::string longName(250, 'n');
  const struct {
    std::u16string path;
    std::u16string error;
  } cases[] = {
      {U16(machine_.scratch() / "gone.pst"), u"The personal folders file \"gone.pst\" could not be found."},
      {u"", u"The personal folders file \"\" could not be found."},
      {U16(empty), u"The file \"empty.pst\" is not a personal folders file."},
      {U16(foreign), u"The file \"foreign.pst\" is not a personal folders file."},
      {U16(machine_.scratch() / longName),
       u"The personal folders file \"" + win32::Utf8ToUtf16(longName.substr(0, 200)) + u"...\" could not be found."},
  };
  for (const auto& c : cases) {
    const std::u16string message = MessageOf([&] { AddPst(stores, c.path); });
    EXPECT_EQ(message, u"Could not add the store.\r\nError: " + c.error + u"\r\nComponent: Personal Folders");
    EXPECT_LT(message.find(u"\r\nComponent: "), 511u - 13u);
  }
  EXPECT_TRUE(Services().empty());
}

}  // namespace
