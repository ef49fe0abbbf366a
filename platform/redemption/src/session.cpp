#include "session.h"

#include "mapi/profiles.h"

namespace redemption {
namespace {

constexpr char16_t kLogonFailed[] = u"Could not log on.";

}  // namespace

void Raise(std::u16string_view summary, std::u16string_view error, std::u16string_view component) {
  std::u16string text(summary);
  text.append(u"\r\nError: ").append(error).append(u"\r\nComponent: ").append(component);
  throw com::DispatchError{std::move(text), E_FAIL, u"Redemption"};
}

std::span<const com::DispatchMember<RDOSession>> RDOSession::Members() {
  static const com::DispatchMember<RDOSession> kMembers[] = {
      {2, u"LoggedOn", DISPATCH_PROPERTYGET, 0, 0, &RDOSession::LoggedOn},
      {4, u"Logon", DISPATCH_METHOD, 1, 6, &RDOSession::Logon},
      {6, u"Stores", DISPATCH_PROPERTYGET, 0, 0, &RDOSession::Stores},
      {18, u"Logoff", DISPATCH_METHOD, 0, 0, &RDOSession::Logoff},
      {0x6002002B, u"ParentWindow", DISPATCH_PROPERTYPUT, 0, 0, &RDOSession::ParentWindow},
  };
  return kMembers;
}

void RDOSession::Logon(const com::DispatchCall& call) {
  const std::u16string name = call.Text(0);
  if (state_->loggedOn) Raise(kLogonFailed, u"The session is already logged on.", u"Redemption");
  const auto profile = mapi::profiles::Find(name);
  if (!profile) Raise(kLogonFailed, u"The profile \"" + name + u"\" was not found.", u"MAPI");
  state_->loggedOn = true;
  state_->profile = profile->name;
  if (call.ArgCount() > 4 && !call.IsMissing(4)) state_->parentWindow = call.Long(4);
}

void RDOSession::ParentWindow(const com::DispatchCall& call) {
  VARIANT value;
  VariantInit(&value);
  if (HRESULT hr = VariantChangeType(&value, &call.PutValue(), 0, VT_I4); FAILED(hr)) throw com::DispatchFailure{hr};
  state_->parentWindow = value.lVal;
}

void RDOSession::LoggedOn(const com::DispatchCall& call) { call.ReturnBool(state_->loggedOn); }

void RDOSession::Stores(const com::DispatchCall& call) {
  if (!state_->loggedOn) Raise(u"Could not open the stores.", u"The session is not logged on.", u"Redemption");
  call.ReturnDispatch(com::Make<redemption::Stores>(state_).Get());
}

void RDOSession::Logoff(const com::DispatchCall&) {
  state_->loggedOn = false;
  state_->profile.clear();
}

std::span<const com::DispatchMember<Store>> Store::Members() {
  static const com::DispatchMember<Store> kMembers[] = {
      {6, u"Close", DISPATCH_METHOD, 0, 0, &Store::Close},
  };
  return kMembers;
}

void Store::Close(const com::DispatchCall&) { store_.Reset(); }

}  // namespace redemption
