// MAPI profiles of the machine: one JSON file each in the machine root's
// profiles/, written atomically (temporary file and rename), with a lock
// file so that several processes may change them at once. The default
// profile is named in profiles/default.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mapi/mapidefs.h"

namespace mapi::profiles {

enum class ServiceKind { kPst, kExchange };

struct Service {
  ServiceKind kind = ServiceKind::kPst;
  std::string uid;  // 32 hex digits, made at creation: the store's uid (stable entry ids)
  std::u16string displayName;
  // PST
  std::u16string path;
  // Exchange: the profile properties PR_PROFILE_UNRESOLVED_SERVER,
  // PR_PROFILE_UNRESOLVED_NAME and PR_PROFILE_CONFIG_FLAGS.
  std::u16string server;
  std::u16string mailbox;
  LONG configFlags = 0;
};

struct Profile {
  std::u16string name;
  std::u16string user;  // the Windows user the profile logs on as (Exchange rights)
  std::vector<Service> services;
  bool isDefault = false;  // filled by Find and List
};

// Every profile, by name. A damaged profile file is left out; with
// `damaged`, each such file is named there with what is wrong in it.
std::vector<Profile> List(std::vector<std::string>* damaged = nullptr);
// The profile of that name: S_OK; MAPI_E_NOT_FOUND when there is none;
// MAPI_E_CORRUPT_DATA when its file is damaged (a value of the wrong type,
// an Exchange server that is not a plain name), with the file and what is
// wrong in *error.
HRESULT Read(std::u16string_view name, Profile* profile, std::string* error = nullptr);
// Read, without the reason.
std::optional<Profile> Find(std::u16string_view name);
// Creates a profile; a name already in use answers MAPI_E_COLLISION, an
// empty one or an Exchange server that is not a plain name
// (exchange::IsPlainName) MAPI_E_INVALID_PARAMETER. Services without a uid
// get one.
HRESULT Create(Profile profile);
// Replaces an existing profile (MAPI_E_NOT_FOUND when there is none).
HRESULT Change(Profile profile);
HRESULT Delete(std::u16string_view name);
HRESULT SetDefault(std::u16string_view name);
std::optional<std::u16string> DefaultName();

// A PST service for path, named after the file.
Service PstService(std::u16string path, std::u16string displayName = {});
Service ExchangeService(std::u16string server, std::u16string mailbox);

}  // namespace mapi::profiles
