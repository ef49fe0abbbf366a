#include <gtest/gtest.h>

#include "com/com.h"
#include "com/dispatch.h"
#include "server/test_server.h"
#include "testing/temp_machine.h"
#include "win32/library.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace {

std::filesystem::path ServerLibrary() {
  return testing_support::BuildDir() / "lib" / "brackenford_com_testserver.so";
}

class Activation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(com::RegisterInprocServer(kTestServerClsid, kTestServerProgId, ServerLibrary()), S_OK);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }
  void TearDown() override { CoUninitialize(); }

  // The server's count of its live objects.
  long Live() {
    win32::LibraryPtr lib(LoadLibraryW(win32::Utf8ToUtf16(ServerLibrary().string()).c_str()));
    auto live = win32::GetProc<TestServerLiveFn>(lib.get(), "TestServerLive");
    return live ? live() : -1;
  }

  testing_support::TempMachine machine_;
};

TEST_F(Activation, ProgIdResolvesAndTheServerIsCreated) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(kTestServerProgId, &clsid), S_OK);
  EXPECT_EQ(clsid, kTestServerClsid);
  {
    ComPtr<IDispatch> d;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                               IID_IDispatch, d.ReleaseAndGetAddressOfVoid()),
              S_OK);
    DISPPARAMS none{};
    com::Variant r;
    ASSERT_EQ(d->Invoke(kDispChild, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr), S_OK);
    EXPECT_EQ(Live(), 2);
  }
  EXPECT_EQ(Live(), 0);  // every object came back
}

TEST_F(Activation, FailuresGiveTheCodesCallersTestFor) {
  const std::filesystem::path missing = machine_.scratch() / "missing.so";
  ASSERT_EQ(com::RegisterInprocServer(kNotServedClsid, u"", ServerLibrary()), S_OK);
  constexpr CLSID kUnregistered = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
  constexpr CLSID kMissingLibrary = {0x11111111, 0x2222, 0x3333, {5, 5, 5, 5, 5, 5, 5, 5}};
  ASSERT_EQ(com::RegisterInprocServer(kMissingLibrary, u"", missing), S_OK);
  struct Case {
    CLSID clsid;
    DWORD context;
    HRESULT hr;
  };
  const Case cases[] = {
      {kUnregistered, CLSCTX_ALL, REGDB_E_CLASSNOTREG},
      {kTestServerClsid, CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG},  // in-process only
      {kNotServedClsid, CLSCTX_INPROC_SERVER, CLASS_E_CLASSNOTAVAILABLE},
      {kMissingLibrary, CLSCTX_INPROC_SERVER, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
  };
  for (const Case& c : cases) {
    ComPtr<IUnknown> u;
    EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, IID_IUnknown, u.ReleaseAndGetAddressOfVoid()), c.hr)
        << win32::Utf16ToUtf8(win32::GuidToString(c.clsid));
    EXPECT_FALSE(u);
  }
  CLSID clsid = kTestServerClsid;
  EXPECT_EQ(CLSIDFromProgID(u"No.Such.Thing", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid, GUID_NULL);

  ComPtr<IUnknown> u;
  CoUninitialize();
  EXPECT_EQ(CoCreateInstance(kTestServerClsid, nullptr, CLSCTX_ALL, IID_IUnknown, u.ReleaseAndGetAddressOfVoid()),
            CO_E_NOTINITIALIZED);
  CoInitialize(nullptr);
}

TEST_F(Activation, RegistrationIsWhatTheRegistryHolds) {
  const std::u16string key = u"CLSID\\" + win32::GuidToString(kTestServerClsid);
  EXPECT_EQ(win32::RegGetString(HKEY_CLASSES_ROOT, key + u"\\InprocServer32", u""),
            win32::Utf8ToUtf16(ServerLibrary().string()));
  EXPECT_EQ(win32::RegGetString(HKEY_CLASSES_ROOT, key + u"\\ProgID", u""), kTestServerProgId);
  EXPECT_EQ(win32::RegGetString(HKEY_CLASSES_ROOT, std::u16string(kTestServerProgId) + u"\\CLSID", u""),
            win32::GuidToString(kTestServerClsid));
}

}  // namespace
