// Installs the MAPI libraries into the machine root: "mapi32.dll" into
// system/ (a link to the build's, so that both libraries share one installed
// library in a process), and the registry keys that lead to the installed
// MAPI library: the default mail client under HKLM\Software\Clients\Mail with
// MSIComponentID, MSIApplicationLCID and MSIOfficeLCID, and the component's
// path under kComponentsKey, which mapi32.dll's FGetComponentPath reads.
// Called by `brackenford machine init`.
#pragma once

#include <string>

namespace mapi {

inline constexpr const char16_t* kMailClientsKey = u"Software\\Clients\\Mail";
inline constexpr const char16_t* kMailClientName = u"Brackenford Mail";
inline constexpr const char16_t* kComponentsKey = u"Software\\Brackenford\\Installer\\Components";
inline constexpr const char16_t* kMapiComponentId = u"{6F2C4B1E-3A5D-4C8E-9B71-2D4E5F60A1B2}";

// False with a message in error on failure.
bool InstallMapi(std::string* error);

}  // namespace mapi
