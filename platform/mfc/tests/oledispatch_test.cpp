#include <gtest/gtest.h>

#include <string>

#include "com/com.h"
#include "mfc/oledispatch.h"
#include "mfc/olevariant.h"
#include "server/test_server.h"
#include "testing/temp_machine.h"
#include "win32/library.h"
#include "win32/text.h"

namespace {

std::filesystem::path ServerLibrary() { return testing_support::BuildDir() / "lib" / "brackenford_com_testserver.so"; }

class DispatchDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(com::RegisterInprocServer(kTestServerClsid, kTestServerProgId, ServerLibrary()), S_OK);
    ASSERT_TRUE(AfxOleInit());
    ASSERT_TRUE(AfxOleInit());  // once per thread, however often it is called
  }
  void TearDown() override { EXPECT_EQ(Live(), 0) << "a server object was not released"; }

  static long Live() {
    win32::LibraryPtr lib(LoadLibraryW(win32::Utf8ToUtf16(ServerLibrary().string()).c_str()));
    auto live = win32::GetProc<TestServerLiveFn>(lib.get(), "TestServerLive");
    return live ? live() : -1;
  }

  testing_support::TempMachine machine_;
};

TEST_F(DispatchDriver, CreatesByProgIdAndCallsByDispid) {
  COleDispatchDriver server;
  COleException error;
  ASSERT_TRUE(server.CreateDispatch(kTestServerProgId, &error));
  std::u16string text;
  server.InvokeHelper(kDispAdd, DISPATCH_METHOD, VT_BSTR, &text,
                      reinterpret_cast<const BYTE*>(VTS_BSTR VTS_BOOL VTS_I4), u"name", FALSE, LONG{42});
  EXPECT_EQ(text, u"name/0/42");

  LONG count = 0;
  server.GetProperty(kDispCount, VT_I4, &count);
  EXPECT_EQ(count, 1);
  server.GetProperty(kDispCount, VT_BSTR, &text);  // converted to the asked type
  EXPECT_EQ(text, u"1");

  LPDISPATCH nothing = reinterpret_cast<LPDISPATCH>(&count);
  server.GetProperty(kDispValue, VT_DISPATCH, &nothing);  // an empty value is no object
  EXPECT_EQ(nothing, nullptr);

  COleVariant value(u"kept");
  server.SetProperty(kDispValue, VT_VARIANT, static_cast<const VARIANT*>(&value));
  COleVariant back;
  server.GetProperty(kDispValue, VT_VARIANT, static_cast<VARIANT*>(&back));
  EXPECT_TRUE(back == value);

  LPDISPATCH raw = nullptr;
  server.InvokeHelper(kDispChild, DISPATCH_PROPERTYGET, VT_DISPATCH, &raw, nullptr);
  COleDispatchDriver child;
  child.AttachDispatch(raw);  // takes over the returned reference
  EXPECT_EQ(Live(), 2);
  COleDispatchDriver copy = child;
  child.ReleaseDispatch();
  EXPECT_EQ(Live(), 2);  // the copy holds its own reference
  copy.AttachDispatch(server.DetachDispatch());
  EXPECT_EQ(Live(), 1);
}

TEST_F(DispatchDriver, ServerExceptionArrivesWithTheServersText) {
  COleDispatchDriver server;
  ASSERT_TRUE(server.CreateDispatch(kTestServerProgId));
  try {
    server.InvokeHelper(kDispFail, DISPATCH_METHOD, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(VTS_NONE));
    FAIL() << "no exception";
  } catch (const COleDispatchException& e) {
    EXPECT_EQ(e.m_strDescription, kFailText);
    EXPECT_EQ(e.m_strSource, u"Brackenford.TestServer");
    EXPECT_EQ(e.m_scError, E_FAIL);
    WCHAR buf[255];
    ASSERT_TRUE(e.GetErrorMessage(buf, 255));
    EXPECT_EQ(std::u16string(buf), kFailText);
    WCHAR small[5];
    e.GetErrorMessage(small, 5);
    EXPECT_EQ(std::u16string(small), u"Open");
  }
  // A failure without an exception, and a call the server refuses.
  struct Case {
    DISPID id;
    const char* params;
    HRESULT sc;
  };
  const Case cases[] = {
      {kDispFailCode, VTS_NONE, E_ACCESSDENIED},
      {kDispAdd, VTS_BSTR, DISP_E_BADPARAMCOUNT},
      {99, VTS_NONE, DISP_E_MEMBERNOTFOUND},
  };
  for (const Case& c : cases) {
    try {
      server.InvokeHelper(c.id, DISPATCH_METHOD, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(c.params), u"x");
      ADD_FAILURE() << "no exception for " << c.id;
    } catch (const COleException& e) {
      EXPECT_EQ(e.m_sc, c.sc) << c.id;
    }
  }
}

TEST_F(DispatchDriver, CreateDispatchFailuresCarryTheCode) {
  COleDispatchDriver d;
  COleException error;
  EXPECT_FALSE(d.CreateDispatch(u"Redemption.NotInstalled", &error));
  EXPECT_EQ(error.m_sc, CO_E_CLASSSTRING);
  constexpr CLSID kUnregistered = {0x0badc0de, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_FALSE(d.CreateDispatch(kUnregistered, &error));
  EXPECT_EQ(error.m_sc, REGDB_E_CLASSNOTREG);
  WCHAR buf[255];
  ASSERT_TRUE(error.GetErrorMessage(buf, 255));
  EXPECT_EQ(std::u16string(buf), u"Class not registered.\r\n");
  EXPECT_EQ(d.m_lpDispatch, nullptr);
  // Calling with nothing held fails loudly rather than returning nothing.
  EXPECT_THROW(d.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_EMPTY, nullptr, nullptr), COleException);
}

}  // namespace
