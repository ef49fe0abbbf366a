// The MAPI interfaces: abstract classes with COM reference counting. Each
// names its identifier as kIid and its base interface as Base, so that
// com::ComObject answers QueryInterface along the chain. mapi/defaults.h
// gives implementations of the calls a read-only provider does not support.
#pragma once

#include "com/storage.h"
#include "com/stream.h"
#include "com/unknown.h"
#include "mapi/mapicode.h"
#include "mapi/mapidefs.h"

struct IMAPIAdviseSink;
struct IMAPIProgress;
struct IMAPITable;
struct IMAPIProp;
struct IMAPIContainer;
struct IMAPIFolder;
struct IMsgStore;
struct IMessage;
struct IAttach;
struct IAddrBook;
struct IProfSect;
struct IProviderAdmin;
struct IMsgServiceAdmin;
using LPMAPIADVISESINK = IMAPIAdviseSink*;
using LPMAPIPROGRESS = IMAPIProgress*;
using LPMAPITABLE = IMAPITable*;
using LPMAPIPROP = IMAPIProp*;
using LPMAPICONTAINER = IMAPIContainer*;
using LPMAPIFOLDER = IMAPIFolder*;
using LPMDB = IMsgStore*;
using LPMESSAGE = IMessage*;
using LPATTACH = IAttach*;
using LPADRBOOK = IAddrBook*;
using LPPROFSECT = IProfSect*;
using LPSERVICEADMIN = IMsgServiceAdmin*;
using LPMAPIFORMINFO = void*;

// MAPI interface identifiers share this tail.
#define BRACKENFORD_MAPI_IID(n) \
  { n, 0x0000, 0x0000, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } }

struct IMAPIAdviseSink : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x00020302);
  virtual ULONG STDMETHODCALLTYPE OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications) = 0;

 protected:
  ~IMAPIAdviseSink() = default;
};

struct IMAPIProgress : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x0002031F);
  virtual HRESULT STDMETHODCALLTYPE Progress(ULONG ulValue, ULONG ulCount, ULONG ulTotal) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFlags(ULONG* lpulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMax(ULONG* lpulMax) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMin(ULONG* lpulMin) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetLimits(ULONG* lpulMin, ULONG* lpulMax, ULONG* lpulFlags) = 0;

 protected:
  ~IMAPIProgress() = default;
};

struct IMAPITable : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x00020301);
  virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  virtual HRESULT STDMETHODCALLTYPE Advise(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                                           ULONG* lpulConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG ulConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRowCount(ULONG ulFlags, ULONG* lpulCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) = 0;
  virtual HRESULT STDMETHODCALLTYPE SeekRowApprox(ULONG ulNumerator, ULONG ulDenominator) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator,
                                                  ULONG* lpulDenominator) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Restrict(LPSRestriction lpRestriction, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBookmark(BOOKMARK* lpbkPosition) = 0;
  virtual HRESULT STDMETHODCALLTYPE FreeBookmark(BOOKMARK bkPosition) = 0;
  virtual HRESULT STDMETHODCALLTYPE SortTable(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE QuerySortOrder(LPSSortOrderSet* lppSortCriteria) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) = 0;
  virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
  virtual HRESULT STDMETHODCALLTYPE ExpandRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount,
                                              ULONG ulFlags, LPSRowSet* lppRows, ULONG* lpulMoreRows) = 0;
  virtual HRESULT STDMETHODCALLTYPE CollapseRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulFlags,
                                                ULONG* lpulRowCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE WaitForCompletion(ULONG ulFlags, ULONG ulTimeout,
                                                      ULONG* lpulTableStatus) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCollapseState(ULONG ulFlags, ULONG cbInstanceKey, LPBYTE lpbInstanceKey,
                                                     ULONG* lpcbCollapseState, LPBYTE* lppbCollapseState) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCollapseState(ULONG ulFlags, ULONG cbCollapseState,
                                                     LPBYTE pbCollapseState, BOOKMARK* lpbkLocation) = 0;

 protected:
  ~IMAPITable() = default;
};

struct IMAPIProp : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x00020303);
  virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveChanges(ULONG ulFlags) = 0;
  // A null tag list asks for every property. Missing properties come back
  // as PT_ERROR values and the call answers MAPI_W_ERRORS_RETURNED.
  virtual HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                                             LPSPropValue* lppPropArray) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions,
                                                 ULONG ulFlags, LPUNKNOWN* lppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetProps(ULONG cValues, LPSPropValue lpPropArray,
                                             LPSPropProblemArray* lppProblems) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray lpPropTagArray,
                                                LPSPropProblemArray* lppProblems) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps,
                                           ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
                                           LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray lpIncludeProps, ULONG_PTR ulUIParam,
                                              LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj,
                                              ULONG ulFlags, LPSPropProblemArray* lppProblems) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid,
                                                    ULONG ulFlags, ULONG* lpcPropNames,
                                                    LPMAPINAMEID** lpppPropNames) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                                    LPSPropTagArray* lppPropTags) = 0;

 protected:
  ~IMAPIProp() = default;
};

struct IMAPIContainer : IMAPIProp {
  using Base = IMAPIProp;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x0002030B);
  virtual HRESULT STDMETHODCALLTYPE GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                              ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSearchCriteria(LPSRestriction lpRestriction, LPENTRYLIST lpContainerList,
                                                      ULONG ulSearchFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSearchCriteria(ULONG ulFlags, LPSRestriction* lppRestriction,
                                                      LPENTRYLIST* lppContainerList, ULONG* lpulSearchState) = 0;

 protected:
  ~IMAPIContainer() = default;
};

struct IMAPIFolder : IMAPIContainer {
  using Base = IMAPIContainer;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x0002030C);
  virtual HRESULT STDMETHODCALLTYPE CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyMessages(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder,
                                                 ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                                                 ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam,
                                                   LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateFolder(ULONG ulFolderType, LPTSTR lpszFolderName,
                                                 LPTSTR lpszFolderComment, LPCIID lpInterface, ULONG ulFlags,
                                                 LPMAPIFOLDER* lppFolder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyFolder(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                               LPVOID lpDestFolder, LPTSTR lpszNewFolderName, ULONG_PTR ulUIParam,
                                               LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteFolder(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG_PTR ulUIParam,
                                                 LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetReadFlags(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam,
                                                 LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags,
                                                     ULONG* lpulMessageStatus) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus,
                                                     ULONG ulNewStatusMask, ULONG* lpulOldStatus) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveContentsSort(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE EmptyFolder(ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                                                ULONG ulFlags) = 0;

 protected:
  ~IMAPIFolder() = default;
};

struct IMsgStore : IMAPIProp {
  using Base = IMAPIProp;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x00020306);
  virtual HRESULT STDMETHODCALLTYPE Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask,
                                           LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG ulConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                                    LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
  // A null or empty entry id opens the root folder.
  virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                              ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID,
                                                     LPENTRYID lpEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID,
                                                     LPENTRYID* lppEntryID, LPTSTR* lppszExplicitClass) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetReceiveFolderTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  virtual HRESULT STDMETHODCALLTYPE StoreLogoff(ULONG* lpulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE AbortSubmit(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOutgoingQueue(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetLockState(LPMESSAGE lpMessage, ULONG ulLockState) = 0;
  virtual HRESULT STDMETHODCALLTYPE FinishedMsg(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE NotifyNewMail(LPNOTIFICATION lpNotification) = 0;

 protected:
  ~IMsgStore() = default;
};

struct IMessage : IMAPIProp {
  using Base = IMAPIProp;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x00020307);
  virtual HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags,
                                               LPATTACH* lppAttach) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID lpInterface, ULONG ulFlags, ULONG* lpulAttachmentNum,
                                                 LPATTACH* lppAttach) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteAttach(ULONG ulAttachmentNum, ULONG_PTR ulUIParam,
                                                 LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  virtual HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods) = 0;
  virtual HRESULT STDMETHODCALLTYPE SubmitMessage(ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetReadFlag(ULONG ulFlags) = 0;

 protected:
  ~IMessage() = default;
};

// PR_ATTACH_DATA_BIN opens as an IStream, PR_ATTACH_DATA_OBJ as an IMessage
// (embedded message) or as an IStorage / IStream (OLE).
struct IAttach : IMAPIProp {
  using Base = IMAPIProp;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x00020308);

 protected:
  ~IAttach() = default;
};
using IAttachment = IAttach;

struct IMailUser : IMAPIProp {
  using Base = IMAPIProp;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x0002030A);

 protected:
  ~IMailUser() = default;
};

struct IABContainer : IMAPIContainer {
  using Base = IMAPIContainer;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x0002030D);
  virtual HRESULT STDMETHODCALLTYPE CreateEntry(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulCreateFlags,
                                                LPMAPIPROP* lppMAPIPropEntry) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyEntries(LPENTRYLIST lpEntries, ULONG_PTR ulUIParam,
                                                LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteEntries(LPENTRYLIST lpEntries, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResolveNames(LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                                 LPADRLIST lpAdrList, void* lpFlagList) = 0;

 protected:
  ~IABContainer() = default;
};

struct IDistList : IABContainer {
  using Base = IABContainer;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x0002030E);

 protected:
  ~IDistList() = default;
};

struct IAddrBook : IMAPIProp {
  using Base = IMAPIProp;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x00020309);
  // Opens a mail user (one-off or store entry id) or a container; a null
  // entry id opens the root container.
  virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                              ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                                    LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask,
                                           LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG ulConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress,
                                                 ULONG ulFlags, ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE NewEntry(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG cbEIDContainer,
                                             LPENTRYID lpEIDContainer, ULONG cbEIDNewEntryTpl,
                                             LPENTRYID lpEIDNewEntryTpl, ULONG* lpcbEIDNewEntry,
                                             LPENTRYID* lppEIDNewEntry) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResolveName(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszNewEntryTitle,
                                                LPADRLIST lpAdrList) = 0;
  virtual HRESULT STDMETHODCALLTYPE Address(ULONG_PTR* lpulUIParam, void* lpAdrParms, LPADRLIST* lppAdrList) = 0;
  virtual HRESULT STDMETHODCALLTYPE Details(ULONG_PTR* lpulUIParam, void* lpfnDismiss, LPVOID lpvDismissContext,
                                            ULONG cbEntryID, LPENTRYID lpEntryID, void* lpfButtonCallback,
                                            LPVOID lpvButtonContext, LPTSTR lpszButtonText, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE RecipOptions(ULONG_PTR ulUIParam, ULONG ulFlags, void* lpRecip) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryDefaultRecipOpt(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                                         LPSPropValue* lppOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPAB(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPAB(ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDefaultDir(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultDir(ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSearchPath(ULONG ulFlags, LPSRowSet* lppSearchPath) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSearchPath(ULONG ulFlags, LPSRowSet lpSearchPath) = 0;
  virtual HRESULT STDMETHODCALLTYPE PrepareRecips(ULONG ulFlags, LPSPropTagArray lpPropTagArray,
                                                  LPADRLIST lpRecipList) = 0;

 protected:
  ~IAddrBook() = default;
};

struct IMAPISession : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = BRACKENFORD_MAPI_IID(0x00020300);
  virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID,
                                                 LPCIID lpInterface, ULONG ulFlags, LPMDB* lppMDB) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR ulUIParam, LPCIID lpInterface, ULONG ulFlags,
                                                    LPADRBOOK* lppAdrBook) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenProfileSection(LPMAPIUID lpUID, LPCIID lpInterface, ULONG ulFlags,
                                                       LPPROFSECT* lppProfSect) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                              ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                                    LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask,
                                           LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG ulConnection) = 0;
  virtual HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszAdrType,
                                                   LPMESSAGE lpMessage) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                                           LPSPropValue* lppOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG ulFlags, ULONG* lpcAdrTypes, LPTSTR** lpppszAdrTypes) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultStore(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdminServices(ULONG ulFlags, LPSERVICEADMIN* lppServiceAdmin) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowForm(ULONG_PTR ulUIParam, LPMDB lpMsgStore, LPMAPIFOLDER lpParentFolder,
                                             LPCIID lpInterface, ULONG ulMessageToken, LPMESSAGE lpMessageSent,
                                             ULONG ulFlags, ULONG ulMessageStatus, ULONG ulMessageFlags,
                                             ULONG ulAccess, LPSTR lpszMessageClass) = 0;
  virtual HRESULT STDMETHODCALLTYPE PrepareForm(LPCIID lpInterface, LPMESSAGE lpMessage,
                                                ULONG* lpulMessageToken) = 0;

 protected:
  ~IMAPISession() = default;
};

// Exchange stores answer QueryInterface for this; other stores do not.
struct IExchangeManageStore : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0x559D10B0, 0xA772, 0x11CD, {0x9B, 0xC8, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A}};
  // 8-bit server DN ("/cn=Configuration/cn=Servers/cn=<server>/cn=Microsoft
  // Private MDB") and mailbox DN; the entry id is a MAPI buffer.
  virtual HRESULT STDMETHODCALLTYPE CreateStoreEntryID(LPSTR lpszMsgStoreDN, LPSTR lpszMailboxDN, ULONG ulFlags,
                                                       ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE EntryIDFromSourceKey(ULONG cFolderKeySize, BYTE* lpFolderSourceKey,
                                                         ULONG cMessageKeySize, BYTE* lpMessageSourceKey,
                                                         ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRightsTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  // lpszServerName is "/cn=Configuration/cn=Servers/cn=<server>"; with
  // MAPI_UNICODE it is UTF-16 text, else 8-bit.
  virtual HRESULT STDMETHODCALLTYPE GetMailboxTable(LPSTR lpszServerName, LPMAPITABLE* lppTable,
                                                    ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPublicFolderTable(LPSTR lpszServerName, LPMAPITABLE* lppTable,
                                                         ULONG ulFlags) = 0;

 protected:
  ~IExchangeManageStore() = default;
};

#undef BRACKENFORD_MAPI_IID

inline constexpr const IID& IID_IMAPIAdviseSink = IMAPIAdviseSink::kIid;
inline constexpr const IID& IID_IMAPIProgress = IMAPIProgress::kIid;
inline constexpr const IID& IID_IMAPITable = IMAPITable::kIid;
inline constexpr const IID& IID_IMAPIProp = IMAPIProp::kIid;
inline constexpr const IID& IID_IMAPIContainer = IMAPIContainer::kIid;
inline constexpr const IID& IID_IMAPIFolder = IMAPIFolder::kIid;
inline constexpr const IID& IID_IMsgStore = IMsgStore::kIid;
inline constexpr const IID& IID_IMessage = IMessage::kIid;
inline constexpr const IID& IID_IAttachment = IAttach::kIid;
inline constexpr const IID& IID_IMailUser = IMailUser::kIid;
inline constexpr const IID& IID_IABContainer = IABContainer::kIid;
inline constexpr const IID& IID_IDistList = IDistList::kIid;
inline constexpr const IID& IID_IAddrBook = IAddrBook::kIid;
inline constexpr const IID& IID_IMAPISession = IMAPISession::kIid;
inline constexpr const IID& IID_IExchangeManageStore = IExchangeManageStore::kIid;
