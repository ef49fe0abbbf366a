// ProfMan registered in a temporary machine and called through the dispatch
// driver, as the profile engine calls it.
#include <gtest/gtest.h>

#include <functional>

#include "com/com.h"
#include "mapi/exchange.h"
#include "mapi/mapitags.h"
#include "mapi/profiles.h"
#include "mfc/afxole.h"
#include "profman/profman.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

namespace profiles = mapi::profiles;

const BYTE* Params(const char* types) { return reinterpret_cast<const BYTE*>(types); }

// A property get of an object, or a method with arguments, as a driver.
COleDispatchDriver Get(COleDispatchDriver& object, DISPID id) {
  IDispatch* result = nullptr;
  object.GetProperty(id, VT_DISPATCH, &result);
  return COleDispatchDriver(result);
}

class ProfMan : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto lib = testing_support::BuildDir() / "lib" / profman::kLibrary;
    ASSERT_EQ(com::RegisterInprocServer(profman::CLSID_Profiles, profman::kProfilesProgId, lib), S_OK);
    ASSERT_EQ(com::RegisterInprocServer(profman::CLSID_PropertyBag, profman::kPropertyBagProgId, lib), S_OK);
    ASSERT_TRUE(AfxOleInit());
    ASSERT_TRUE(profiles_.CreateDispatch(profman::kProfilesProgId));
    const auto pst = testing_support::MakePst(machine_.scratch(), "box", R"({"folders": []})");
    ASSERT_EQ(mapi::exchange::AddMailbox(u"EXSRV", u"ann", u"Ann", win32::Utf8ToUtf16(pst.string()), {}), S_OK);
  }

  LONG Count() {
    LONG count = -1;
    profiles_.GetProperty(1, VT_I4, &count);
    return count;
  }
  COleDispatchDriver Add(const char16_t* name) {
    IDispatch* profile = nullptr;
    profiles_.InvokeHelper(3, DISPATCH_METHOD, VT_DISPATCH, &profile, Params(VTS_BSTR VTS_BOOL VTS_BOOL VTS_I4), name,
                           FALSE, FALSE, 0);
    return COleDispatchDriver(profile);
  }
  COleDispatchDriver Item(const char16_t* name) {
    const COleVariant v(name);
    IDispatch* profile = nullptr;
    profiles_.InvokeHelper(2, DISPATCH_PROPERTYGET, VT_DISPATCH, &profile, Params(VTS_VARIANT), &v);
    return COleDispatchDriver(profile);
  }
  static COleDispatchDriver AddService(COleDispatchDriver& services, const char16_t* name) {
    IDispatch* added = nullptr;
    services.InvokeHelper(3, DISPATCH_METHOD, VT_DISPATCH, &added, Params(VTS_BSTR VTS_BSTR VTS_BOOL VTS_I4), name,
                          u"Microsoft Exchange", FALSE, 0);
    return COleDispatchDriver(added);
  }
  // The Exchange service added to a new profile "P".
  COleDispatchDriver AddExchangeService() {
    COleDispatchDriver profile = Add(u"P");
    COleDispatchDriver services = Get(profile, 5);
    return AddService(services, u"MSEMS");
  }
  // Configure with a bag of the server, the mailbox and the flags.
  void Configure(COleDispatchDriver& service, const char16_t* server, const char16_t* mailbox) {
    COleDispatchDriver bag;
    ASSERT_TRUE(bag.CreateDispatch(profman::kPropertyBagProgId));
    const auto add = [&](ULONG tag, const COleVariant& value) {
      bag.InvokeHelper(3, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_I4 VTS_VARIANT), static_cast<LONG>(tag),
                       &value);
    };
    add(PR_PROFILE_UNRESOLVED_SERVER, COleVariant(server));
    add(PR_PROFILE_UNRESOLVED_NAME, COleVariant(mailbox));
    add(PR_PROFILE_CONFIG_FLAGS, COleVariant(LONG{17}));
    service.InvokeHelper(7, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_I4 VTS_I4 VTS_DISPATCH), 0, 0,
                         bag.m_lpDispatch);
  }
  static std::u16string MessageOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const COleDispatchException& e) {
      return e.Message();
    }
    return u"(no exception)";
  }
  profiles::Service StoredService() {
    const auto profile = profiles::Find(u"P");
    EXPECT_TRUE(profile);
    EXPECT_EQ(profile ? profile->services.size() : 0u, 1u);
    return profile && !profile->services.empty() ? profile->services[0] : profiles::Service{};
  }

  testing_support::TempMachine machine_;
  COleDispatchDriver profiles_;
};

TEST_F(ProfMan, AddsFindsCountsAndDeletesProfiles) {
  EXPECT_EQ(Count(), 0);
  COleDispatchDriver added = Add(u"{First}");
  ASSERT_TRUE(added.m_lpDispatch);
  EXPECT_EQ(Count(), 1);
  const auto stored = profiles::Find(u"{First}");
  ASSERT_TRUE(stored);
  EXPECT_TRUE(stored->services.empty());
  EXPECT_EQ(MessageOf([&] { Add(u"{First}"); }), u"A profile named \"{First}\" already exists.");
  EXPECT_EQ(Item(u"{Nobody}").m_lpDispatch, nullptr) << "no object for a name not in use";

  COleDispatchDriver found = Item(u"{First}");
  ASSERT_TRUE(found.m_lpDispatch);
  found.InvokeHelper(3, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_NONE));
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(MessageOf([&] { added.InvokeHelper(3, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_NONE)); }),
            u"The profile \"{First}\" does not exist.");
}

TEST_F(ProfMan, ConfigureResolvesTheMailboxBeforeItWritesTheService) {
  COleDispatchDriver service = AddExchangeService();
  ASSERT_TRUE(service.m_lpDispatch);
  EXPECT_EQ(StoredService().kind, profiles::ServiceKind::kExchange);

  const struct {
    const char16_t* server;
    const char16_t* mailbox;
    std::u16string message;
  } refused[] = {
      {u"", u"ann", u"The service has no server name."},
      {u"../EXSRV", u"ann", u"\"../EXSRV\" is not a server name."},
      {u"OTHER", u"ann", u"The server \"OTHER\" could not be reached."},
      {u"EXSRV", u"nobody", u"The name \"nobody\" could not be resolved on the server \"EXSRV\"."},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(MessageOf([&] { Configure(service, r.server, r.mailbox); }), r.message);
    EXPECT_EQ(StoredService().server, u"") << "nothing written";
  }
  Configure(service, u"exsrv", u"Ann");
  const profiles::Service configured = StoredService();
  EXPECT_EQ(configured.server, u"exsrv");
  EXPECT_EQ(configured.mailbox, u"Ann");
  EXPECT_EQ(configured.configFlags, 17);
}

TEST_F(ProfMan, ProviderSectionsWriteTheirTagsIntoTheService) {
  COleDispatchDriver service = AddExchangeService();
  COleDispatchDriver providers = Get(service, 1);
  LONG count = 0;
  providers.GetProperty(1, VT_I4, &count);
  EXPECT_EQ(count, profman::kExchangeProviders);
  const auto provider = [&](LONG index) {
    IDispatch* p = nullptr;
    providers.InvokeHelper(2, DISPATCH_PROPERTYGET, VT_DISPATCH, &p, Params(VTS_I4), index);
    return COleDispatchDriver(p);
  };
  const auto put = [](COleDispatchDriver& section, ULONG tag, const COleVariant& value) {
    section.InvokeHelper(5, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, Params(VTS_I4 VTS_VARIANT),
                         static_cast<LONG>(tag), &value);
  };
  for (LONG index = 1; index <= count; ++index) {
    COleDispatchDriver p = provider(index);
    COleDispatchDriver section = Get(p, 7);
    ASSERT_TRUE(section.m_lpDispatch);
    const std::u16string server = u"SRV" + win32::Utf8ToUtf16(std::to_string(index));
    put(section, PR_PROFILE_UNRESOLVED_SERVER, COleVariant(server.c_str()));
    put(section, PR_PROFILE_UNRESOLVED_NAME, COleVariant(u"nobody"));
    EXPECT_EQ(StoredService().server, server);
  }
  EXPECT_EQ(StoredService().mailbox, u"nobody");
  EXPECT_EQ(StoredService().configFlags, 0);

  EXPECT_EQ(MessageOf([&] { provider(count + 1); }), u"There is no provider 4.");
  COleDispatchDriver first = provider(1);
  COleDispatchDriver section = Get(first, 7);
  EXPECT_EQ(MessageOf([&] { put(section, PR_PROFILE_UNRESOLVED_SERVER, COleVariant(u"a\\b")); }),
            u"\"a\\b\" is not a server name.");
  EXPECT_EQ(MessageOf([&] { put(section, PR_DISPLAY_NAME_W, COleVariant(u"x")); }),
            u"The property 0x3001001F cannot be set in a profile section.");
  EXPECT_EQ(StoredService().server, u"SRV3");
}

TEST_F(ProfMan, OnlyTheExchangeServiceIsInstalled) {
  COleDispatchDriver profile = Add(u"P");
  COleDispatchDriver services = Get(profile, 5);
  EXPECT_EQ(MessageOf([&] { AddService(services, u"MSPST MS"); }), u"The service \"MSPST MS\" is not installed.");
  EXPECT_TRUE(AddService(services, u"msems").m_lpDispatch);
  EXPECT_EQ(StoredService().kind, profiles::ServiceKind::kExchange);
}

}  // namespace
