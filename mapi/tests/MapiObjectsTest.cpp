// Session holders: MAPI initialised at the first logon and uninitialised
// with the last reference; logons replace sessions without logging off.
#include <gtest/gtest.h>

#include "mapisupport/MapiObjects.h"
#include "session_fakes.h"
#include "testing/temp_machine.h"

namespace {

using session_fakes::Log;
using session_fakes::Session;

class MapiObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override { library = session_fakes::InstallSessionLibrary(log); }
  int Count(const char* name) { return fake_mapi::Control<int (*)()>(library, name)(); }
  // A session for the next MAPILogonEx; the library hands over its reference.
  std::shared_ptr<Log> Queue() {
    auto sessionLog = std::make_shared<Log>();
    fake_mapi::Control<void (*)(void*)>(
        library, "FakeMapi_QueueSession")(static_cast<IMAPISession*>(com::Make<Session>(sessionLog).Detach()));
    return sessionLog;
  }

  testing_support::TempMachine machine;
  std::shared_ptr<Log> log = std::make_shared<Log>();
  HMODULE library = nullptr;
};

TEST_F(MapiObjectsTest, LogonsReplaceSessionsAndMapiLastsAsLongAsTheHolder) {
  auto* objects = new CMapiObjects;
  EXPECT_EQ(Count("FakeMapi_Inits"), 0);  // not at creation
  const auto first = Queue();
  char profile[] = "Outlook";
  ASSERT_EQ(objects->Logon(nullptr, profile), S_OK);
  EXPECT_NE(objects->GetSession(), nullptr);
  EXPECT_EQ(Count("FakeMapi_Inits"), 1);

  // The second logon releases the first session without logging it off.
  const auto second = Queue();
  ASSERT_EQ(objects->Logon(nullptr, nullptr), S_OK);
  EXPECT_TRUE(first->sessionGone);
  EXPECT_EQ(first->logoffs, 0);
  EXPECT_EQ(Count("FakeMapi_Inits"), 1);

  objects->Logoff(nullptr, MAPI_LOGOFF_UI);
  EXPECT_EQ(second->logoffs, 1);
  EXPECT_EQ(second->logoffFlags, MAPI_LOGOFF_UI);
  EXPECT_TRUE(second->sessionGone);
  EXPECT_EQ(objects->GetSession(), nullptr);
  objects->Logoff(nullptr, MAPI_LOGOFF_UI);  // nothing held: nothing done
  EXPECT_EQ(second->logoffs, 1);

  EXPECT_EQ(Count("FakeMapi_Uninits"), 0);
  objects->Release();
  EXPECT_EQ(Count("FakeMapi_Uninits"), 1);
}

TEST_F(MapiObjectsTest, FailedInitialisationAnswers2AndIsRetried) {
  fake_mapi::Control<void (*)(int)>(library, "FakeMapi_SetInitResult")(E_FAIL);
  auto* objects = new CMapiObjects;
  const auto session = Queue();
  EXPECT_EQ(objects->Logon(nullptr, nullptr), MAPI_NOT_INITIALIZED_RESULT);
  EXPECT_EQ(objects->GetSession(), nullptr);
  EXPECT_FALSE(session->sessionGone);  // no logon was tried

  fake_mapi::Control<void (*)(int)>(library, "FakeMapi_SetInitResult")(S_OK);
  EXPECT_EQ(objects->Logon(nullptr, nullptr), S_OK);
  EXPECT_EQ(Count("FakeMapi_Inits"), 2);
  objects->Release();
  EXPECT_TRUE(session->sessionGone);  // released with the holder
  EXPECT_EQ(Count("FakeMapi_Uninits"), 1);
}

TEST(MapiObjectsWithoutMapi, LogonAnswers2AndNothingIsUninitialised) {
  testing_support::TempMachine machine;
  auto* objects = new CMapiObjects;
  EXPECT_EQ(objects->Logon(nullptr, nullptr), MAPI_NOT_INITIALIZED_RESULT);
  EXPECT_EQ(objects->AddRef(), 2u);
  EXPECT_EQ(objects->Release(), 1u);
  objects->Release();
}

}  // namespace
