// The simulated Exchange servers of the machine: exchange/<server>/ holds
// mailboxes.json (display name, alias, distinguished name, denied users)
// and each mailbox's content as a PST file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mapi/mapidefs.h"

namespace mapi::exchange {

struct Mailbox {
  std::u16string alias;
  std::u16string displayName;
  std::u16string dn;       // "/o=Brackenford/ou=Exchange/cn=Recipients/cn=<alias>"
  std::u16string pstPath;  // inside the server's folder
  std::vector<std::u16string> denied;  // users refused access
};

// A server name or alias is one folder or file name in the machine root:
// not empty, not "." or "..", without '/', '\\' or control characters.
bool IsPlainName(std::u16string_view name);

// "/cn=Configuration/cn=Servers/cn=" + server, and the private MDB name.
std::u16string ServerDn(std::u16string_view server);
std::u16string PrivateMdbDn(std::u16string_view server);
std::u16string MailboxDn(std::u16string_view alias);

// Adds (or replaces) a mailbox; copies the PST file into the server folder.
// MAPI_E_INVALID_PARAMETER for a server or alias that is not a plain name,
// MAPI_E_NOT_FOUND when the file cannot be copied, MAPI_E_CORRUPT_DATA when
// the server's mailbox list is damaged (left as it is; the file and what is
// wrong in *error).
HRESULT AddMailbox(std::u16string_view server, const std::u16string& alias, const std::u16string& displayName,
                   const std::u16string& pstFile, const std::vector<std::u16string>& denied,
                   std::string* error = nullptr);
// The server's mailboxes (none when it has no list): S_OK,
// MAPI_E_INVALID_PARAMETER for a server that is not a plain name,
// MAPI_E_CORRUPT_DATA for a damaged list (the file and what is wrong in
// *error).
HRESULT ReadMailboxes(std::u16string_view server, std::vector<Mailbox>* mailboxes, std::string* error = nullptr);
// ReadMailboxes, and FindMailbox below, count a damaged list as none, and
// report it on standard error.
std::vector<Mailbox> Mailboxes(std::u16string_view server);
bool ServerExists(std::u16string_view server);
// A mailbox by alias, display name or distinguished name (case-insensitive).
std::optional<Mailbox> FindMailbox(std::u16string_view server, std::u16string_view who);

}  // namespace mapi::exchange
