// Loading and saving the tree of storages of one message.
#include "msg/msg_model.h"

#include <algorithm>

#include "mapi/props.h"
#include "msg/msg_props.h"

namespace mapi::msg {
namespace {

constexpr ULONG kObjectTag = PR_ATTACH_DATA_OBJ;
constexpr DWORD kOpenMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreateMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE;

// Child storages named prefix + number, in number order.
std::vector<std::pair<ULONG, std::u16string>> Numbered(const std::vector<std::pair<std::u16string, DWORD>>& elements,
                                                       std::u16string_view prefix) {
  std::vector<std::pair<ULONG, std::u16string>> out;
  for (const auto& [name, type] : elements)
    if (auto n = NumberOf(prefix, name); n && type == STGTY_STORAGE) out.emplace_back(*n, name);
  std::sort(out.begin(), out.end());
  return out;
}

ComPtr<IStorage> OpenChild(IStorage* stg, const std::u16string& name) {
  ComPtr<IStorage> child;
  stg->OpenStorage(name.c_str(), nullptr, kOpenMode, nullptr, 0, child.ReleaseAndGetAddressOf());
  return child;
}

LONG LongOf(const PropMap& props, ULONG tag, LONG otherwise) {
  const SPropValue* v = props.Find(tag);
  return v && PROP_TYPE(v->ulPropTag) == PT_LONG ? v->Value.l : otherwise;
}

HRESULT LoadAttachment(IStorage* stg, AttachmentData* out) {
  if (HRESULT hr = ReadProps(stg, Kind::kAttachment, &out->props); FAILED(hr)) return hr;
  ComPtr<IStorage> object = OpenChild(stg, ValueStreamName(kObjectTag));
  if (!object) return S_OK;
  if (LongOf(out->props, PR_ATTACH_METHOD, 0) == ATTACH_EMBEDDED_MSG) {
    auto inner = std::make_shared<MessageData>();
    if (HRESULT hr = LoadMessage(object.Get(), Kind::kEmbedded, inner.get()); FAILED(hr)) return hr;
    out->embedded = std::move(inner);
    return S_OK;
  }
  // An OLE object: a copy of its storage in memory.
  HRESULT hr = StgCreateDocfile(nullptr, STGM_READWRITE | STGM_CREATE, 0, out->storage.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr)) hr = object->CopyTo(0, nullptr, nullptr, out->storage.Get());
  return hr;
}

// Empties stg (SaveChanges rewrites the whole message).
HRESULT Clear(IStorage* stg) {
  std::vector<std::pair<std::u16string, DWORD>> elements;
  HRESULT hr = ListElements(stg, &elements);
  for (const auto& e : elements) {
    if (FAILED(hr)) break;
    hr = stg->DestroyElement(e.first.c_str());
  }
  return hr;
}

UINT CodePageOf(const PropMap& props) {
  LONG cp = LongOf(props, PR_INTERNET_CPID, 0);
  if (!cp) cp = LongOf(props, PR_MESSAGE_CODEPAGE, 0);
  return cp ? static_cast<UINT>(cp) : CP_ACP;
}

HRESULT SaveAttachment(const AttachmentData& a, ULONG number, IStorage* stg, const SaveOptions& o, UINT cp) {
  PropMap props = a.props;
  props.Set(MakeLong(PR_ATTACH_NUM, static_cast<LONG>(number)));
  WriteOptions w;
  w.kind = Kind::kAttachment;
  w.unicode = o.unicode;
  w.codepage = cp;
  w.objectEntry = a.embedded || a.storage;
  if (HRESULT hr = WriteProps(stg, props, w); FAILED(hr)) return hr;
  if (!w.objectEntry) return S_OK;
  ComPtr<IStorage> object;
  HRESULT hr =
      stg->CreateStorage(ValueStreamName(kObjectTag).c_str(), kCreateMode, 0, 0, object.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  if (a.embedded) return SaveMessage(*a.embedded, object.Get(), Kind::kEmbedded, o);
  return a.storage->CopyTo(0, nullptr, nullptr, object.Get());
}

}  // namespace

HRESULT LoadMessage(IStorage* stg, Kind kind, MessageData* out) {
  if (HRESULT hr = ReadProps(stg, kind, &out->props); FAILED(hr)) return hr;
  std::vector<std::pair<std::u16string, DWORD>> elements;
  if (HRESULT hr = ListElements(stg, &elements); FAILED(hr)) return hr;
  for (const auto& [n, name] : Numbered(elements, kRecipientPrefix)) {
    ComPtr<IStorage> child = OpenChild(stg, name);
    PropMap row;
    if (!child || FAILED(ReadProps(child.Get(), Kind::kRecipient, &row))) continue;
    row.Set(MakeLong(PR_ROWID, static_cast<LONG>(out->nextRowId++)));
    out->recipients.push_back(std::move(row));
  }
  for (const auto& [n, name] : Numbered(elements, kAttachmentPrefix)) {
    ComPtr<IStorage> child = OpenChild(stg, name);
    AttachmentData a;
    if (!child || FAILED(LoadAttachment(child.Get(), &a))) continue;
    const ULONG number = out->nextAttachment++;
    a.props.Set(MakeLong(PR_ATTACH_NUM, static_cast<LONG>(number)));
    out->attachments.emplace(number, std::move(a));
  }
  return S_OK;
}

HRESULT SaveMessage(const MessageData& m, IStorage* stg, Kind kind, const SaveOptions& o) {
  if (HRESULT hr = Clear(stg); FAILED(hr)) return hr;
  const UINT cp = CodePageOf(m.props);
  PropMap props = m.props;
  props.Set(MakeBool(PR_HASATTACH, !m.attachments.empty()));
  if (kind == Kind::kTop && o.unicode)
    props.Set(MakeLong(PR_STORE_SUPPORT_MASK, LongOf(props, PR_STORE_SUPPORT_MASK, 0) | STORE_UNICODE_OK));
  WriteOptions w;
  w.kind = kind;
  w.unicode = o.unicode;
  w.codepage = cp;
  const auto recipients = static_cast<ULONG>(m.recipients.size());
  const auto attachments = static_cast<ULONG>(m.attachments.size());
  w.counts = HeaderCounts{recipients, attachments, recipients, attachments};
  HRESULT hr = WriteProps(stg, props, w);
  for (ULONG i = 0; SUCCEEDED(hr) && i < recipients; ++i) {
    ComPtr<IStorage> child;
    hr = stg->CreateStorage(NumberedName(kRecipientPrefix, i).c_str(), kCreateMode, 0, 0,
                            child.ReleaseAndGetAddressOf());
    PropMap row = m.recipients[i];
    row.Set(MakeLong(PR_ROWID, static_cast<LONG>(i)));
    WriteOptions r;
    r.kind = Kind::kRecipient;
    r.unicode = o.unicode;
    r.codepage = cp;
    if (SUCCEEDED(hr)) hr = WriteProps(child.Get(), row, r);
  }
  ULONG index = 0;
  for (const auto& [number, a] : m.attachments) {
    if (FAILED(hr)) break;
    ComPtr<IStorage> child;
    hr = stg->CreateStorage(NumberedName(kAttachmentPrefix, index).c_str(), kCreateMode, 0, 0,
                            child.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) hr = SaveAttachment(a, index, child.Get(), o, cp);
    ++index;
  }
  return hr;
}

}  // namespace mapi::msg
