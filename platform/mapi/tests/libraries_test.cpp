// The two shared objects as the engine finds them: the registry's mail
// client, FGetComponentPath of the system "mapi32.dll", LoadLibraryW and
// GetProcAddress.
#include <gtest/gtest.h>

#include "mapi/install.h"
#include "mapi/mapix.h"
#include "testing/temp_machine.h"
#include "win32/codepage.h"
#include "win32/library.h"
#include "win32/machine.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace {

using FGetComponentPathFn = BOOL (*)(LPCSTR, LPSTR, LPSTR, DWORD, BOOL);

TEST(MapiLibraries, TheRegistryLeadsToTheInstalledLibraryAndBothServeOneState) {
  testing_support::TempMachine machine;
  win32::InitMachineRoot(machine.root());
  std::string error;
  ASSERT_TRUE(mapi::InstallMapi(&error)) << error;

  const std::u16string systemDll = win32::Utf8ToUtf16((win32::SystemFolder() / "mapi32.dll").string());
  win32::LibraryPtr system(LoadLibraryW(systemDll.c_str()));
  ASSERT_TRUE(system);
  auto getPath = win32::GetProc<FGetComponentPathFn>(system.get(), "FGetComponentPath");
  ASSERT_TRUE(getPath);

  const auto client = win32::RegGetString(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail", u"");
  ASSERT_TRUE(client);
  const auto component = win32::RegGetString(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail\\" + *client,
                                             u"MSIComponentID");
  const auto qualifier = win32::RegGetString(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail\\" + *client,
                                             u"MSIApplicationLCID");
  ASSERT_TRUE(component && qualifier);
  char path[260] = {};
  std::string q = win32::Utf16ToAnsi(*qualifier);
  ASSERT_TRUE(getPath(win32::Utf16ToAnsi(*component).c_str(), q.data(), path, sizeof path, TRUE));
  char tiny[4] = {};
  EXPECT_FALSE(getPath(win32::Utf16ToAnsi(*component).c_str(), nullptr, tiny, sizeof tiny, TRUE));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_FALSE(getPath("{00000000-0000-0000-0000-000000000000}", nullptr, path + 0, 0, TRUE));

  win32::LibraryPtr installed(LoadLibraryW(win32::AnsiToUtf16(path).c_str()));
  ASSERT_TRUE(installed);
  for (const char* name : {"MAPIInitialize", "MAPIUninitialize", "MAPILogonEx", "MAPIAllocateBuffer",
                           "MAPIAllocateMore", "MAPIFreeBuffer", "HrGetOneProp", "FreeProws", "PpropFindProp",
                           "HrQueryAllRows", "MAPIGetDefaultMalloc", "OpenIMsgOnIStg", "OpenStreamOnFile",
                           "OpenStreamOnFileW"}) {
    EXPECT_TRUE(GetProcAddress(installed.get(), name)) << name;
    EXPECT_TRUE(GetProcAddress(system.get(), name)) << name;
  }
  // A buffer from one library is freed by the other; initialisation is shared.
  auto alloc = win32::GetProc<LPMAPIALLOCATEBUFFER>(system.get(), "MAPIAllocateBuffer");
  auto more = win32::GetProc<LPMAPIALLOCATEMORE>(installed.get(), "MAPIAllocateMore");
  auto release = win32::GetProc<LPMAPIFREEBUFFER>(installed.get(), "MAPIFreeBuffer");
  void* head = nullptr;
  void* tail = nullptr;
  ASSERT_EQ(alloc(8, &head), S_OK);
  ASSERT_EQ(more(8, head, &tail), S_OK);
  EXPECT_EQ(release(head), 0u);

  using InitFn = HRESULT (*)(LPVOID);
  using UninitFn = void (*)();
  using LogonFn = HRESULT (*)(ULONG_PTR, LPSTR, LPSTR, ULONG, IMAPISession**);
  auto logon = win32::GetProc<LogonFn>(installed.get(), "MAPILogonEx");
  ComPtr<IMAPISession> session;
  ASSERT_EQ(win32::GetProc<InitFn>(system.get(), "MAPIInitialize")(nullptr), S_OK);
  EXPECT_EQ(logon(0, nullptr, nullptr, 0x3B, session.ReleaseAndGetAddressOf()), MAPI_E_USER_CANCEL);
  win32::GetProc<UninitFn>(system.get(), "MAPIUninitialize")();
  EXPECT_EQ(logon(0, nullptr, nullptr, 0x3B, session.ReleaseAndGetAddressOf()), MAPI_E_NOT_INITIALIZED);
}

}  // namespace
