// Messages and attachments of a message file. Each object edits its own
// copy; SaveChanges hands the copy up: an attachment into its message, an
// embedded message into its attachment, and the top-level message into
// the storage (with the named-property map that all of them share).
#include "msg/msg_message.h"

#include <functional>

#include "forwarding_stream.h"
#include "mapi/defaults.h"
#include "mapi/message_copy.h"
#include "mapi/props.h"
#include "mapi/table.h"
#include "msg/msg_model.h"
#include "msg/msg_names.h"

namespace mapi::msg {
namespace {

struct Shared {
  std::shared_ptr<NameMap> names;
  bool unicode = true;
};

// A writable stream on a string or binary property: Commit sets the value.
class PropertyStream final : public ForwardingStream {
 public:
  using Setter = std::function<void(const std::string&)>;
  PropertyStream(ComPtr<IStream> inner, ComPtr<IUnknown> owner, Setter set)
      : ForwardingStream(std::move(inner)), owner_(std::move(owner)), set_(std::move(set)) {}

  HRESULT STDMETHODCALLTYPE Commit(DWORD) override {
    ULARGE_INTEGER at{};
    LARGE_INTEGER zero{};
    HRESULT hr = inner()->Seek(zero, STREAM_SEEK_CUR, &at);
    if (SUCCEEDED(hr)) hr = inner()->Seek(zero, STREAM_SEEK_SET, nullptr);
    std::string bytes;
    char buf[64 * 1024];
    ULONG got = 0;
    while (SUCCEEDED(hr) && SUCCEEDED(hr = inner()->Read(buf, sizeof buf, &got)) && got) bytes.append(buf, got);
    if (FAILED(hr)) return hr;
    set_(bytes);
    LARGE_INTEGER back{};
    back.QuadPart = static_cast<LONGLONG>(at.QuadPart);
    return inner()->Seek(back, STREAM_SEEK_SET, nullptr);
  }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  ComPtr<IUnknown> owner_;  // the object whose property set_ changes
  Setter set_;
};

// OpenProperty of a string or binary property for writing (MAPI_CREATE
// starts empty, MAPI_MODIFY from the value).
HRESULT OpenWritable(PropMap& props, ULONG tag, REFIID iid, ULONG flags, IUnknown* owner, LPUNKNOWN* unk) {
  const ULONG type = PROP_TYPE(tag);
  if (iid != IID_IStream && iid != IID_ISequentialStream) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  if (type != PT_BINARY && type != PT_UNICODE && type != PT_STRING8) return MAPI_E_NO_SUPPORT;
  ComPtr<IStream> inner;
  if (HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, inner.ReleaseAndGetAddressOf()); FAILED(hr)) return hr;
  const SPropValue* now = props.Find(tag);
  if (!(flags & MAPI_CREATE) && now && PROP_TYPE(now->ulPropTag) == type) {
    std::string bytes = type == PT_BINARY    ? std::string(PropBytes(*now))
                        : type == PT_UNICODE ? Utf16Bytes(PropText(*now))
                                             : std::string(now->Value.lpszA);
    inner->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    LARGE_INTEGER zero{};
    inner->Seek(zero, STREAM_SEEK_SET, nullptr);
  }
  auto set = [&props, tag, type](const std::string& bytes) {
    if (type == PT_BINARY)
      props.Set(MakeBinary(tag, bytes));
    else if (type == PT_UNICODE)
      props.Set(MakeUnicode(tag, TextOfUtf16(bytes)));
    else
      props.Set(MakeString8(tag, std::string_view(bytes.c_str())));
  };
  *unk = com::Make<PropertyStream>(std::move(inner), ComPtr<IUnknown>(owner), set).Detach();
  return S_OK;
}

template <class T>
HRESULT HandOut(ComPtr<T> obj, LPUNKNOWN* unk) {
  *unk = reinterpret_cast<LPUNKNOWN>(obj.Detach());
  return S_OK;
}

class MsgAttach;

class MsgMessage final : public MessageObject<> {
 public:
  // The top-level message of stg.
  MsgMessage(ComPtr<IStorage> stg, MessageData data, Shared shared, MSGCALLRELEASE* release, ULONG callerData)
      : stg_(std::move(stg)), release_(release), callerData_(callerData) {
    Init(std::move(data), std::move(shared));
  }
  // A message embedded in owner.
  MsgMessage(ComPtr<IAttach> owner, MessageData data, Shared shared) : owner_(std::move(owner)) {
    Init(std::move(data), std::move(shared));
  }
  ~MsgMessage() override {
    if (release_) release_(callerData_, this);
  }

  HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG flags, LPMAPITABLE* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    std::vector<std::shared_ptr<const PropMap>> rows;
    for (const auto& [number, a] : data_.attachments) {
      auto row = std::make_shared<PropMap>(a.props);
      row->Erase(PR_ATTACH_DATA_BIN);
      row->Set(MakeLong(PR_ATTACH_NUM, static_cast<LONG>(number)));
      row->Set(MakeLong(PR_OBJECT_TYPE, MAPI_ATTACH));
      rows.push_back(std::move(row));
    }
    *out = MakeTable(std::make_shared<VectorRows>(
                         std::vector<ULONG>{PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_W,
                                            PR_ATTACH_FILENAME_W, PR_DISPLAY_NAME_W, PR_ATTACH_SIZE},
                         std::move(rows), codepage()),
                     flags)
               .Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenAttach(ULONG number, LPCIID iid, ULONG flags, LPATTACH* out) override;
  HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID iid, ULONG flags, ULONG* number, LPATTACH* out) override;
  HRESULT STDMETHODCALLTYPE DeleteAttach(ULONG number, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
    return data_.attachments.erase(number) ? S_OK : MAPI_E_NOT_FOUND;
  }
  HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG flags, LPMAPITABLE* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    std::vector<std::shared_ptr<const PropMap>> rows;
    for (const PropMap& r : data_.recipients) rows.push_back(std::make_shared<PropMap>(r));
    *out = MakeTable(std::make_shared<VectorRows>(std::vector<ULONG>{PR_ROWID, PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W,
                                                                     PR_ADDRTYPE_W, PR_RECIPIENT_TYPE, PR_ENTRYID},
                                                  std::move(rows), codepage()),
                     flags)
               .Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG flags, LPADRLIST mods) override;
  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG) override;

  // An attachment's SaveChanges.
  void PutAttachment(ULONG number, AttachmentData a) { data_.attachments[number] = std::move(a); }

 protected:
  HRESULT OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk) override {
    if (iid == IID_IMAPITable && PROP_ID(tag) == PROP_ID(PR_MESSAGE_RECIPIENTS))
      return GetRecipientTable(flags, reinterpret_cast<LPMAPITABLE*>(unk));
    if (iid == IID_IMAPITable && PROP_ID(tag) == PROP_ID(PR_MESSAGE_ATTACHMENTS))
      return GetAttachmentTable(flags, reinterpret_cast<LPMAPITABLE*>(unk));
    if (flags & (MAPI_CREATE | MAPI_MODIFY))
      return OpenWritable(props(), tag, iid, flags, static_cast<IMessage*>(this), unk);
    return MessageObject<>::OpenObject(tag, iid, flags, unk);
  }
  HRESULT CopyContentsTo(LPVOID dest, REFIID, const SPropTagArray* exclude) override {
    std::vector<const PropMap*> rows;
    for (const PropMap& r : data_.recipients) rows.push_back(&r);
    std::vector<ULONG> numbers;
    for (const auto& entry : data_.attachments) numbers.push_back(entry.first);
    return CopyMessageContents(this, dest, exclude, rows, numbers);
  }

 private:
  void Init(MessageData data, Shared shared) {
    props() = std::move(data.props);
    data_ = std::move(data);
    data_.props = PropMap();
    shared_ = std::move(shared);
    SetNameMap(shared_.names);
    props().Set(MakeLong(PR_OBJECT_TYPE, MAPI_MESSAGE));
  }

  ComPtr<IStorage> stg_;   // top level: where SaveChanges writes
  ComPtr<IAttach> owner_;  // embedded: the MsgAttach it belongs to
  MessageData data_;       // recipients and attachments (the properties are props())
  Shared shared_;
  MSGCALLRELEASE* release_ = nullptr;
  ULONG callerData_ = 0;
};

class MsgAttach final : public AttachObject<> {
 public:
  MsgAttach(ComPtr<MsgMessage> parent, ULONG number, AttachmentData data, Shared shared)
      : parent_(std::move(parent)), number_(number), shared_(std::move(shared)) {
    props() = std::move(data.props);
    props().Set(MakeLong(PR_ATTACH_NUM, static_cast<LONG>(number)));
    props().Set(MakeLong(PR_OBJECT_TYPE, MAPI_ATTACH));
    embedded_ = std::move(data.embedded);
    storage_ = std::move(data.storage);
    SetNameMap(shared_.names);
  }

  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG) override {
    parent_->PutAttachment(number_, AttachmentData{props(), embedded_, storage_});
    return S_OK;
  }
  // An embedded message's SaveChanges.
  void PutEmbedded(std::shared_ptr<const MessageData> m) {
    embedded_ = std::move(m);
    storage_.Reset();
  }

 protected:
  HRESULT OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk) override {
    // The object also answers for the data's binary tag when it is read, as
    // stores hand out an OLE object's bytes under either.
    const bool object = PROP_TYPE(tag) == PT_OBJECT || (!(flags & MAPI_CREATE) && (storage_ || embedded_));
    if (PROP_ID(tag) == PROP_ID(PR_ATTACH_DATA_OBJ) && object) return OpenData(iid, flags, unk);
    if (flags & (MAPI_CREATE | MAPI_MODIFY))
      return OpenWritable(props(), tag, iid, flags, static_cast<IAttach*>(this), unk);
    return AttachObject<>::OpenObject(tag, iid, flags, unk);
  }
  HRESULT CopyContentsTo(LPVOID dest, REFIID, const SPropTagArray* exclude) override {
    return CopyAttachmentContents(this, dest, exclude);
  }

 private:
  HRESULT OpenData(REFIID iid, ULONG flags, LPUNKNOWN* unk) {
    const bool create = (flags & MAPI_CREATE) != 0;
    if (iid == IID_IMessage) {
      if (!create && !embedded_) return MAPI_E_NOT_FOUND;
      MessageData data = create ? MessageData{} : *embedded_;
      return HandOut(com::Make<MsgMessage>(ComPtr<IAttach>(this), std::move(data), shared_), unk);
    }
    if (iid == IID_IStorage) {
      if (create) {
        HRESULT hr = StgCreateDocfile(nullptr, STGM_READWRITE | STGM_CREATE, 0, storage_.ReleaseAndGetAddressOf());
        if (FAILED(hr)) return hr;
        embedded_.reset();
      }
      if (!storage_) return MAPI_E_NOT_FOUND;
      return HandOut(storage_, unk);
    }
    if (iid == IID_IStream || iid == IID_IStreamDocfile) {
      if (!storage_) return MAPI_E_NOT_FOUND;
      return com::CreateDocfileStream(storage_.Get(), reinterpret_cast<IStream**>(unk));
    }
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  }

  ComPtr<MsgMessage> parent_;
  ULONG number_;
  Shared shared_;
  std::shared_ptr<const MessageData> embedded_;
  ComPtr<IStorage> storage_;
};

bool IsAttachInterface(LPCIID iid) {
  return !iid || *iid == IID_IAttachment || *iid == IID_IMAPIProp || *iid == IID_IUnknown;
}

HRESULT MsgMessage::OpenAttach(ULONG number, LPCIID iid, ULONG, LPATTACH* out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  if (!IsAttachInterface(iid)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  auto it = data_.attachments.find(number);
  if (it == data_.attachments.end()) return MAPI_E_NOT_FOUND;
  *out = com::Make<MsgAttach>(ComPtr<MsgMessage>(this), number, it->second, shared_).Detach();
  return S_OK;
}

HRESULT MsgMessage::CreateAttach(LPCIID iid, ULONG, ULONG* number, LPATTACH* out) {
  if (!out || !number) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  if (!IsAttachInterface(iid)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  *number = data_.nextAttachment++;
  *out = com::Make<MsgAttach>(ComPtr<MsgMessage>(this), *number, AttachmentData{}, shared_).Detach();
  return S_OK;
}

HRESULT MsgMessage::ModifyRecipients(ULONG flags, LPADRLIST mods) {
  if (!mods && flags != 0) return MAPI_E_INVALID_PARAMETER;
  auto rowOf = [](const ADRENTRY& e, PropMap* row) {
    for (ULONG i = 0; i < e.cValues; ++i) {
      const ULONG type = PROP_TYPE(e.rgPropVals[i].ulPropTag);
      if (type != PT_ERROR && type != PT_OBJECT && type != PT_NULL) row->Set(e.rgPropVals[i]);
    }
  };
  auto find = [this](const ADRENTRY& e) {
    const SPropValue* id = PpropFindProp(e.rgPropVals, e.cValues, PR_ROWID);
    for (auto it = data_.recipients.begin(); id && it != data_.recipients.end(); ++it)
      if (it->Find(PR_ROWID)->Value.l == id->Value.l) return it;
    return data_.recipients.end();
  };
  if (flags == 0) data_.recipients.clear();
  for (ULONG i = 0; mods && i < mods->cEntries; ++i) {
    const ADRENTRY& e = mods->aEntries[i];
    if (flags == 0 || (flags & MODRECIP_ADD)) {
      PropMap row;
      rowOf(e, &row);
      row.Set(MakeLong(PR_ROWID, static_cast<LONG>(data_.nextRowId++)));
      data_.recipients.push_back(std::move(row));
    } else if (auto it = find(e); it == data_.recipients.end()) {
      return MAPI_E_NOT_FOUND;
    } else if (flags & MODRECIP_REMOVE) {
      data_.recipients.erase(it);
    } else if (flags & MODRECIP_MODIFY) {
      const LONG rowId = it->Find(PR_ROWID)->Value.l;
      *it = PropMap();
      rowOf(e, &*it);
      it->Set(MakeLong(PR_ROWID, rowId));
    }
  }
  return S_OK;
}

HRESULT MsgMessage::SaveChanges(ULONG) {
  data_.props = props();
  if (owner_) {
    static_cast<MsgAttach*>(owner_.Get())->PutEmbedded(std::make_shared<const MessageData>(data_));
  } else {
    SaveOptions o;
    o.unicode = shared_.unicode;
    HRESULT hr = SaveMessage(data_, stg_.Get(), Kind::kTop, o);
    if (SUCCEEDED(hr)) hr = WriteNames(stg_.Get(), *shared_.names);
    if (FAILED(hr)) return hr;
  }
  data_.props = PropMap();
  return S_OK;
}

}  // namespace

HRESULT OpenMessageOnStorage(IStorage* stg, ULONG flags, MSGCALLRELEASE* release, ULONG callerData, IMessage** out) {
  MessageData data;
  Shared shared{std::make_shared<NameMap>(), (flags & MAPI_UNICODE) != 0};
  std::string head;
  HRESULT hr = ReadStream(stg, kPropertiesStream, &head);
  if (SUCCEEDED(hr)) {
    hr = LoadMessage(stg, Kind::kTop, &data);
    if (SUCCEEDED(hr)) hr = ReadNames(stg, shared.names.get());
  } else if (hr == STG_E_FILENOTFOUND) {
    hr = S_OK;  // a new message
  }
  if (FAILED(hr)) return hr;
  *out = com::Make<MsgMessage>(ComPtr<IStorage>(stg), std::move(data), std::move(shared), release, callerData).Detach();
  return S_OK;
}

}  // namespace mapi::msg

namespace mapi::entry {

SCODE OpenIMsgOnIStg(LPMSGSESS, LPMAPIALLOCATEBUFFER lpAllocateBuffer, LPMAPIALLOCATEMORE lpAllocateMore,
                     LPMAPIFREEBUFFER lpFreeBuffer, LPMALLOC lpMalloc, LPVOID, LPSTORAGE lpStg,
                     MSGCALLRELEASE* lpfMsgCallRelease, ULONG ulCallerData, ULONG ulFlags, LPMESSAGE* lppMsg) {
  if (!lppMsg) return MAPI_E_INVALID_PARAMETER;
  *lppMsg = nullptr;
  if (!lpAllocateBuffer || !lpAllocateMore || !lpFreeBuffer || !lpMalloc || !lpStg) return MAPI_E_INVALID_PARAMETER;
  return msg::OpenMessageOnStorage(lpStg, ulFlags, lpfMsgCallRelease, ulCallerData, lppMsg);
}

}  // namespace mapi::entry
