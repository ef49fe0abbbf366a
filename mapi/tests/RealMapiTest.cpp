// The support layer against the real MAPI stand-in: the library found
// through the registry and the installer, PST and Exchange profile logons,
// the Exchange store openers, and a pstgen message saved as MIME.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ImportProcsState.h"
#include "com/com.h"
#include "mapi/exchange.h"
#include "mapi/install.h"
#include "mapi/mimeconv.h"
#include "mapi/profiles.h"
#include "mapisupport/ImportProcs.h"
#include "mapisupport/MAPIStoreFunctions.h"
#include "mapisupport/MapiMime.h"
#include "mapisupport/MapiObjects.h"
#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace fs = std::filesystem;
namespace exchange = mapi::exchange;
namespace profiles = mapi::profiles;

namespace {

constexpr char kDescription[] = R"({
 "store": {"display_name": "Saved Mail"},
 "folders": [{"name": "Inbox", "class": "IPF.Note", "messages": [
   {"class": "IPM.Note", "props": {"PR_SUBJECT_W": "Quarterly figures",
    "PR_BODY_W": "See the attached figures.", "PR_SENDER_NAME_W": "Ann Example",
    "PR_SENDER_EMAIL_ADDRESS_W": "ann@example.com"}}]}]
})";

struct Rows {
  LPSRowSet rows = nullptr;
  ~Rows() { FreeProws(rows); }
};

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class RealMapiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(mapi::InstallMapi(&error)) << error;
    pst = MakePst("mail.pst");
    profiles::Profile p;
    p.name = u"Personal";
    p.services.push_back(profiles::PstService(win32::Utf8ToUtf16(pst.string())));
    ASSERT_EQ(profiles::Create(p), S_OK);
  }
  fs::path MakePst(const char* name) {
    const fs::path json = machine.scratch() / "mail.json";
    std::ofstream(json) << kDescription;
    const fs::path out = machine.scratch() / name;
    const std::string command = (testing_support::BuildDir() / "bin" / "pstgen").string() + " '" + json.string() +
                                "' '" + out.string() + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return out;
  }
  // Mailboxes ann, bob and cy on EXSRV (cy refuses ann) and ann's profile.
  void AddExchange() {
    for (const char16_t* alias : {u"ann", u"bob", u"cy"}) {
      const std::vector<std::u16string> denied =
          std::u16string(alias) == u"cy" ? std::vector<std::u16string>{u"ann"} : std::vector<std::u16string>{};
      ASSERT_EQ(exchange::AddMailbox(u"EXSRV", alias, u"User " + std::u16string(alias),
                                     win32::Utf8ToUtf16(pst.string()), denied),
                S_OK);
    }
    profiles::Profile p;
    p.name = u"Exchange";
    p.user = u"ann";
    p.services.push_back(profiles::ExchangeService(u"EXSRV", u"ann"));
    ASSERT_EQ(profiles::Create(p), S_OK);
  }

  testing_support::TempMachine machine;
  fs::path lib = testing_support::BuildDir() / "lib";
  fs::path pst;
};

TEST_F(RealMapiTest, PstProfileLogsOnThroughTheInstalledLibraryAndHasNoExchangeStore) {
  auto* objects = new CMapiObjects;
  char profile[] = "Personal";
  ASSERT_EQ(objects->Logon(nullptr, profile), S_OK);
  ASSERT_NE(objects->GetSession(), nullptr);
  // The installer names the MAPI library; mapi32.dll is a second library.
  EXPECT_NE(import_procs_state::InstallerModule(), nullptr);
  EXPECT_NE(import_procs_state::SystemMapi32Module(), nullptr);

  LPMDB store = nullptr;
  EXPECT_TRUE(OpenMessageStoreGUID(objects->GetSession(), &store));
  EXPECT_EQ(store, nullptr);

  objects->Logoff(nullptr, MAPI_LOGOFF_UI);
  EXPECT_EQ(objects->GetSession(), nullptr);
  objects->Release();
}

TEST_F(RealMapiTest, UnknownProfileFailsAndTwoLogonsInARowReplaceTheSession) {
  AddExchange();
  auto* objects = new CMapiObjects;
  char unknown[] = "Nobody";
  EXPECT_TRUE(FAILED(objects->Logon(nullptr, unknown)));
  EXPECT_EQ(objects->GetSession(), nullptr);

  char personal[] = "Personal";
  char exchangeProfile[] = "Exchange";
  ASSERT_EQ(objects->Logon(nullptr, personal), S_OK);
  ASSERT_EQ(objects->Logon(nullptr, exchangeProfile), S_OK);
  LPMDB store = nullptr;
  EXPECT_FALSE(OpenMessageStoreGUID(objects->GetSession(), &store));
  ASSERT_NE(store, nullptr);
  store->Release();
  objects->Logoff(nullptr, MAPI_LOGOFF_UI);
  objects->Release();
}

TEST_F(RealMapiTest, ExchangeProfileOpensItsStoreAndOtherUsersMailboxes) {
  AddExchange();
  auto* objects = new CMapiObjects;
  char profile[] = "Exchange";
  ASSERT_EQ(objects->Logon(nullptr, profile), S_OK);
  IMAPISession* session = objects->GetSession();

  LPMDB primary = nullptr;
  ASSERT_FALSE(OpenMessageStoreGUID(session, &primary));
  ASSERT_NE(primary, nullptr);
  EXPECT_TRUE(SupportsExchangeManageStore(primary));

  const std::u16string bob = exchange::MailboxDn(u"bob");
  LPMDB other = nullptr;
  EXPECT_EQ(OpenOtherUsersMailbox(session, primary, u"EXSRV", bob.c_str(), 9, &other), S_OK);
  ASSERT_NE(other, nullptr);
  other->Release();

  // cy refuses ann: the stand-in's refusal comes back unchanged.
  const std::u16string cy = exchange::MailboxDn(u"cy");
  EXPECT_TRUE(FAILED(OpenOtherUsersMailbox(session, primary, u"EXSRV", cy.c_str(), 9, &other)));
  EXPECT_EQ(other, nullptr);
  EXPECT_TRUE(FAILED(OpenOtherUsersMailbox(session, primary, u"NOSUCH", bob.c_str(), 9, &other)));
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(OpenOtherUsersMailbox(session, primary, u"", bob.c_str(), 9, &other), S_OK);
  EXPECT_EQ(other, nullptr);

  primary->Release();
  objects->Logoff(nullptr, MAPI_LOGOFF_UI);
  objects->Release();
}

// The first message of the Inbox of the profile's first store.
HRESULT OpenFirstInboxMessage(IMAPISession* session, ComPtr<IMsgStore>& store, ComPtr<IMessage>& message) {
  const auto queryAllRows = MAPISlot<LPHRQUERYALLROWS>(pfnHrQueryAllRows);
  if (!queryAllRows) return E_FAIL;
  ComPtr<IMAPITable> stores;
  HRESULT hr = session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf());
  SizedSPropTagArray(1, eidCols) = {1, {PR_ENTRYID}};
  Rows storeRows;
  if (SUCCEEDED(hr))
    hr = queryAllRows(stores.Get(), reinterpret_cast<LPSPropTagArray>(&eidCols), nullptr, nullptr, 0, &storeRows.rows);
  if (FAILED(hr) || !storeRows.rows->cRows) return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
  const SBinary& storeId = storeRows.rows->aRow[0].lpProps[0].Value.bin;
  hr = session->OpenMsgStore(0, storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), nullptr, 0,
                             store.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  LPSPropValue subtree = nullptr;
  hr = HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID, &subtree);
  if (FAILED(hr)) return hr;
  ComPtr<IUnknown> unk;
  ULONG type = 0;
  hr = store->OpenEntry(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb), nullptr, 0, &type,
                        unk.ReleaseAndGetAddressOf());
  MAPIFreeBuffer(subtree);
  if (FAILED(hr)) return hr;
  ComPtr<IMAPIFolder> top = unk.As<IMAPIFolder>();
  ComPtr<IMAPITable> folders;
  hr = top->GetHierarchyTable(0, folders.ReleaseAndGetAddressOf());
  SizedSPropTagArray(2, folderCols) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_W}};
  Rows folderRows;
  if (SUCCEEDED(hr))
    hr = queryAllRows(folders.Get(), reinterpret_cast<LPSPropTagArray>(&folderCols), nullptr, nullptr, 0,
                      &folderRows.rows);
  if (FAILED(hr)) return hr;
  const SRow* inbox = nullptr;
  for (ULONG i = 0; i < folderRows.rows->cRows; ++i) {
    const SPropValue& name = folderRows.rows->aRow[i].lpProps[1];
    if (name.ulPropTag == PR_DISPLAY_NAME_W && std::u16string(name.Value.lpszW) == u"Inbox")
      inbox = &folderRows.rows->aRow[i];
  }
  if (!inbox) return MAPI_E_NOT_FOUND;
  const SBinary& inboxId = inbox->lpProps[0].Value.bin;
  hr = store->OpenEntry(inboxId.cb, reinterpret_cast<LPENTRYID>(inboxId.lpb), nullptr, 0, &type,
                        unk.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  ComPtr<IMAPITable> contents;
  hr = unk.As<IMAPIFolder>()->GetContentsTable(0, contents.ReleaseAndGetAddressOf());
  Rows messageRows;
  if (SUCCEEDED(hr))
    hr = queryAllRows(contents.Get(), reinterpret_cast<LPSPropTagArray>(&eidCols), nullptr, nullptr, 0,
                      &messageRows.rows);
  if (FAILED(hr) || !messageRows.rows->cRows) return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
  const SBinary& messageId = messageRows.rows->aRow[0].lpProps[0].Value.bin;
  hr = store->OpenEntry(messageId.cb, reinterpret_cast<LPENTRYID>(messageId.lpb), nullptr, 0, &type,
                        unk.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  message = unk.As<IMessage>();
  return message ? S_OK : E_NOINTERFACE;
}

// The message-file entry points bind by their plain names; a file stream
// through them creates the file and truncates it when it exists.
TEST_F(RealMapiTest, MessageFileEntryPointsAndFileStreamsComeFromTheStandIn) {
  EXPECT_TRUE(MAPISlot<FARPROC>(pfnOpenIMsgOnIStg));
  EXPECT_TRUE(MAPISlot<FARPROC>(pfnMAPIGetDefaultMalloc));
  const fs::path file = machine.scratch() / "stream.bin";
  const std::u16string path = win32::Utf8ToUtf16(file.string());
  for (const std::string text : {"a longer first text", "short"}) {
    LPSTREAM stream = nullptr;
    ASSERT_EQ(MyOpenStreamOnFile(nullptr, nullptr, 0, path.c_str(), nullptr, &stream), S_OK);
    ASSERT_EQ(stream->Write(text.data(), static_cast<ULONG>(text.size()), nullptr), S_OK);
    stream->Release();
    EXPECT_EQ(Read(file), text);
  }
}

TEST_F(RealMapiTest, PstgenMessageIsSavedAsTheConvertersMimeFile) {
  // The file stream comes from the stand-in's OpenStreamOnFileW.
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  ASSERT_EQ(com::RegisterInprocServer(CLSID_IConverterSession, u"", lib / "brackenford_mimeconv.so"), S_OK);
  auto* objects = new CMapiObjects;
  char profile[] = "Personal";
  ASSERT_EQ(objects->Logon(nullptr, profile), S_OK);
  {
    ComPtr<IMsgStore> store;
    ComPtr<IMessage> message;
    ASSERT_EQ(OpenFirstInboxMessage(objects->GetSession(), store, message), S_OK);
    const fs::path eml = machine.scratch() / "MSG1.eml";
    ASSERT_EQ(SaveMessageToEml(message.Get(), win32::Utf8ToUtf16(eml.string()).c_str(), CCSF_SMTP), S_OK);
    const std::string text = Read(eml);
    EXPECT_NE(text.find("Subject: Quarterly figures"), std::string::npos) << text;
    EXPECT_NE(text.find("From: Ann Example <ann@example.com>"), std::string::npos) << text;
  }
  objects->Logoff(nullptr, MAPI_LOGOFF_UI);
  objects->Release();
  CoUninitialize();
}

}  // namespace
