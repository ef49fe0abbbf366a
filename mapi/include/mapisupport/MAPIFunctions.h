// General MAPI helpers.
#pragma once
#include <cstddef>

#include "mapi/interfaces.h"

// A new[] buffer of 2 x cb + 1 units with the bytes as upper-case hex
// digits, or null for no bytes. The caller frees it with delete[].
void MyHexFromBin(const BYTE* lpb, std::size_t cb, LPWSTR* lpsz);

// IMAPISession::OpenMsgStore of a store entry id; the parent window is not
// passed on (MAPI gets 0). E_INVALIDARG for a null session, id or out store.
HRESULT CallOpenMsgStore(IMAPISession* lpSession, ULONG_PTR ulUIParam, const SBinary* lpEID, ULONG ulFlags,
                         LPMDB* lpMDB);
