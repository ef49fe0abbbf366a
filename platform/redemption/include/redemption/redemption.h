// The Redemption automation server: a session that logs on to a MAPI
// profile of the machine and adds PST stores to it, called late-bound by
// DISPID. It is an in-process COM server ("brackenford_redemption.so") that
// `brackenford machine init` registers under the ProgID below.
//
// Objects and members (arguments in order; get = property get, put =
// property put):
//   RDOSession   4 Logon(profile name, password, show dialog, new session,
//                  I4 parent window, no mailbox): only the name is read; a
//                  profile that does not exist, or a session already logged
//                  on, raises an exception
//                0x6002002B put ParentWindow = I4
//                2 get LoggedOn: BOOL
//                6 get Stores (logged on only)
//                18 Logoff
//   Stores       5 Add(BSTR path, VARIANT format, VARIANT display name): the
//                  PST file is opened through the PST provider first, then
//                  added to the logged-on profile by its absolute path, named
//                  by the display name (else after the file); a file already
//                  in the profile is refused
//   Store        6 Close: lets go of the opened file
// A failure raises an automation exception whose text is a summary line,
// then "\r\nError: " and what went wrong, then "\r\nComponent: " and the
// part that failed, within its first 511 characters.
#pragma once

#include "win32/guid.h"

namespace redemption {

inline constexpr CLSID CLSID_RDOSession = win32::GuidLiteral("B11EDE0E-8E78-4EAD-B373-35423E11849E");
inline constexpr char16_t kSessionProgId[] = u"Redemption.RDOSession";
// The server's file in the build's lib/ folder.
inline constexpr char kLibrary[] = "brackenford_redemption.so";

}  // namespace redemption
