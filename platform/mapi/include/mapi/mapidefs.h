// MAPI data types and flags: property values, tag arrays, rows, names,
// entry ids, and the flags the engines and providers pass.
#pragma once

#include "mapi/mapitags.h"
#include "win32/types.h"

// Variable-length MAPI arrays are declared with one element; allocate them
// with the Cb* size helpers below.
#define MAPI_DIM 1

using LPCIID = const IID*;

union CURRENCY {
  struct {
    ULONG Lo;
    LONG Hi;
  } s;
  LONGLONG int64;
};
using CY = CURRENCY;

struct SBinary {
  ULONG cb;
  LPBYTE lpb;
};
using LPSBinary = SBinary*;

struct SShortArray {
  ULONG cValues;
  SHORT* lpi;
};
struct SLongArray {
  ULONG cValues;
  LONG* lpl;
};
struct SRealArray {
  ULONG cValues;
  float* lpflt;
};
struct SDoubleArray {
  ULONG cValues;
  double* lpdbl;
};
struct SCurrencyArray {
  ULONG cValues;
  CURRENCY* lpcur;
};
struct SAppTimeArray {
  ULONG cValues;
  double* lpat;
};
struct SDateTimeArray {
  ULONG cValues;
  FILETIME* lpft;
};
struct SBinaryArray {
  ULONG cValues;
  SBinary* lpbin;
};
struct SLPSTRArray {
  ULONG cValues;
  LPSTR* lppszA;
};
struct SWStringArray {
  ULONG cValues;
  LPWSTR* lppszW;
};
struct SGuidArray {
  ULONG cValues;
  GUID* lpguid;
};
struct SLargeIntegerArray {
  ULONG cValues;
  LARGE_INTEGER* lpli;
};

union _PV {
  SHORT i;
  LONG l;
  ULONG ul;
  float flt;
  double dbl;
  USHORT b;  // PT_BOOLEAN
  CURRENCY cur;
  double at;
  FILETIME ft;
  LPSTR lpszA;
  SBinary bin;
  LPWSTR lpszW;
  LPGUID lpguid;
  LARGE_INTEGER li;
  SShortArray MVi;
  SLongArray MVl;
  SRealArray MVflt;
  SDoubleArray MVdbl;
  SCurrencyArray MVcur;
  SAppTimeArray MVat;
  SDateTimeArray MVft;
  SBinaryArray MVbin;
  SLPSTRArray MVszA;
  SWStringArray MVszW;
  SGuidArray MVguid;
  SLargeIntegerArray MVli;
  SCODE err;  // PT_ERROR
  LONG x;     // PT_NULL, PT_OBJECT
};

struct SPropValue {
  ULONG ulPropTag;
  ULONG dwAlignPad;
  union _PV Value;
};
using LPSPropValue = SPropValue*;

struct SPropTagArray {
  ULONG cValues;
  ULONG aulPropTag[MAPI_DIM];
};
using LPSPropTagArray = SPropTagArray*;
constexpr size_t CbNewSPropTagArray(ULONG n) { return offsetof(SPropTagArray, aulPropTag) + sizeof(ULONG) * n; }

// A tag array of fixed size in automatic or static storage:
//   SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_MDB_PROVIDER}};
#define SizedSPropTagArray(n, name) \
  struct _SPropTagArray_##name {    \
    ULONG cValues;                  \
    ULONG aulPropTag[n];            \
  } name

struct SPropProblem {
  ULONG ulIndex;
  ULONG ulPropTag;
  SCODE scode;
};
struct SPropProblemArray {
  ULONG cProblem;
  SPropProblem aProblem[MAPI_DIM];
};
using LPSPropProblemArray = SPropProblemArray*;

struct SRow {
  ULONG ulAdrEntryPad;
  ULONG cValues;
  LPSPropValue lpProps;
};
using LPSRow = SRow*;

struct SRowSet {
  ULONG cRows;
  SRow aRow[MAPI_DIM];
};
using LPSRowSet = SRowSet*;
constexpr size_t CbNewSRowSet(ULONG n) { return offsetof(SRowSet, aRow) + sizeof(SRow) * n; }

// Address lists have the layout of row sets.
struct ADRENTRY {
  ULONG ulReserved1;
  ULONG cValues;
  LPSPropValue rgPropVals;
};
struct ADRLIST {
  ULONG cEntries;
  ADRENTRY aEntries[MAPI_DIM];
};
using LPADRLIST = ADRLIST*;

struct ENTRYID {
  BYTE abFlags[4];
  BYTE ab[MAPI_DIM];
};
using LPENTRYID = ENTRYID*;
constexpr size_t CbNewENTRYID(ULONG cb) { return offsetof(ENTRYID, ab) + cb; }

struct ENTRYLIST {
  ULONG cValues;
  SBinary* lpbin;
};
using LPENTRYLIST = ENTRYLIST*;

struct MAPIUID {
  BYTE ab[16];
};
using LPMAPIUID = MAPIUID*;

constexpr ULONG MNID_ID = 0;
constexpr ULONG MNID_STRING = 1;
struct MAPINAMEID {
  LPGUID lpguid;
  ULONG ulKind;
  union {
    LONG lID;
    LPWSTR lpwstrName;
  } Kind;
};
using LPMAPINAMEID = MAPINAMEID*;

struct MAPIERROR {
  ULONG ulVersion;
  LPWSTR lpszError;
  LPWSTR lpszComponent;
  ULONG ulLowLevelError;
  ULONG ulContext;
};
using LPMAPIERROR = MAPIERROR*;

struct MAPIINIT_0 {
  ULONG ulVersion;
  ULONG ulFlags;
};
constexpr ULONG MAPI_INIT_VERSION = 0;
constexpr ULONG MAPI_MULTITHREAD_NOTIFICATIONS = 0x00000001;

// Restrictions and sort orders: providers here accept only none.
struct SRestriction;
using LPSRestriction = SRestriction*;
struct SSortOrder {
  ULONG ulPropTag;
  ULONG ulOrder;
};
struct SSortOrderSet {
  ULONG cSorts;
  ULONG cCategories;
  ULONG cExpanded;
  SSortOrder aSort[MAPI_DIM];
};
using LPSSortOrderSet = SSortOrderSet*;

struct NOTIFICATION;
using LPNOTIFICATION = NOTIFICATION*;

using BOOKMARK = ULONG_PTR;
constexpr BOOKMARK BOOKMARK_BEGINNING = 0;
constexpr BOOKMARK BOOKMARK_CURRENT = 1;
constexpr BOOKMARK BOOKMARK_END = 2;

// Common call flags.
constexpr ULONG MAPI_UNICODE = 0x80000000;
constexpr ULONG MAPI_MODIFY = 0x00000001;
constexpr ULONG MAPI_CREATE = 0x00000002;
constexpr ULONG MAPI_ACCESS_MODIFY = 0x00000001;
constexpr ULONG MAPI_DEFERRED_ERRORS = 0x00000008;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG MAPI_NO_STRINGS = 0x00000001;
constexpr ULONG MAPI_NO_IDS = 0x00000002;
constexpr ULONG MAPI_ASSOCIATED = 0x00000040;
constexpr ULONG SHOW_SOFT_DELETES = 0x00000002;
constexpr ULONG MAPI_DIALOG = 0x00000008;
constexpr ULONG MAPI_MOVE = 0x00000001;
constexpr ULONG MAPI_NOREPLACE = 0x00000002;
constexpr ULONG MAPI_DECLINE_OK = 0x00000004;
constexpr ULONG KEEP_OPEN_READONLY = 0x00000001;
constexpr ULONG KEEP_OPEN_READWRITE = 0x00000002;
constexpr ULONG FORCE_SAVE = 0x00000004;
constexpr ULONG CONVENIENT_DEPTH = 0x00000001;

// Logon and logoff.
constexpr ULONG MAPI_LOGON_UI = 0x00000001;
constexpr ULONG MAPI_NEW_SESSION = 0x00000002;
constexpr ULONG MAPI_ALLOW_OTHERS = 0x00000008;
constexpr ULONG MAPI_EXPLICIT_PROFILE = 0x00000010;
constexpr ULONG MAPI_EXTENDED = 0x00000020;
constexpr ULONG MAPI_FORCE_DOWNLOAD = 0x00001000;
constexpr ULONG MAPI_SERVICE_UI_ALWAYS = 0x00002000;
constexpr ULONG MAPI_NO_MAIL = 0x00008000;
constexpr ULONG MAPI_NT_SERVICE = 0x00010000;
constexpr ULONG MAPI_PASSWORD_UI = 0x00020000;
constexpr ULONG MAPI_TIMEOUT_SHORT = 0x00100000;
constexpr ULONG MAPI_USE_DEFAULT = 0x00000040;
constexpr ULONG MAPI_LOGOFF_SHARED = 0x00000001;
constexpr ULONG MAPI_LOGOFF_UI = 0x00000002;

// Opening stores.
constexpr ULONG MDB_NO_DIALOG = 0x00000001;
constexpr ULONG MDB_WRITE = 0x00000004;
constexpr ULONG MDB_TEMPORARY = 0x00000020;
constexpr ULONG MDB_NO_MAIL = 0x00000080;
constexpr ULONG MDB_ONLINE = 0x00000100;
constexpr ULONG OPENSTORE_USE_ADMIN_PRIVILEGE = 0x00000001;
constexpr ULONG OPENSTORE_PUBLIC = 0x00000002;
constexpr ULONG OPENSTORE_HOME_LOGON = 0x00000004;
constexpr ULONG OPENSTORE_TAKE_OWNERSHIP = 0x00000008;
constexpr ULONG OPENSTORE_OVERRIDE_HOME_MDB = 0x00000010;

// Tables.
constexpr ULONG TBL_ASYNC = 0x00000001;
constexpr ULONG TBL_BATCH = 0x00000002;
constexpr ULONG TBL_NOADVANCE = 0x00000001;
constexpr ULONG TBL_ALL_COLUMNS = 0x00000001;
constexpr ULONG TBLSTAT_COMPLETE = 0;
constexpr ULONG TBLTYPE_SNAPSHOT = 0;
constexpr ULONG TBLTYPE_KEYSET = 1;
constexpr ULONG TBLTYPE_DYNAMIC = 2;

// Object types (PR_OBJECT_TYPE and OpenEntry's out type).
constexpr ULONG MAPI_STORE = 0x00000001;
constexpr ULONG MAPI_ADDRBOOK = 0x00000002;
constexpr ULONG MAPI_FOLDER = 0x00000003;
constexpr ULONG MAPI_ABCONT = 0x00000004;
constexpr ULONG MAPI_MESSAGE = 0x00000005;
constexpr ULONG MAPI_MAILUSER = 0x00000006;
constexpr ULONG MAPI_ATTACH = 0x00000007;
constexpr ULONG MAPI_DISTLIST = 0x00000008;
constexpr ULONG MAPI_PROFSECT = 0x00000009;
constexpr ULONG MAPI_STATUS = 0x0000000A;
constexpr ULONG MAPI_SESSION = 0x0000000B;
constexpr ULONG MAPI_FORMINFO = 0x0000000C;

// Folder types.
constexpr ULONG FOLDER_ROOT = 0;
constexpr ULONG FOLDER_GENERIC = 1;
constexpr ULONG FOLDER_SEARCH = 2;

// Recipient types.
constexpr ULONG MAPI_ORIG = 0;
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;

// Attachment methods (PR_ATTACH_METHOD).
constexpr ULONG NO_ATTACHMENT = 0;
constexpr ULONG ATTACH_BY_VALUE = 1;
constexpr ULONG ATTACH_BY_REFERENCE = 2;
constexpr ULONG ATTACH_BY_REF_RESOLVE = 3;
constexpr ULONG ATTACH_BY_REF_ONLY = 4;
constexpr ULONG ATTACH_EMBEDDED_MSG = 5;
constexpr ULONG ATTACH_OLE = 6;

// Message flags (PR_MESSAGE_FLAGS).
constexpr ULONG MSGFLAG_READ = 0x00000001;
constexpr ULONG MSGFLAG_UNMODIFIED = 0x00000002;
constexpr ULONG MSGFLAG_SUBMIT = 0x00000004;
constexpr ULONG MSGFLAG_UNSENT = 0x00000008;
constexpr ULONG MSGFLAG_HASATTACH = 0x00000010;
constexpr ULONG MSGFLAG_FROMME = 0x00000020;
constexpr ULONG MSGFLAG_ASSOCIATED = 0x00000040;

// Display types of address-book objects (PR_DISPLAY_TYPE).
constexpr ULONG DT_MAILUSER = 0x00000000;
constexpr ULONG DT_DISTLIST = 0x00000001;
constexpr ULONG DT_FORUM = 0x00000002;
constexpr ULONG DT_AGENT = 0x00000003;
constexpr ULONG DT_ORGANIZATION = 0x00000004;
constexpr ULONG DT_PRIVATE_DISTLIST = 0x00000005;
constexpr ULONG DT_REMOTE_MAILUSER = 0x00000006;

// Store capabilities (PR_STORE_SUPPORT_MASK).
constexpr ULONG STORE_UNICODE_OK = 0x00040000;

// Recipient changes (IMessage::ModifyRecipients); 0 replaces every row.
constexpr ULONG MODRECIP_ADD = 0x00000002;
constexpr ULONG MODRECIP_MODIFY = 0x00000004;
constexpr ULONG MODRECIP_REMOVE = 0x00000008;

// Resource types of status and stores-table rows (PR_RESOURCE_TYPE).
constexpr ULONG MAPI_STORE_PROVIDER = 33;
constexpr ULONG MAPI_AB_PROVIDER = 34;

// Store resource flags (PR_RESOURCE_FLAGS) of the stores table.
constexpr ULONG STATUS_DEFAULT_STORE = 0x00000004;
constexpr ULONG STATUS_PRIMARY_STORE = 0x00001000;
constexpr ULONG STATUS_SECONDARY_STORE = 0x00002000;
