#include "MapiErrorText.h"

#include <iterator>

#include "mapi/mapicode.h"
#include "win32/message.h"

namespace {

const MapiErrorExplanation kExplanations[] = {
    {MAPI_E_CALL_FAILED, u"It is probable that the sending limit property has been set on the mailbox \r\nand there are enough messages in the mailbox to meet the limit criteria.", false},
    {MAPI_E_NOT_ENOUGH_MEMORY, u"Not enough memory was available to complete the operation.", false},
    {MAPI_E_INVALID_PARAMETER, u"One or more of the parameters passed into the method or functions were not valid.", false},
    {MAPI_E_INTERFACE_NOT_SUPPORTED, u"The interface identified by the lpInterface parameter is not supported by the destination object.", false},
    {MAPI_E_NO_ACCESS, u"An attempt was made to access an object for which the caller has insufficient permissions. \r\nThis error is returned if the destination object is the same as the source object.", false},
    {MAPI_E_NO_SUPPORT, u"One or more elements of the Windows Messaging Subsystem installed on the computer are out of date.", false},
    {MAPI_E_BAD_CHARWIDTH, u"An incompatibility exists in the character sets supported by the caller and the implementation.", false},
    {MAPI_E_STRING_TOO_LONG, u"The length of Mapi string is too long.", false},
    {MAPI_E_UNKNOWN_FLAGS, u"One or more values for a flags parameter were not valid.", false},
    {MAPI_E_INVALID_ENTRYID, u"The entry Id is invalid.", false},
    {MAPI_E_INVALID_OBJECT, u"May fail if system resources are exhausted.", false},
    {MAPI_E_OBJECT_CHANGED, u"The object has changed since it was opened.", false},
    {MAPI_E_OBJECT_DELETED, u"The object has been deleted since it was opened.", false},
    {MAPI_E_BUSY, u"Another operation is in progress; it should be allowed to complete, \r\nor it should be stopped, before this operation should be initiated.", false},
    {MAPI_E_NOT_ENOUGH_DISK, u"Hard disk may be out of space.", false},
    {MAPI_E_NOT_ENOUGH_RESOURCES, u"Not enough system resources were available to complete the operation.", false},
    {MAPI_E_NOT_FOUND, u"You may be trying to use a resource that does not exist. \r\nThis happens when you try to use a server or you try to logon to a mailbox that does not exist.", true},
    {MAPI_E_VERSION, u"The version of OLE installed on the workstation is not compatible with this version of MAPI.", false},
    {MAPI_E_LOGON_FAILED, u"You are trying to access a mailbox or pst file that does not exist or you are using invalid logon information. \r\nOr you have insufficient rights on the Exchange mailbox.", false},
    {MAPI_E_SESSION_LIMIT, u"MAPI sets up context specific to the current process. Failures may occur on Win16 if the \r\nnumber of processes exceeds a certain number, or on any system if available memory is exhausted.", false},
    {MAPI_E_USER_CANCEL, nullptr, false},
    {MAPI_E_UNABLE_TO_ABORT, u"An asynchronous operation is in progress and cannot be stopped or it has already completed.", false},
    {MAPI_E_NETWORK_ERROR, u"There is a problem in network connection. Please check the network connection and try again.", false},
    {MAPI_E_DISK_ERROR, u"There is a problem in network connection. Please check the network connection and try again.", false},
    {MAPI_E_TOO_COMPLEX, u"The keys required by MAPI could not be initialized.", false},
    {MAPI_E_BAD_COLUMN, u"The column requested is not allowed in this type of table.", false},
    {MAPI_E_EXTENDED_ERROR, u"There is a problem in network connection. Please check the network connection and try again.", false},
    {MAPI_E_COMPUTED, u"A property cannot be updated because it is read-only, computed by the server.", false},
    {MAPI_E_CORRUPT_DATA, u"There is an internal inconsistency in a database, or in a complex property value.", false},
    {MAPI_E_UNCONFIGURED, u"Your MAPI Logon has not been configured properly.", false},
    {MAPI_E_FAILONEPROVIDER, u"Access denied due to insufficient permission for selected folder.", true},
    {MAPI_E_UNKNOWN_CPID, u"The server is not configured to support the code page requested by the client.", false},
    {MAPI_E_UNKNOWN_LCID, u"The server is not configured to support the locale requested by the client.", false},
    {MAPI_E_PASSWORD_CHANGE_REQUIRED, u"The Mail server has responded that the users logon password must be changed.", false},
    {MAPI_E_PASSWORD_EXPIRED, u"The Mail server has responded that the users password has expired.", false},
    {MAPI_E_INVALID_WORKSTATION_ACCOUNT, u"The workstation account being used to connect to the mail server is not valid.", false},
    {MAPI_E_INVALID_ACCESS_TIME, u"The users request cannot be processed because of access permissions on the mail server.", false},
    {MAPI_E_ACCOUNT_DISABLED, u"The account being used to connect to the mail server has been disabled. Contact your Exchange Server Administrator.", false},
    {MAPI_E_END_OF_SESSION, u"Indicates that the server session has been destroyed, possibly by a server restart", false},
    {MAPI_E_UNKNOWN_ENTRYID, u"Indicates that the EntryID passed to OpenEntry was created by a different MAPI provider.", false},
    {MAPI_E_MISSING_REQUIRED_COLUMN, u"One of the containers described in the SRowSet structure did not include its PR_ENTRYID property.", false},
    {MAPI_W_NO_SERVICE, u"NO SERVICE AVALIABLE.", false},
    {MAPI_E_BAD_VALUE, u"This issue can occur if the mailbox has a corrupted or unexpected value.", false},
    {MAPI_E_INVALID_TYPE, u"The property type is invalid.", false},
    {MAPI_E_TYPE_NO_SUPPORT, u"Error: MAPI_E_TYPE_NO_SUPPORT", false},
    {MAPI_E_UNEXPECTED_TYPE, u"The property type is not the type expected by the calling implementation.", false},
    {MAPI_E_TOO_BIG, u"The operation cannot be performed because it requires that too many property tags be returned.", false},
    {MAPI_E_DECLINE_COPY, u"The service provider does not implement the copy operation. ", false},
    {MAPI_E_UNEXPECTED_ID, u"Error: MAPI_E_UNEXPECTED_ID", false},
    {MAPI_W_ERRORS_RETURNED, u"The call succeeded overall, but one or more property identifiers could not be returned.", false},
    {MAPI_E_UNABLE_TO_COMPLETE, u"A complex operation such as building a table row set could not be completed.", false},
    {MAPI_E_TIMEOUT, u"MAPI serializes all logons through a mutex. This is returned if the another thread held the mutex.", false},
    {MAPI_E_TABLE_EMPTY, u"A table essential to the operation is empty.", false},
    {MAPI_E_TABLE_TOO_BIG, u"The table is too big for the requested operation to complete.", false},
    {MAPI_E_INVALID_BOOKMARK, u"The bookmark passed to a table operation was not created on the same table.", false},
    {MAPI_W_POSITION_CHANGED, u"The operation succeeded, but the bookmark specified is no longer set at the same row as when it was last used.", false},
    {MAPI_W_APPROX_COUNT, u"The call succeeded, but an approximate row count was returned because the \r\nexact row count could not be determined possibly due to memory constraints.", false},
    {MAPI_E_WAIT, u"A wait timeout has expired.", false},
    {MAPI_E_CANCEL, u"The operation had to be canceled.", false},
    {MAPI_E_NOT_ME, u"The transport provider cannot handle this message. The MAPI spooler should try to find another transport provider for it. \r\nPlease check your Outlook delivery methods.", false},
    {MAPI_W_CANCEL_MESSAGE, u"The MAPI spooler has determined that the message should no longer be sent.", false},
    {MAPI_E_CORRUPT_STORE, u"Error: MAPI_E_CORRUPT_STORE", false},
    {MAPI_E_NOT_IN_QUEUE, u"The message identified by lpEntryID is no longer in the message store's outgoing queue, \r\ntypically because it has already been sent.", false},
    {MAPI_E_NO_SUPPRESS, u"The server does not support the suppression of read receipts.", false},
    {MAPI_E_COLLISION, u"A folder or item cannot be created because one with the same name or other criteria already exists.", false},
    {MAPI_E_NOT_INITIALIZED, u"The MAPI profile provider has encountered an error.", false},
    {MAPI_E_NON_STANDARD, u"Error: MAPI_E_NON_STANDARD", false},
    {MAPI_E_NO_RECIPIENTS, u"A message cannot be sent because it has no recipients.", false},
    {MAPI_E_SUBMITTED, u"A message cannot be opened for modification because it has already been sent.", false},
    {MAPI_E_HAS_FOLDERS, u"A folder cannot be deleted because it still contains subfolders.", false},
    {MAPI_E_HAS_MESSAGES, u"A folder cannot be deleted because it still contains messages.", false},
    {MAPI_E_FOLDER_CYCLE, u"A folder move or copy operation would create a cycle \r\n(typically when the request is to copy a parent folder to one of its subfolders).", false},
    {MAPI_W_PARTIAL_COMPLETION, u"The call succeeded, but the operation was partially performed.", false},
    {MAPI_E_AMBIGUOUS_RECIP, u"An unresolved recipient matches more than one entry in the directory.", false},
};
static_assert(std::size(kExplanations) == 74);

// The system's text for a status; empty when it has none.
std::u16string SystemText(HRESULT status) {
  LPWSTR raw = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                                      static_cast<DWORD>(status), 0, reinterpret_cast<LPWSTR>(&raw), 0, nullptr);
  win32::LocalPtr<WCHAR> owner(raw);
  if (length == 0 || !raw) return {};
  return std::u16string(raw, length);
}

}  // namespace

const MapiErrorExplanation* FindMapiErrorExplanation(HRESULT status) {
  for (const MapiErrorExplanation& row : kExplanations)
    if (static_cast<DWORD>(row.status) == static_cast<DWORD>(status)) return &row;
  return nullptr;
}

std::u16string UserMailboxText(std::u16string_view exchangeUser, std::u16string_view mailboxName) {
  std::u16string text = u"User \"";
  text += exchangeUser;
  text += u"\" does not have rights to enumerate \"";
  text += mailboxName;
  text += u"\" mailbox.";
  return text;
}

std::u16string MapiErrorText(HRESULT status, std::u16string_view stepText, std::u16string_view exchangeUser,
                             std::u16string_view mailboxName) {
  const MapiErrorExplanation* row = FindMapiErrorExplanation(status);
  std::u16string explanation;
  std::u16string systemText;
  if (row) {
    if (row->namesUserAndMailbox && !exchangeUser.empty() && !mailboxName.empty())
      explanation = UserMailboxText(exchangeUser, mailboxName);
    else if (row->text)
      explanation = row->text;
    systemText = SystemText(status);
  }
  if (!explanation.empty()) return explanation;
  if (!systemText.empty()) return systemText;
  if (!stepText.empty()) return std::u16string(stepText);
  return u"Unexpected Error";
}
