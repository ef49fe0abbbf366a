// Store openers: the primary Exchange store of a session, another user's
// Exchange mailbox, and the Exchange helpers behind them.
#pragma once
#include "mapi/interfaces.h"

// The value of PR_MDB_PROVIDER that marks the Exchange private store.
extern const BYTE pbExchangeProviderPrimaryUserGuid[16];

// "/cn=Configuration/cn=Servers/cn=<server>/cn=Microsoft Private MDB" in a
// MAPI buffer that the caller frees with MAPIFreeBuffer.
HRESULT BuildServerDN(LPCWSTR szServerName, LPWSTR* lpszServerDN);
// The mailbox (or, without a mailbox DN, the public store) of the server
// through IExchangeManageStore of lpMDB.
HRESULT HrMailboxLogon(IMAPISession* lpMAPISession, LPMDB lpMDB, LPCWSTR lpszMsgStoreDN, LPCWSTR lpszMailboxDN,
                       LPMDB* lppMailboxMDB);
// Another user's mailbox on szServerName; a null or empty server name: S_OK
// and no store.
HRESULT OpenOtherUsersMailbox(IMAPISession* lpMAPISession, LPMDB lpMDB, LPCWSTR szServerName, LPCWSTR szMailboxDN,
                              ULONG ulFlags, LPMDB* lppOtherUserMDB);
// Opens the session's Exchange private store for writing. TRUE when it
// failed, FALSE when a store was opened.
BOOL OpenMessageStoreGUID(IMAPISession* lpMAPISession, LPMDB* lppMDB);
BOOL SupportsExchangeManageStore(LPMDB lpMDB);
