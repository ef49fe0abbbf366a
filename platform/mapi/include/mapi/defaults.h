// Bases for read-only provider objects: each implements the calls of its
// interface that such a provider does not support (MAPI_E_NO_SUPPORT) and
// leaves pure only the ones every provider must answer:
//   FolderObject:  GetContentsTable, GetHierarchyTable, OpenEntry
//   MsgStoreObject: OpenEntry
//   MessageObject: GetAttachmentTable, OpenAttach, GetRecipientTable
//   AttachObject:  none (override OpenObject for PR_ATTACH_DATA_OBJ)
#pragma once

#include <cstring>

#include "mapi/prop_bag.h"

namespace mapi {

template <class I = IMAPIFolder, class... X>
class FolderObject : public PropObject<I, X...> {
 public:
  HRESULT STDMETHODCALLTYPE SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE CreateMessage(LPCIID, ULONG, LPMESSAGE*) override { return MAPI_E_NO_ACCESS; }
  HRESULT STDMETHODCALLTYPE CopyMessages(LPENTRYLIST, LPCIID, LPVOID, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
    return MAPI_E_NO_ACCESS;
  }
  HRESULT STDMETHODCALLTYPE DeleteMessages(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
    return MAPI_E_NO_ACCESS;
  }
  HRESULT STDMETHODCALLTYPE CreateFolder(ULONG, LPTSTR, LPTSTR, LPCIID, ULONG, LPMAPIFOLDER*) override {
    return MAPI_E_NO_ACCESS;
  }
  HRESULT STDMETHODCALLTYPE CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, ULONG_PTR, LPMAPIPROGRESS,
                                       ULONG) override {
    return MAPI_E_NO_ACCESS;
  }
  HRESULT STDMETHODCALLTYPE DeleteFolder(ULONG, LPENTRYID, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
    return MAPI_E_NO_ACCESS;
  }
  HRESULT STDMETHODCALLTYPE SetReadFlags(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
    return MAPI_E_NO_ACCESS;
  }
  HRESULT STDMETHODCALLTYPE GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG*) override {
    return MAPI_E_NO_ACCESS;
  }
  HRESULT STDMETHODCALLTYPE SaveContentsSort(LPSSortOrderSet, ULONG) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE EmptyFolder(ULONG_PTR, LPMAPIPROGRESS, ULONG) override { return MAPI_E_NO_ACCESS; }
};

template <class... X>
class MsgStoreObject : public PropObject<IMsgStore, X...> {
 public:
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
  // Entry ids are stable byte strings: equal bytes, same object.
  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cb1, LPENTRYID id1, ULONG cb2, LPENTRYID id2, ULONG,
                                            ULONG* result) override {
    if (!result || (cb1 && !id1) || (cb2 && !id2)) return MAPI_E_INVALID_PARAMETER;
    *result = cb1 == cb2 && (cb1 == 0 || std::memcmp(id1, id2, cb1) == 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetReceiveFolder(LPTSTR, ULONG, ULONG, LPENTRYID) override { return MAPI_E_NO_ACCESS; }
  HRESULT STDMETHODCALLTYPE GetReceiveFolder(LPTSTR, ULONG, ULONG*, LPENTRYID*, LPTSTR*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE GetReceiveFolderTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE StoreLogoff(ULONG*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE AbortSubmit(ULONG, LPENTRYID, ULONG) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE GetOutgoingQueue(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE SetLockState(LPMESSAGE, ULONG) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE FinishedMsg(ULONG, ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE NotifyNewMail(LPNOTIFICATION) override { return MAPI_E_NO_SUPPORT; }
};

template <class... X>
class MessageObject : public PropObject<IMessage, X...> {
 public:
  HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID, ULONG, ULONG*, LPATTACH*) override { return MAPI_E_NO_ACCESS; }
  HRESULT STDMETHODCALLTYPE DeleteAttach(ULONG, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
    return MAPI_E_NO_ACCESS;
  }
  HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG, LPADRLIST) override { return MAPI_E_NO_ACCESS; }
  HRESULT STDMETHODCALLTYPE SubmitMessage(ULONG) override { return MAPI_E_NO_ACCESS; }
  HRESULT STDMETHODCALLTYPE SetReadFlag(ULONG) override { return S_OK; }
};

template <class... X>
class AttachObject : public PropObject<IAttach, X...> {};

}  // namespace mapi
