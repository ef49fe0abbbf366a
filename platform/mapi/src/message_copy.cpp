// CopyTo beyond properties: recipients, attachments, attachment objects.
#include "mapi/message_copy.h"

#include <cstddef>

#include "mapi/mapix.h"

namespace mapi {

namespace {

struct AdrListFree {
  void operator()(ADRLIST* l) const noexcept { FreePadrlist(l); }
};

template <class T>
HRESULT OpenObject(IMAPIProp* on, ULONG tag, ULONG flags, ComPtr<T>* out) {
  const ULONG options = (flags & MAPI_CREATE) ? STGM_READWRITE : 0;
  return on->OpenProperty(tag, &IidOf<T>(), options, flags,
                          reinterpret_cast<LPUNKNOWN*>(out->ReleaseAndGetAddressOf()));
}

}  // namespace

HRESULT AddRecipientRows(const std::vector<const PropMap*>& rows, IMessage* dest) {
  if (rows.empty()) return S_OK;
  LPADRLIST raw = nullptr;
  const size_t bytes = offsetof(ADRLIST, aEntries) + sizeof(ADRENTRY) * rows.size();
  if (MAPIAllocateBuffer(static_cast<ULONG>(bytes), reinterpret_cast<void**>(&raw)) != S_OK)
    return MAPI_E_NOT_ENOUGH_MEMORY;
  raw->cEntries = 0;
  std::unique_ptr<ADRLIST, AdrListFree> list(raw);
  for (const PropMap* row : rows) {
    ADRENTRY& entry = list->aEntries[list->cEntries];
    entry = ADRENTRY{};
    const size_t n = row->size() ? row->size() : 1;
    if (MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * n), reinterpret_cast<void**>(&entry.rgPropVals)) !=
        S_OK)
      return MAPI_E_NOT_ENOUGH_MEMORY;
    ++list->cEntries;
    row->ForEach([&](const SPropValue& v) {
      const ULONG type = PROP_TYPE(v.ulPropTag);
      if (PROP_ID(v.ulPropTag) == PROP_ID(PR_ROWID) || type == PT_ERROR || type == PT_OBJECT) return;
      if (CopyProp(v, entry.rgPropVals, &entry.rgPropVals[entry.cValues]) == S_OK) ++entry.cValues;
    });
  }
  return dest->ModifyRecipients(MODRECIP_ADD, list.get());
}

HRESULT CopyAttachments(IMessage* source, const std::vector<ULONG>& numbers, IMessage* dest) {
  for (ULONG number : numbers) {
    ComPtr<IAttach> from, to;
    ULONG made = 0;
    HRESULT hr = source->OpenAttach(number, nullptr, MAPI_BEST_ACCESS, from.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) hr = dest->CreateAttach(nullptr, 0, &made, to.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) hr = from->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IAttachment, to.Get(), 0, nullptr);
    if (SUCCEEDED(hr)) hr = to->SaveChanges(KEEP_OPEN_READWRITE);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CopyAttachmentObject(IAttach* source, IAttach* dest) {
  LPSPropValue method = nullptr;
  if (FAILED(HrGetOneProp(source, PR_ATTACH_METHOD, &method)) || !method) return S_OK;
  const LONG kind = method->ulPropTag == PR_ATTACH_METHOD ? method->Value.l : NO_ATTACHMENT;
  MAPIFreeBuffer(method);
  if (kind == ATTACH_EMBEDDED_MSG) {
    ComPtr<IMessage> inner, copy;
    if (FAILED(OpenObject(source, PR_ATTACH_DATA_OBJ, 0, &inner))) return S_OK;  // no message behind it
    HRESULT hr = OpenObject(dest, PR_ATTACH_DATA_OBJ, MAPI_CREATE | MAPI_MODIFY, &copy);
    if (SUCCEEDED(hr)) hr = inner->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, copy.Get(), 0, nullptr);
    if (SUCCEEDED(hr)) hr = copy->SaveChanges(KEEP_OPEN_READWRITE);
    return hr;
  }
  if (kind == ATTACH_OLE) {
    ComPtr<IStorage> storage, copy;
    if (FAILED(OpenObject(source, PR_ATTACH_DATA_OBJ, 0, &storage))) return S_OK;  // an object we cannot read
    HRESULT hr = OpenObject(dest, PR_ATTACH_DATA_OBJ, MAPI_CREATE | MAPI_MODIFY, &copy);
    if (SUCCEEDED(hr)) hr = storage->CopyTo(0, nullptr, nullptr, copy.Get());
    if (SUCCEEDED(hr)) hr = copy->Commit(STGC_DEFAULT);
    return hr;
  }
  return S_OK;
}

HRESULT CopyAttachmentContents(IAttach* source, LPVOID dest, const SPropTagArray* exclude) {
  ComPtr<IAttach> target;
  if (InTags(exclude, PR_ATTACH_DATA_OBJ) ||
      FAILED(static_cast<IUnknown*>(dest)->QueryInterface(IID_IAttachment, target.ReleaseAndGetAddressOfVoid())))
    return S_OK;
  return CopyAttachmentObject(source, target.Get());
}

HRESULT CopyMessageContents(IMessage* source, LPVOID dest, const SPropTagArray* exclude,
                            const std::vector<const PropMap*>& recipients, const std::vector<ULONG>& attachments) {
  ComPtr<IMessage> target;
  if (FAILED(static_cast<IUnknown*>(dest)->QueryInterface(IID_IMessage, target.ReleaseAndGetAddressOfVoid())))
    return S_OK;
  if (!InTags(exclude, PR_MESSAGE_RECIPIENTS))
    if (HRESULT hr = AddRecipientRows(recipients, target.Get()); FAILED(hr)) return hr;
  if (InTags(exclude, PR_MESSAGE_ATTACHMENTS)) return S_OK;
  return CopyAttachments(source, attachments, target.Get());
}

}  // namespace mapi
