// Redemption's objects: the session, its stores collection and a store
// added to it.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "com/dispatch.h"
#include "mapi/interfaces.h"

namespace redemption {

// What the session and its stores collection share.
struct SessionState {
  bool loggedOn = false;
  std::u16string profile;  // the logged-on profile's name
  LONG parentWindow = 0;
};

class RDOSession final : public com::DispatchObject<RDOSession> {
 public:
  static std::span<const com::DispatchMember<RDOSession>> Members();

 private:
  void Logon(const com::DispatchCall& call);
  void ParentWindow(const com::DispatchCall& call);
  void LoggedOn(const com::DispatchCall& call);
  void Stores(const com::DispatchCall& call);
  void Logoff(const com::DispatchCall& call);

  std::shared_ptr<SessionState> state_ = std::make_shared<SessionState>();
};

class Stores final : public com::DispatchObject<Stores> {
 public:
  explicit Stores(std::shared_ptr<SessionState> state) : state_(std::move(state)) {}
  static std::span<const com::DispatchMember<Stores>> Members();

 private:
  void AddPstStore(const com::DispatchCall& call);

  std::shared_ptr<SessionState> state_;
};

class Store final : public com::DispatchObject<Store> {
 public:
  explicit Store(ComPtr<IMsgStore> store) : store_(std::move(store)) {}
  static std::span<const com::DispatchMember<Store>> Members();

 private:
  void Close(const com::DispatchCall& call);

  ComPtr<IMsgStore> store_;
};

// Raises the server's exception: summary, "\r\nError: " error,
// "\r\nComponent: " component.
[[noreturn]] void Raise(std::u16string_view summary, std::u16string_view error, std::u16string_view component);

}  // namespace redemption
