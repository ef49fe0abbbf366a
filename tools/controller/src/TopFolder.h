// What the exports cannot reach: items stored in the top of a store's
// folders (the IPM subtree's own folder), as the folder walks list only the
// folders below it. Read through the MAPI library on the run's own profile.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "controller/Migration.h"

namespace controller {

// The items of the top folder of every store of the profile, in the order
// of its stores table, `store` holding the store's display name; stores
// with an empty top are left out. Nothing (and why, in *error) when the
// profile's stores cannot be read.
std::optional<std::vector<TopFolderItems>> ReadTopFolders(const std::u16string& profile, std::string* error);

}  // namespace controller
