// The texts by which Cressing explains a failed MAPI status to the
// controlling program.
#pragma once

#include <string>
#include <string_view>

#include "win32/types.h"

// One known status and its fixed explanation (null: none).
struct MapiErrorExplanation {
  HRESULT status;
  const char16_t* text;
  bool namesUserAndMailbox;  // replaced by the user-and-mailbox text when both are known
};

// The table row of a status, or null for a status outside the table.
const MapiErrorExplanation* FindMapiErrorExplanation(HRESULT status);

// "User "<user>" does not have rights to enumerate "<mailbox>" mailbox."
std::u16string UserMailboxText(std::u16string_view exchangeUser, std::u16string_view mailboxName);

// The first non-empty of: the explanation, the system text (known statuses
// only), the step text, "Unexpected Error".
std::u16string MapiErrorText(HRESULT status, std::u16string_view stepText, std::u16string_view exchangeUser,
                             std::u16string_view mailboxName);
