// The stubs: what they pass on, and their fallbacks without MAPI.
#include <gtest/gtest.h>

#include <string>

#include "ImportProcsState.h"
#include "fake_mapi.h"
#include "mapisupport/ImportProcs.h"
#include "testing/temp_machine.h"

namespace {

class MAPIStubsTest : public ::testing::Test {
 protected:
  testing_support::TempMachine machine;
};

TEST_F(MAPIStubsTest, FreeingNullNeverLoadsMapi) {
  fake_mapi::InstallSystem("fake_mapi32");
  EXPECT_EQ(MAPIFreeBuffer(nullptr), 0u);
  EXPECT_EQ(import_procs_state::SystemMapi32Module(), nullptr);
  EXPECT_EQ(pfnMAPIFreeBuffer, nullptr);
}

TEST_F(MAPIStubsTest, EveryStubFallsBackWithoutMapi) {
  LPVOID buffer = nullptr;
  EXPECT_EQ(MAPIAllocateBuffer(16, &buffer), E_FAIL);
  EXPECT_EQ(MAPIFreeBuffer(&buffer), 0u);
  LPSPropValue value = nullptr;
  EXPECT_EQ(HrGetOneProp(nullptr, 0, &value), E_FAIL);
  FreeProws(nullptr);
  SPropValue props[1] = {};
  EXPECT_EQ(PpropFindProp(props, 1, 0), nullptr);
  LPMAPISESSION session = nullptr;
  EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, &session), E_FAIL);
  LPSTREAM stream = nullptr;
  EXPECT_EQ(MyOpenStreamOnFile(nullptr, nullptr, 0, u"/tmp/x.eml", nullptr, &stream), E_FAIL);
}

TEST_F(MAPIStubsTest, LogonPassesFixedPasswordAndFlags) {
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  LPMAPISESSION session = nullptr;
  char profile[] = "Outlook";
  char password[] = "secret";
  EXPECT_EQ(MAPILogonEx(0, profile, password, 0, &session), 0x201);
  EXPECT_EQ(fake_mapi::Control<unsigned (*)()>(system, "FakeMapi_LogonFlags")(), 0x3Bu);
  EXPECT_EQ(fake_mapi::Control<int (*)()>(system, "FakeMapi_LogonPasswordNull")(), 1);
  EXPECT_STREQ(fake_mapi::Control<const char* (*)()>(system, "FakeMapi_LogonProfile")(), "Outlook");
}

TEST_F(MAPIStubsTest, BuffersGoThroughTheBoundLibrary) {
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  LPVOID buffer = nullptr;
  ASSERT_EQ(MAPIAllocateBuffer(16, &buffer), S_OK);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(MAPIFreeBuffer(buffer), 0u);
  EXPECT_EQ(fake_mapi::Control<int (*)()>(system, "FakeMapi_BuffersFreed")(), 1);
}

TEST_F(MAPIStubsTest, StreamOnFilePrefersTheUtf16Export) {
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32"));
  LPSTREAM stream = nullptr;
  EXPECT_EQ(MyOpenStreamOnFile(nullptr, nullptr, 0, u"/tmp/M\u00e9ssage.eml", u"x", &stream), 0x205);
  EXPECT_STREQ(fake_mapi::Control<const char* (*)()>(system, "FakeMapi_StreamPath")(), "/tmp/M<00E9>ssage.eml");
  EXPECT_EQ(fake_mapi::Control<unsigned (*)()>(system, "FakeMapi_StreamFlags")(), 0x1002u);
  EXPECT_EQ(fake_mapi::Control<int (*)()>(system, "FakeMapi_StreamAllocatorsSet")(), 1);
}

TEST_F(MAPIStubsTest, StreamOnFileConvertsThePathForThe8BitExport) {
  HMODULE system = fake_mapi::Open(fake_mapi::InstallSystem("fake_mapi32_ansi"));
  LPSTREAM stream = nullptr;
  EXPECT_EQ(MyOpenStreamOnFile(nullptr, nullptr, 0, u"/tmp/M\u00e9ssage.eml", u"x", &stream), 0x504);
  EXPECT_STREQ(fake_mapi::Control<const char* (*)()>(system, "FakeMapi_StreamPath")(), "/tmp/M\xe9ssage.eml");
  EXPECT_EQ(fake_mapi::Control<unsigned (*)()>(system, "FakeMapi_StreamFlags")(), 0x1002u);
  EXPECT_EQ(fake_mapi::Control<int (*)()>(system, "FakeMapi_StreamAllocatorsSet")(), 1);
}

}  // namespace
