// Adding a PST store to the logged-on profile.
#include <cstdio>
#include <filesystem>

#include "mapi/mapicode.h"
#include "mapi/profiles.h"
#include "mapi/provider.h"
#include "session.h"
#include "win32/path.h"
#include "win32/text.h"

namespace redemption {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kAddFailed[] = u"Could not add the store.";
constexpr char16_t kPstComponent[] = u"Personal Folders";
// Keeps the message's markers within its first 511 characters whatever
// the file's name.
constexpr std::size_t kMaxNameInText = 200;

// The file's name as the error texts quote it.
std::u16string Quoted(const fs::path& file) {
  std::u16string name = win32::Utf8ToUtf16(file.filename().string());
  if (name.size() > kMaxNameInText) name = name.substr(0, kMaxNameInText) + u"...";
  return u"\"" + name + u"\"";
}

// The path made absolute, in the machine's own form.
fs::path AbsolutePath(const std::u16string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(win32::MapPath(path), ec);
  return ec ? fs::path() : absolute.lexically_normal();
}

// Opens the file through the PST provider; an exception when it is not a
// PST file that can be read.
ComPtr<IMsgStore> OpenPst(const fs::path& file, const std::u16string& displayName) {
  const std::u16string path = win32::Utf8ToUtf16(file.string());
  mapi::StoreIdentity identity;
  identity.uid = mapi::UidFromText("pst:" + file.string());
  identity.displayName = displayName;
  identity.storeEntryId = mapi::MakeStoreEntryId(identity.uid, mapi::StoreKind::kPst, file.string());
  ComPtr<IMsgStore> store;
  const HRESULT hr =
      file.empty() ? MAPI_E_NOT_FOUND : mapi::OpenPstStore(path, identity, 0, store.ReleaseAndGetAddressOf());
  if (hr == MAPI_E_NOT_FOUND)
    Raise(kAddFailed, u"The personal folders file " + Quoted(file) + u" could not be found.", kPstComponent);
  if (hr == MAPI_E_CORRUPT_STORE)
    Raise(kAddFailed, u"The file " + Quoted(file) + u" is not a personal folders file.", kPstComponent);
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    Raise(kAddFailed, u"The file " + Quoted(file) + u" could not be opened (" + win32::Utf8ToUtf16(code) + u").",
          kPstComponent);
  }
  return store;
}

}  // namespace

std::span<const com::DispatchMember<Stores>> Stores::Members() {
  static const com::DispatchMember<Stores> kMembers[] = {
      {5, u"AddPstStore", DISPATCH_METHOD, 1, 3, &Stores::AddPstStore},
  };
  return kMembers;
}

void Stores::AddPstStore(const com::DispatchCall& call) {
  const std::u16string given = call.Text(0);
  if (call.ArgCount() > 1 && !call.IsMissing(1)) call.Long(1);  // the format: any PST file is read as it is
  const std::u16string displayName = call.ArgCount() > 2 && !call.IsMissing(2) ? call.Text(2) : u"";
  if (!state_->loggedOn) Raise(kAddFailed, u"The session is not logged on.", u"Redemption");

  const fs::path file = given.empty() ? fs::path() : AbsolutePath(given);
  ComPtr<IMsgStore> store = OpenPst(file, displayName);

  auto profile = mapi::profiles::Find(state_->profile);
  if (!profile) Raise(kAddFailed, u"The profile \"" + state_->profile + u"\" was not found.", u"MAPI");
  const std::u16string path = win32::Utf8ToUtf16(file.string());
  for (const auto& service : profile->services)
    if (service.kind == mapi::profiles::ServiceKind::kPst && service.path == path)
      Raise(kAddFailed, u"The personal folders file " + Quoted(file) + u" is already in the profile.", kPstComponent);
  profile->services.push_back(mapi::profiles::PstService(path, displayName));
  if (FAILED(mapi::profiles::Change(*profile)))
    Raise(kAddFailed, u"The profile \"" + state_->profile + u"\" could not be written.", u"MAPI");
  call.ReturnDispatch(com::Make<Store>(std::move(store)).Get());
}

}  // namespace redemption
