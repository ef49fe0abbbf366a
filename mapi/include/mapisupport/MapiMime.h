// Saving a message as an RFC 822 / MIME file through MAPI's MIME converter.
#pragma once
#include "mapi/interfaces.h"

// Converts lpMessage with the converter's MAPIToMIMEStm and writes the
// result to szFileName, replacing the file. A converter that throws gives
// S_FALSE; no registered converter gives S_OK and writes no file. The
// caller keeps the message.
HRESULT SaveMessageToEml(LPMESSAGE lpMessage, LPCWSTR szFileName, ULONG ulConvertFlags);
