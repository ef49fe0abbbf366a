// What ProfMan's objects share: reading and writing a profile of the
// machine, and raising the server's exceptions.
#pragma once

#include <string>
#include <string_view>

#include "mapi/profiles.h"

namespace profman {

// Raises an automation exception with this text.
[[noreturn]] void Raise(std::u16string text);

// The profile, or an exception naming it.
mapi::profiles::Profile LoadProfile(std::u16string_view name);
// Writes the profile back; an exception when it is gone or cannot be written.
void SaveProfile(const mapi::profiles::Profile& profile);
// The service with this uid, or an exception.
mapi::profiles::Service& ServiceOf(mapi::profiles::Profile& profile, const std::string& uid);

// A server name is a plain name: no separator, no "..", no NUL.
bool IsPlainServerName(std::u16string_view server);
// An exception unless it is.
void CheckServerName(std::u16string_view server);

}  // namespace profman
