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

// "/cn=Configuration/cn=Servers/cn=" + server, and the private MDB name.
std::u16string ServerDn(std::u16string_view server);
std::u16string PrivateMdbDn(std::u16string_view server);
std::u16string MailboxDn(std::u16string_view alias);

// Adds (or replaces) a mailbox; copies the PST file into the server folder.
HRESULT AddMailbox(std::u16string_view server, const std::u16string& alias, const std::u16string& displayName,
                   const std::u16string& pstFile, const std::vector<std::u16string>& denied);
std::vector<Mailbox> Mailboxes(std::u16string_view server);
bool ServerExists(std::u16string_view server);
// A mailbox by alias, display name or distinguished name (case-insensitive).
std::optional<Mailbox> FindMailbox(std::u16string_view server, std::u16string_view who);

}  // namespace mapi::exchange
