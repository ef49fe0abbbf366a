// Installs the MAPI libraries into a machine root: "mapi32.dll" into
// system/, and the mail-client registry keys that lead to the installed
// MAPI library through FGetComponentPath. Called by `brackenford machine init`.
#pragma once

#include <filesystem>
#include <string>

namespace mapi {

// The component id written as MSIComponentID of the default mail client.
inline constexpr const char* kMapiComponentId = "{6F2C4B1E-3A5D-4C8E-9B71-2D4E5F60A1B2}";

// lib is the build's lib/ folder holding the two shared objects. Returns
// false with a message in error on failure.
bool InstallMapi(const std::filesystem::path& lib, std::string* error);

}  // namespace mapi
