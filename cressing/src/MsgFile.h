// Outlook message files: a MAPI message kept in an OLE compound file of the
// class CLSID_MailMessage, always in Unicode form.
#pragma once

#include "mapi/interfaces.h"

// Writes the message, with its recipients and attachments, into a new file
// of that name (an existing one is replaced). Left out: PR_ACCESS and the
// RTF synchronisation values, and PR_BODY_W when the message has an RTF body
// that holds it. E_INVALIDARG for a null message or name; on failure the
// status of the first failing call.
HRESULT SaveToMSG(LPMESSAGE lpMessage, LPCWSTR szFileName);

// Creates the compound file and an empty message on it; both outputs carry
// a reference of their own. E_INVALIDARG for a null output; MAPI_E_CALL_FAILED
// when MAPI has no allocator to give, E_FAIL when the message-on-storage
// entry point cannot be bound.
HRESULT CreateNewMSG(LPCWSTR szFileName, LPMESSAGE* lppMessage, LPSTORAGE* lppStorage);
