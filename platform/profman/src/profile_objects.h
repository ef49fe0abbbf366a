// ProfMan's objects over the machine's profiles: the collection, a profile,
// its services, an Exchange service, its providers and their profile
// sections. Each object names what it stands for (a profile by name, a
// service by uid) and reads the profile afresh at every call.
#pragma once

#include <span>
#include <string>

#include "com/dispatch.h"

namespace profman {

class Profiles final : public com::DispatchObject<Profiles> {
 public:
  static std::span<const com::DispatchMember<Profiles>> Members();

 private:
  void Count(const com::DispatchCall& call);
  void Item(const com::DispatchCall& call);
  void Add(const com::DispatchCall& call);
};

class Profile final : public com::DispatchObject<Profile> {
 public:
  explicit Profile(std::u16string name) : name_(std::move(name)) {}
  static std::span<const com::DispatchMember<Profile>> Members();

 private:
  void Delete(const com::DispatchCall& call);
  void Services(const com::DispatchCall& call);

  std::u16string name_;
};

class Services final : public com::DispatchObject<Services> {
 public:
  explicit Services(std::u16string profile) : profile_(std::move(profile)) {}
  static std::span<const com::DispatchMember<Services>> Members();

 private:
  void Add(const com::DispatchCall& call);

  std::u16string profile_;
};

// One message service of a profile.
struct ServiceRef {
  std::u16string profile;
  std::string uid;
};

class Service final : public com::DispatchObject<Service> {
 public:
  explicit Service(ServiceRef ref) : ref_(std::move(ref)) {}
  static std::span<const com::DispatchMember<Service>> Members();

 private:
  void Configure(const com::DispatchCall& call);
  void Providers(const com::DispatchCall& call);

  ServiceRef ref_;
};

class Providers final : public com::DispatchObject<Providers> {
 public:
  explicit Providers(ServiceRef ref) : ref_(std::move(ref)) {}
  static std::span<const com::DispatchMember<Providers>> Members();

 private:
  void Count(const com::DispatchCall& call);
  void Item(const com::DispatchCall& call);

  ServiceRef ref_;
};

class Provider final : public com::DispatchObject<Provider> {
 public:
  explicit Provider(ServiceRef ref) : ref_(std::move(ref)) {}
  static std::span<const com::DispatchMember<Provider>> Members();

 private:
  void ProfileSection(const com::DispatchCall& call);

  ServiceRef ref_;
};

// A provider's profile section: its tags are the service's properties.
class ProfileSection final : public com::DispatchObject<ProfileSection> {
 public:
  explicit ProfileSection(ServiceRef ref) : ref_(std::move(ref)) {}
  static std::span<const com::DispatchMember<ProfileSection>> Members();

 private:
  void Item(const com::DispatchCall& call);

  ServiceRef ref_;
};

}  // namespace profman
