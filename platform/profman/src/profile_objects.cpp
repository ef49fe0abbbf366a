#include "profile_objects.h"

#include <algorithm>
#include <cstdio>

#include "mapi/exchange.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "profile_store.h"
#include "profman/profman.h"
#include "property_bag.h"
#include "win32/text.h"

namespace profman {
namespace {

namespace profiles = mapi::profiles;

template <class T, class... Args>
void ReturnNew(const com::DispatchCall& call, Args&&... args) {
  call.ReturnDispatch(com::Make<T>(std::forward<Args>(args)...).Get());
}

VARIANT Converted(const VARIANT& value, VARTYPE vt) {
  VARIANT out;
  VariantInit(&out);
  if (HRESULT hr = VariantChangeType(&out, &value, 0, vt); FAILED(hr)) throw com::DispatchFailure{hr};
  return out;
}
std::u16string TextOf(const VARIANT& value) {
  com::Variant v;
  static_cast<VARIANT&>(v) = Converted(value, VT_BSTR);
  return std::u16string(v.bstrVal ? v.bstrVal : u"", SysStringLen(v.bstrVal));
}
LONG LongOf(const VARIANT& value) { return Converted(value, VT_I4).lVal; }

// ASCII letters compared without regard to case.
bool SameName(std::u16string_view a, std::u16string_view b) {
  auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char16_t x, char16_t y) { return up(x) == up(y); });
}

// 32 hex digits, as the profiles keep a service's uid.
std::string NewServiceUid() {
  GUID g;
  CoCreateGuid(&g);
  char hex[33];
  std::snprintf(hex, sizeof hex, "%08x%04x%04x%02x%02x%02x%02x%02x%02x%02x%02x", static_cast<unsigned>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return hex;
}

// The service, read afresh; an exception when it or its profile is gone.
profiles::Service LoadService(const ServiceRef& ref) {
  profiles::Profile profile = LoadProfile(ref.profile);
  return ServiceOf(profile, ref.uid);
}

// Changes one service of its profile and writes the profile back.
template <class Change>
void ChangeService(const ServiceRef& ref, Change change) {
  profiles::Profile profile = LoadProfile(ref.profile);
  change(ServiceOf(profile, ref.uid));
  SaveProfile(profile);
}

// A value of the bag; empty when the bag has none.
std::u16string BagText(IBagValues& bag, ULONG tag) {
  com::Variant v;
  bag.Value(tag, &v);
  return v.vt == VT_EMPTY ? std::u16string() : TextOf(v);
}

}  // namespace

// ---- Profiles

std::span<const com::DispatchMember<Profiles>> Profiles::Members() {
  static const com::DispatchMember<Profiles> kMembers[] = {
      {1, u"Count", DISPATCH_PROPERTYGET, 0, 0, &Profiles::Count},
      {2, u"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, 1, 1, &Profiles::Item},
      {3, u"Add", DISPATCH_METHOD, 1, 4, &Profiles::Add},
  };
  return kMembers;
}

void Profiles::Count(const com::DispatchCall& call) { call.ReturnLong(static_cast<LONG>(profiles::List().size())); }

void Profiles::Item(const com::DispatchCall& call) {
  if (auto profile = profiles::Find(call.Text(0))) ReturnNew<Profile>(call, profile->name);
}

void Profiles::Add(const com::DispatchCall& call) {
  profiles::Profile profile;
  profile.name = call.Text(0);
  const HRESULT hr = profiles::Create(profile);
  if (hr == MAPI_E_COLLISION) Raise(u"A profile named \"" + profile.name + u"\" already exists.");
  if (hr == MAPI_E_INVALID_PARAMETER) Raise(u"A profile needs a name.");
  if (FAILED(hr)) Raise(u"The profile \"" + profile.name + u"\" could not be written.");
  ReturnNew<Profile>(call, profile.name);
}

// ---- Profile

std::span<const com::DispatchMember<Profile>> Profile::Members() {
  static const com::DispatchMember<Profile> kMembers[] = {
      {3, u"Delete", DISPATCH_METHOD, 0, 0, &Profile::Delete},
      {5, u"Services", DISPATCH_PROPERTYGET, 0, 0, &Profile::Services},
  };
  return kMembers;
}

void Profile::Delete(const com::DispatchCall&) {
  if (FAILED(profiles::Delete(name_))) Raise(u"The profile \"" + name_ + u"\" does not exist.");
}

void Profile::Services(const com::DispatchCall& call) {
  LoadProfile(name_);
  ReturnNew<profman::Services>(call, name_);
}

// ---- Services

std::span<const com::DispatchMember<Services>> Services::Members() {
  static const com::DispatchMember<Services> kMembers[] = {
      {3, u"Add", DISPATCH_METHOD, 1, 4, &Services::Add},
  };
  return kMembers;
}

void Services::Add(const com::DispatchCall& call) {
  const std::u16string name = call.Text(0);
  if (!SameName(name, kExchangeService)) Raise(u"The service \"" + name + u"\" is not installed.");
  profiles::Profile profile = LoadProfile(profile_);
  profiles::Service service = profiles::ExchangeService(u"", u"");
  if (call.ArgCount() > 1 && !call.IsMissing(1)) service.displayName = call.Text(1);
  service.uid = NewServiceUid();
  profile.services.push_back(service);
  SaveProfile(profile);
  ReturnNew<Service>(call, ServiceRef{profile_, service.uid});
}

// ---- Service

std::span<const com::DispatchMember<Service>> Service::Members() {
  static const com::DispatchMember<Service> kMembers[] = {
      {1, u"Providers", DISPATCH_PROPERTYGET, 0, 0, &Service::Providers},
      {7, u"Configure", DISPATCH_METHOD, 3, 3, &Service::Configure},
  };
  return kMembers;
}

// Resolves the server and the mailbox as the server would before anything
// is written.
void Service::Configure(const com::DispatchCall& call) {
  const ComPtr<IDispatch> bagDispatch = call.Dispatch(2);
  ComPtr<IBagValues> bag;
  if (!bagDispatch || FAILED(bagDispatch.As(&bag))) throw com::DispatchFailure{E_INVALIDARG};
  const std::u16string server = BagText(*bag, PR_PROFILE_UNRESOLVED_SERVER);
  const std::u16string mailbox = BagText(*bag, PR_PROFILE_UNRESOLVED_NAME);
  com::Variant flags;
  bag->Value(PR_PROFILE_CONFIG_FLAGS, &flags);
  if (server.empty()) Raise(u"The service has no server name.");
  CheckServerName(server);
  if (!mapi::exchange::ServerExists(server)) Raise(u"The server \"" + server + u"\" could not be reached.");
  if (!mapi::exchange::FindMailbox(server, mailbox))
    Raise(u"The name \"" + mailbox + u"\" could not be resolved on the server \"" + server + u"\".");
  const LONG configFlags = flags.vt == VT_EMPTY ? 0 : LongOf(flags);
  ChangeService(ref_, [&](profiles::Service& s) {
    s.server = server;
    s.mailbox = mailbox;
    s.configFlags = configFlags;
  });
}

void Service::Providers(const com::DispatchCall& call) {
  LoadService(ref_);
  ReturnNew<profman::Providers>(call, ref_);
}

// ---- Providers, Provider

std::span<const com::DispatchMember<Providers>> Providers::Members() {
  static const com::DispatchMember<Providers> kMembers[] = {
      {1, u"Count", DISPATCH_PROPERTYGET, 0, 0, &Providers::Count},
      {2, u"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, 1, 1, &Providers::Item},
  };
  return kMembers;
}

void Providers::Count(const com::DispatchCall& call) {
  LoadService(ref_);
  call.ReturnLong(kExchangeProviders);
}

void Providers::Item(const com::DispatchCall& call) {
  const LONG index = call.Long(0);
  LoadService(ref_);
  if (index < 1 || index > kExchangeProviders)
    Raise(u"There is no provider " + win32::Utf8ToUtf16(std::to_string(index)) + u".");
  ReturnNew<Provider>(call, ref_);
}

std::span<const com::DispatchMember<Provider>> Provider::Members() {
  static const com::DispatchMember<Provider> kMembers[] = {
      {7, u"ProfileSection", DISPATCH_PROPERTYGET, 0, 0, &Provider::ProfileSection},
  };
  return kMembers;
}

void Provider::ProfileSection(const com::DispatchCall& call) {
  LoadService(ref_);
  ReturnNew<profman::ProfileSection>(call, ref_);
}

// ---- ProfileSection

std::span<const com::DispatchMember<ProfileSection>> ProfileSection::Members() {
  static const com::DispatchMember<ProfileSection> kMembers[] = {
      {5, u"Item", DISPATCH_PROPERTYPUT, 1, 1, &ProfileSection::Item},
  };
  return kMembers;
}

void ProfileSection::Item(const com::DispatchCall& call) {
  const ULONG tag = static_cast<ULONG>(call.Long(0));
  const VARIANT& value = call.PutValue();
  switch (tag) {
    case PR_PROFILE_UNRESOLVED_SERVER: {
      const std::u16string server = TextOf(value);
      CheckServerName(server);
      ChangeService(ref_, [&](profiles::Service& s) { s.server = server; });
      return;
    }
    case PR_PROFILE_UNRESOLVED_NAME: {
      const std::u16string mailbox = TextOf(value);
      ChangeService(ref_, [&](profiles::Service& s) { s.mailbox = mailbox; });
      return;
    }
    case PR_PROFILE_CONFIG_FLAGS: {
      const LONG flags = LongOf(value);
      ChangeService(ref_, [&](profiles::Service& s) { s.configFlags = flags; });
      return;
    }
    default: {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(tag));
      Raise(u"The property " + win32::Utf8ToUtf16(hex) + u" cannot be set in a profile section.");
    }
  }
}

}  // namespace profman
