// MAPIInitialize, MAPIUninitialize and MAPILogonEx.
#include <atomic>

#include "entry.h"
#include "json_fields.h"
#include "mapi/profiles.h"
#include "session.h"
#include "win32/codepage.h"
#include "win32/text.h"

namespace {

std::atomic<int> g_initCount{0};

// The name as the flags say it is written; empty when none is given.
std::u16string ProfileName(LPSTR name, ULONG flags) {
  if (!name) return {};
  if (flags & MAPI_UNICODE) return std::u16string(win32::WideView(reinterpret_cast<LPCWSTR>(name)));
  return win32::AnsiToUtf16(name);
}

}  // namespace

namespace mapi::entry {

HRESULT MAPIInitialize(LPVOID init) {
  if (init) {
    const auto* i = static_cast<const MAPIINIT_0*>(init);
    if (i->ulVersion > MAPI_INIT_VERSION) return MAPI_E_VERSION;
  }
  ++g_initCount;
  return S_OK;
}

void MAPIUninitialize() {
  int n = g_initCount.load();
  while (n > 0 && !g_initCount.compare_exchange_weak(n, n - 1)) {
  }
}

HRESULT MAPILogonEx(ULONG_PTR, LPSTR profileName, LPSTR, ULONG flags, LPMAPISESSION* session) {
  if (!session) return MAPI_E_INVALID_PARAMETER;
  *session = nullptr;
  if (g_initCount.load() <= 0) return MAPI_E_NOT_INITIALIZED;
  std::u16string name = ProfileName(profileName, flags);
  if (name.empty()) {
    // The logon dialog on the unattended desktop picks the default profile,
    // or is cancelled when there is none.
    if (!(flags & (MAPI_LOGON_UI | MAPI_USE_DEFAULT))) return MAPI_E_LOGON_FAILED;
    auto byDefault = mapi::profiles::DefaultName();
    if (!byDefault) return (flags & MAPI_LOGON_UI) ? MAPI_E_USER_CANCEL : MAPI_E_LOGON_FAILED;
    name = *byDefault;
  }
  mapi::profiles::Profile profile;
  std::string error;
  if (const HRESULT hr = mapi::profiles::Read(name, &profile, &error); FAILED(hr)) {
    if (hr != MAPI_E_CORRUPT_DATA) return MAPI_E_LOGON_FAILED;
    mapi::json_fields::Report(error);
    return hr;
  }
  return mapi::MakeSession(std::move(profile), session);
}

}  // namespace mapi::entry
