// The ProfMan automation server: MAPI profiles of the machine and their
// message services, called late-bound by DISPID. It is an in-process COM
// server ("brackenford_profman.so") that `brackenford machine init`
// registers under the two ProgIDs below.
//
// Objects and members (arguments in order; get = property get, put =
// property put):
//   Profiles     1 get Count: I4, the machine's profiles
//                2 get Item(VARIANT name): the profile, or no object
//                3 Add(BSTR name, BOOL, BOOL, I4 parent window): a new
//                  profile with no services; a name in use is refused
//   Profile      3 Delete
//                5 get Services
//   Services     3 Add(BSTR "MSEMS", BSTR display name, BOOL, I4 parent):
//                  an Exchange service (no other service is installed)
//   Service      7 Configure(I4 flags, I4 parent, IDispatch property bag)
//                1 get Providers
//   Providers    1 get Count; 2 get Item(I4 index from 1)
//   Provider     7 get ProfileSection
//   Section      5 put Item(I4 property tag) = VARIANT value
//   PropertyBag  3 Add(I4 property tag, VARIANT value)
// Failures raise automation exceptions with a text that says what failed.
//
// The Exchange service's properties are PR_PROFILE_UNRESOLVED_SERVER,
// PR_PROFILE_UNRESOLVED_NAME (the mailbox) and PR_PROFILE_CONFIG_FLAGS.
// Configure resolves the mailbox first: it fails when the machine root has
// no simulated server of that name (exchange/<server>/mailboxes.json) or the
// server has no such mailbox (by alias, display name or distinguished name),
// and then writes nothing. A profile section writes its tags into the
// service without resolving them. A server name holding "/", "\" or ".." is
// refused by both.
#pragma once

#include "win32/guid.h"

namespace profman {

inline constexpr CLSID CLSID_Profiles = win32::GuidLiteral("AEBBDAE9-727D-43D4-A865-194EDAFA2EEE");
inline constexpr CLSID CLSID_PropertyBag = win32::GuidLiteral("BC67136E-CD2C-49B5-8FCD-3FB829F86A2E");
inline constexpr char16_t kProfilesProgId[] = u"ProfMan.Profiles";
inline constexpr char16_t kPropertyBagProgId[] = u"ProfMan.PropertyBag";
// The server's file in the build's lib/ folder.
inline constexpr char kLibrary[] = "brackenford_profman.so";

// The name of the one service that can be added.
inline constexpr char16_t kExchangeService[] = u"MSEMS";
// Providers of an Exchange service, each with a profile section.
inline constexpr long kExchangeProviders = 3;

}  // namespace profman
