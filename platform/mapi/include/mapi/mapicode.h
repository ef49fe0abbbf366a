// MAPI status codes (interface facility, values as MAPI defines them).
#pragma once

#include "win32/errors.h"

constexpr SCODE MapiError(ULONG code) { return MAKE_SCODE(SEVERITY_ERROR, FACILITY_ITF, code); }
constexpr SCODE MapiWarning(ULONG code) { return MAKE_SCODE(SEVERITY_SUCCESS, FACILITY_ITF, code); }

constexpr SCODE SUCCESS_SUCCESS = 0;

// Statuses shared with COM.
constexpr SCODE MAPI_E_CALL_FAILED = E_FAIL;
constexpr SCODE MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
constexpr SCODE MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
constexpr SCODE MAPI_E_INTERFACE_NOT_SUPPORTED = E_NOINTERFACE;
constexpr SCODE MAPI_E_NO_ACCESS = E_ACCESSDENIED;

constexpr SCODE MAPI_E_NO_SUPPORT = MapiError(0x102);
constexpr SCODE MAPI_E_BAD_CHARWIDTH = MapiError(0x103);
constexpr SCODE MAPI_E_STRING_TOO_LONG = MapiError(0x105);
constexpr SCODE MAPI_E_UNKNOWN_FLAGS = MapiError(0x106);
constexpr SCODE MAPI_E_INVALID_ENTRYID = MapiError(0x107);
constexpr SCODE MAPI_E_INVALID_OBJECT = MapiError(0x108);
constexpr SCODE MAPI_E_OBJECT_CHANGED = MapiError(0x109);
constexpr SCODE MAPI_E_OBJECT_DELETED = MapiError(0x10A);
constexpr SCODE MAPI_E_BUSY = MapiError(0x10B);
constexpr SCODE MAPI_E_NOT_ENOUGH_DISK = MapiError(0x10D);
constexpr SCODE MAPI_E_NOT_ENOUGH_RESOURCES = MapiError(0x10E);
constexpr SCODE MAPI_E_NOT_FOUND = MapiError(0x10F);
constexpr SCODE MAPI_E_VERSION = MapiError(0x110);
constexpr SCODE MAPI_E_LOGON_FAILED = MapiError(0x111);
constexpr SCODE MAPI_E_SESSION_LIMIT = MapiError(0x112);
constexpr SCODE MAPI_E_USER_CANCEL = MapiError(0x113);
constexpr SCODE MAPI_E_UNABLE_TO_ABORT = MapiError(0x114);
constexpr SCODE MAPI_E_NETWORK_ERROR = MapiError(0x115);
constexpr SCODE MAPI_E_DISK_ERROR = MapiError(0x116);
constexpr SCODE MAPI_E_TOO_COMPLEX = MapiError(0x117);
constexpr SCODE MAPI_E_BAD_COLUMN = MapiError(0x118);
constexpr SCODE MAPI_E_EXTENDED_ERROR = MapiError(0x119);
constexpr SCODE MAPI_E_COMPUTED = MapiError(0x11A);
constexpr SCODE MAPI_E_CORRUPT_DATA = MapiError(0x11B);
constexpr SCODE MAPI_E_UNCONFIGURED = MapiError(0x11C);
constexpr SCODE MAPI_E_FAILONEPROVIDER = MapiError(0x11D);
constexpr SCODE MAPI_E_UNKNOWN_CPID = MapiError(0x11E);
constexpr SCODE MAPI_E_UNKNOWN_LCID = MapiError(0x11F);
constexpr SCODE MAPI_E_PASSWORD_CHANGE_REQUIRED = MapiError(0x120);
constexpr SCODE MAPI_E_PASSWORD_EXPIRED = MapiError(0x121);
constexpr SCODE MAPI_E_INVALID_WORKSTATION_ACCOUNT = MapiError(0x122);
constexpr SCODE MAPI_E_INVALID_ACCESS_TIME = MapiError(0x123);
constexpr SCODE MAPI_E_ACCOUNT_DISABLED = MapiError(0x124);
constexpr SCODE MAPI_E_END_OF_SESSION = MapiError(0x200);
constexpr SCODE MAPI_E_UNKNOWN_ENTRYID = MapiError(0x201);
constexpr SCODE MAPI_E_MISSING_REQUIRED_COLUMN = MapiError(0x202);
constexpr SCODE MAPI_W_NO_SERVICE = MapiWarning(0x203);
constexpr SCODE MAPI_E_BAD_VALUE = MapiError(0x301);
constexpr SCODE MAPI_E_INVALID_TYPE = MapiError(0x302);
constexpr SCODE MAPI_E_TYPE_NO_SUPPORT = MapiError(0x303);
constexpr SCODE MAPI_E_UNEXPECTED_TYPE = MapiError(0x304);
constexpr SCODE MAPI_E_TOO_BIG = MapiError(0x305);
constexpr SCODE MAPI_E_DECLINE_COPY = MapiError(0x306);
constexpr SCODE MAPI_E_UNEXPECTED_ID = MapiError(0x307);
constexpr SCODE MAPI_W_ERRORS_RETURNED = MapiWarning(0x380);
constexpr SCODE MAPI_E_UNABLE_TO_COMPLETE = MapiError(0x400);
constexpr SCODE MAPI_E_TIMEOUT = MapiError(0x401);
constexpr SCODE MAPI_E_TABLE_EMPTY = MapiError(0x402);
constexpr SCODE MAPI_E_TABLE_TOO_BIG = MapiError(0x403);
constexpr SCODE MAPI_E_INVALID_BOOKMARK = MapiError(0x405);
constexpr SCODE MAPI_W_POSITION_CHANGED = MapiWarning(0x481);
constexpr SCODE MAPI_W_APPROX_COUNT = MapiWarning(0x482);
constexpr SCODE MAPI_E_WAIT = MapiError(0x500);
constexpr SCODE MAPI_E_CANCEL = MapiError(0x501);
constexpr SCODE MAPI_E_NOT_ME = MapiError(0x502);
constexpr SCODE MAPI_W_CANCEL_MESSAGE = MapiWarning(0x580);
constexpr SCODE MAPI_E_CORRUPT_STORE = MapiError(0x600);
constexpr SCODE MAPI_E_NOT_IN_QUEUE = MapiError(0x601);
constexpr SCODE MAPI_E_NO_SUPPRESS = MapiError(0x602);
constexpr SCODE MAPI_E_COLLISION = MapiError(0x604);
constexpr SCODE MAPI_E_NOT_INITIALIZED = MapiError(0x605);
constexpr SCODE MAPI_E_NON_STANDARD = MapiError(0x606);
constexpr SCODE MAPI_E_NO_RECIPIENTS = MapiError(0x607);
constexpr SCODE MAPI_E_SUBMITTED = MapiError(0x608);
constexpr SCODE MAPI_E_HAS_FOLDERS = MapiError(0x609);
constexpr SCODE MAPI_E_HAS_MESSAGES = MapiError(0x60A);
constexpr SCODE MAPI_E_FOLDER_CYCLE = MapiError(0x60B);
constexpr SCODE MAPI_W_PARTIAL_COMPLETION = MapiWarning(0x680);
constexpr SCODE MAPI_E_AMBIGUOUS_RECIP = MapiError(0x700);
