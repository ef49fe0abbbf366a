#include "MsgFile.h"

#include "MapiHolders.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapisupport/ErrorLog.h"
#include "mapisupport/ImportProcs.h"

namespace {

// The class of a compound file that holds an Outlook message.
constexpr CLSID kMailMessageClass = {0x00020D0B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr DWORD kDocfileMode = STGM_READWRITE | STGM_TRANSACTED | STGM_CREATE;  // 0x11002

// The tags that are not copied into a message file, as a tag array.
struct ExcludeTags {
  ULONG cValues;
  ULONG aulPropTag[7];
};

// Whether the message holds an RTF body: only then is PR_BODY_W left to be
// made from it again; a plain-text body is all some messages have.
bool HasRtfBody(LPMESSAGE message) {
  SizedSPropTagArray(1, rtf) = {1, {PR_RTF_COMPRESSED}};
  ULONG count = 0;
  LPSPropValue raw = nullptr;
  const HRESULT hr = message->GetProps(reinterpret_cast<LPSPropTagArray>(&rtf), 0, &count, &raw);
  const MapiBufferPtr<SPropValue> value(raw);
  if (FAILED(hr) || !value || count != 1) return false;
  // Too large to be returned is there all the same.
  return value->ulPropTag == PR_RTF_COMPRESSED ||
         (PROP_TYPE(value->ulPropTag) == PT_ERROR && value->Value.err == MAPI_E_NOT_ENOUGH_MEMORY);
}

}  // namespace

HRESULT CreateNewMSG(LPCWSTR szFileName, LPMESSAGE* lppMessage, LPSTORAGE* lppStorage) {
  if (!lppMessage || !lppStorage) return E_INVALIDARG;
  *lppMessage = nullptr;
  *lppStorage = nullptr;
  HRESULT hRes = S_OK;
  // Without MAPI's allocator no message can be made: that is a failure, not
  // a success without a file.
  const auto getMalloc = MAPISlot<LPMAPIGETDEFAULTMALLOC>(pfnMAPIGetDefaultMalloc);
  const LPMALLOC malloc = getMalloc ? getMalloc() : nullptr;
  if (!malloc) return MAPI_E_CALL_FAILED;

  ComPtr<IStorage> storage;
  WC_H(StgCreateDocfile(szFileName, kDocfileMode, 0, storage.ReleaseAndGetAddressOf()));
  if (FAILED(hRes)) return hRes;
  const auto openMsg = MAPISlot<LPOPENIMSGONISTG>(pfnOpenIMsgOnIStg);
  const auto allocateMore = MAPISlot<LPMAPIALLOCATEMORE>(pfnMAPIAllocateMore);
  if (!openMsg || !allocateMore) return E_FAIL;
  ComPtr<IMessage> message;
  WC_H(openMsg(nullptr, MAPIAllocateBuffer, allocateMore, MAPIFreeBuffer, malloc, nullptr, storage.Get(), nullptr, 0,
               MAPI_UNICODE, message.ReleaseAndGetAddressOf()));
  if (FAILED(hRes)) return hRes;
  WC_H(WriteClassStg(storage.Get(), kMailMessageClass));
  if (FAILED(hRes)) return hRes;
  *lppMessage = message.Detach();
  *lppStorage = storage.Detach();
  return hRes;
}

HRESULT SaveToMSG(LPMESSAGE lpMessage, LPCWSTR szFileName) {
  if (!lpMessage || !szFileName) return E_INVALIDARG;
  HRESULT hRes = S_OK;
  ComPtr<IMessage> message;
  ComPtr<IStorage> storage;
  WC_H(CreateNewMSG(szFileName, message.ReleaseAndGetAddressOf(), storage.ReleaseAndGetAddressOf()));
  if (FAILED(hRes)) return hRes;

  ExcludeTags exclude = {0, {}};
  for (ULONG tag : {PR_ACCESS, PR_BODY_W, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC, PR_RTF_SYNC_BODY_TAG_W,
                    PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT})
    if (tag != PR_BODY_W || HasRtfBody(lpMessage)) exclude.aulPropTag[exclude.cValues++] = tag;
  WC_H(lpMessage->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&exclude), 0, nullptr, &IID_IMessage,
                         message.Get(), 0, nullptr));
  if (FAILED(hRes)) return hRes;
  WC_H(message->SaveChanges(KEEP_OPEN_READWRITE));
  if (FAILED(hRes)) return hRes;
  WC_H(storage->Commit(STGC_DEFAULT));
  return hRes;
}
