#include "profile_store.h"

#include "com/dispatch.h"
#include "mapi/mapicode.h"

namespace profman {

void Raise(std::u16string text) { throw com::DispatchError{std::move(text), E_FAIL, u"ProfMan"}; }

mapi::profiles::Profile LoadProfile(std::u16string_view name) {
  auto profile = mapi::profiles::Find(name);
  if (!profile) Raise(u"The profile \"" + std::u16string(name) + u"\" does not exist.");
  return std::move(*profile);
}

void SaveProfile(const mapi::profiles::Profile& profile) {
  const HRESULT hr = mapi::profiles::Change(profile);
  if (hr == MAPI_E_NOT_FOUND) Raise(u"The profile \"" + profile.name + u"\" does not exist.");
  if (FAILED(hr)) Raise(u"The profile \"" + profile.name + u"\" could not be written.");
}

mapi::profiles::Service& ServiceOf(mapi::profiles::Profile& profile, const std::string& uid) {
  for (auto& service : profile.services)
    if (service.uid == uid) return service;
  Raise(u"The service is no longer in the profile \"" + profile.name + u"\".");
}

bool IsPlainServerName(std::u16string_view server) {
  return server.find_first_of(u"/\\") == std::u16string_view::npos && server.find(u"..") == std::u16string_view::npos &&
         server.find(u'\0') == std::u16string_view::npos;
}

void CheckServerName(std::u16string_view server) {
  if (!IsPlainServerName(server)) Raise(u"\"" + std::u16string(server) + u"\" is not a server name.");
}

}  // namespace profman
