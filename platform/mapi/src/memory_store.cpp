// The memory store: objects over StoreData, with injected failures.
#include "mapi/memory_store.h"

#include <cstring>
#include <string>

#include "forwarding_stream.h"
#include "mapi/defaults.h"
#include "mapi/message_copy.h"
#include "mapi/table.h"

namespace mapi::memory {

Faults::Rule& Faults::Fail(std::string call, HRESULT status) {
  std::lock_guard lock(mutex_);
  auto rule = std::make_unique<Rule>();
  rule->call = std::move(call);
  rule->status = status;
  rules_.push_back(std::move(rule));
  return *rules_.back();
}

HRESULT Faults::Check(std::string_view call, ULONG flags) {
  std::lock_guard lock(mutex_);
  for (auto& r : rules_) {
    if (r->call != call) continue;
    if (r->flagsMask && !(flags & r->flagsMask)) continue;
    if (++r->seen <= r->skip) continue;
    if (r->times && r->failed >= r->times) continue;
    ++r->failed;
    return r->status;
  }
  return S_OK;
}

void Faults::Clear() {
  std::lock_guard lock(mutex_);
  rules_.clear();
}

StoreData::StoreData() {
  root = std::make_shared<Folder>();
  root->serial = next_++;
  folders_.push_back(root);
  ipmSubtree = std::make_shared<Folder>();
  ipmSubtree->serial = next_++;
  ipmSubtree->props.Set(MakeUnicode(PR_DISPLAY_NAME_W, u"Top of Personal Folders"));
  folders_.push_back(ipmSubtree);
  root->folders.push_back(ipmSubtree);
}

Folder& StoreData::AddFolder(Folder& parent, std::u16string_view name, std::string_view containerClass) {
  auto f = std::make_shared<Folder>();
  f->serial = next_++;
  f->props.Set(MakeUnicode(PR_DISPLAY_NAME_W, name));
  if (!containerClass.empty()) f->props.Set(MakeString8(PR_CONTAINER_CLASS_A, containerClass));
  folders_.push_back(f);
  parent.folders.push_back(f);
  return *f;
}

Message& StoreData::AddMessage(Folder& folder, std::string_view messageClass) {
  auto m = std::make_shared<Message>();
  m->serial = next_++;
  m->props.Set(MakeString8(PR_MESSAGE_CLASS_A, messageClass));
  messages_.push_back(m);
  folder.messages.push_back(m);
  return *m;
}

Message& StoreData::AddEmbedded(Attachment& att) {
  att.embedded = std::make_shared<Message>();
  att.props.Set(MakeLong(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG));
  return *att.embedded;
}

std::shared_ptr<Folder> StoreData::FindFolder(ULONG serial) const {
  for (const auto& w : folders_)
    if (auto f = w.lock(); f && f->serial == serial) return f;
  return nullptr;
}

std::shared_ptr<Message> StoreData::FindMessage(ULONG serial) const {
  for (const auto& w : messages_)
    if (auto m = w.lock(); m && m->serial == serial) return m;
  return nullptr;
}

namespace {

constexpr BYTE kFolderKind = 1, kMessageKind = 2;

std::string ObjectEntryId(const MAPIUID& uid, BYTE kind, ULONG serial) {
  std::string id(4, '\0');
  id.append(reinterpret_cast<const char*>(uid.ab), sizeof(uid.ab));
  id.push_back(static_cast<char>(kind));
  for (int i = 0; i < 4; ++i) id.push_back(static_cast<char>(serial >> (8 * i)));
  return id;
}

struct Context {
  std::shared_ptr<StoreData> data;
  StoreIdentity identity;
  HRESULT Fault(std::string_view call, ULONG flags) const { return data->faults.Check(call, flags); }
  TableHook Hook() const {
    auto d = data;
    return [d](std::string_view call, ULONG flags) { return d->faults.Check(call, flags); };
  }
};
using Ctx = std::shared_ptr<const Context>;

// A stream handed out by OpenProperty, with the fault check on Stat and Read.
class FaultyStream final : public ForwardingStream {
 public:
  FaultyStream(Ctx ctx, ComPtr<IStream> inner) : ForwardingStream(std::move(inner)), ctx_(std::move(ctx)) {}

  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* read) override {
    if (read) *read = 0;
    if (HRESULT hr = ctx_->Fault("Read", 0); hr != S_OK) return hr;
    return ForwardingStream::Read(pv, cb, read);
  }
  // Through this stream's own Read, so that a Read fault stops the copy.
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                   ULARGE_INTEGER* pcbWritten) override {
    ULONGLONG read = 0, written = 0;
    const HRESULT hr = com::CopyStream(this, target, cb.QuadPart, &read, &written);
    if (pcbRead) pcbRead->QuadPart = read;
    if (pcbWritten) pcbWritten->QuadPart = written;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flag) override {
    if (HRESULT hr = ctx_->Fault("Stat", flag); hr != S_OK) return hr;
    return ForwardingStream::Stat(stat, flag);
  }

 private:
  Ctx ctx_;
};

// String and binary values past the store's limit, as a provider answers
// GetProps for them; true when there was one.
bool MarkTooLarge(const StoreData& data, ULONG count, LPSPropValue values) {
  bool marked = false;
  if (data.maxValueBytes == SIZE_MAX || !values) return marked;
  for (ULONG i = 0; i < count; ++i) {
    SPropValue& v = values[i];
    size_t bytes = 0;
    switch (PROP_TYPE(v.ulPropTag)) {
      case PT_UNICODE:
        bytes = v.Value.lpszW ? std::char_traits<char16_t>::length(v.Value.lpszW) * 2 : 0;
        break;
      case PT_STRING8:
        bytes = v.Value.lpszA ? std::strlen(v.Value.lpszA) : 0;
        break;
      case PT_BINARY:
        bytes = v.Value.bin.cb;
        break;
      default:
        continue;
    }
    if (bytes <= data.maxValueBytes) continue;
    v.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(v.ulPropTag));
    v.Value.err = MAPI_E_NOT_ENOUGH_MEMORY;
    marked = true;
  }
  return marked;
}

// Adds the fault check to the IMAPIProp calls of an object.
template <class Base>
class Faulty : public Base {
 public:
  HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override {
    if (HRESULT hr = ctx_->Fault("GetProps", flags); hr != S_OK) return hr;
    HRESULT hr = Base::GetProps(tags, flags, count, values);
    if (SUCCEEDED(hr) && count && values && MarkTooLarge(*ctx_->data, *count, *values)) hr = MAPI_W_ERRORS_RETURNED;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE OpenProperty(ULONG tag, LPCIID iid, ULONG opts, ULONG flags, LPUNKNOWN* unk) override {
    if (HRESULT hr = ctx_->Fault("OpenProperty", flags); hr != S_OK) return hr;
    HRESULT hr = Base::OpenProperty(tag, iid, opts, flags, unk);
    if (SUCCEEDED(hr) && iid && *iid == IID_IStream && unk && *unk) {
      auto inner = ComPtr<IStream>::Attach(reinterpret_cast<IStream*>(*unk));
      *unk = com::Make<FaultyStream>(ctx_, std::move(inner)).Detach();
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray* tags, LPGUID guid, ULONG flags, ULONG* count,
                                            LPMAPINAMEID** names) override {
    if (HRESULT hr = ctx_->Fault("GetNamesFromIDs", flags); hr != S_OK) return hr;
    return Base::GetNamesFromIDs(tags, guid, flags, count, names);
  }
  HRESULT STDMETHODCALLTYPE CopyTo(ULONG ciid, LPCIID iids, LPSPropTagArray ex, ULONG_PTR ui, LPMAPIPROGRESS prog,
                                   LPCIID iid, LPVOID dest, ULONG flags, LPSPropProblemArray* problems) override {
    if (HRESULT hr = ctx_->Fault("CopyTo", flags); hr != S_OK) return hr;
    return Base::CopyTo(ciid, iids, ex, ui, prog, iid, dest, flags, problems);
  }

 protected:
  explicit Faulty(Ctx ctx) : ctx_(std::move(ctx)) {
    this->SetNameMap(ctx_->data->names);
    this->SetCodePage(ctx_->data->codepage);
  }
  Ctx ctx_;
};

HRESULT Hand(IUnknown* obj, LPCIID iid, LPUNKNOWN* out) {
  if (!iid) {
    obj->AddRef();
    *out = obj;
    return S_OK;
  }
  return obj->QueryInterface(*iid, reinterpret_cast<void**>(out));
}

HRESULT OpenById(const Ctx& ctx, ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type, LPUNKNOWN* out);

std::shared_ptr<PropMap> FolderRow(const Ctx& ctx, const Folder& f) {
  auto row = std::make_shared<PropMap>(f.props);
  row->Set(MakeBinary(PR_ENTRYID, ObjectEntryId(ctx->identity.uid, kFolderKind, f.serial)));
  row->Set(MakeBinary(PR_STORE_ENTRYID, ctx->identity.storeEntryId));
  row->Set(MakeLong(PR_OBJECT_TYPE, MAPI_FOLDER));
  if (!row->Find(PR_CONTENT_COUNT)) row->Set(MakeLong(PR_CONTENT_COUNT, static_cast<LONG>(f.messages.size())));
  if (!row->Find(PR_SUBFOLDERS)) row->Set(MakeBool(PR_SUBFOLDERS, !f.folders.empty()));
  return row;
}

std::shared_ptr<PropMap> MessageRow(const Ctx& ctx, const Message& m, bool top) {
  auto row = std::make_shared<PropMap>(m.props);
  if (top) {
    row->Set(MakeBinary(PR_ENTRYID, ObjectEntryId(ctx->identity.uid, kMessageKind, m.serial)));
    row->Set(MakeBinary(PR_STORE_ENTRYID, ctx->identity.storeEntryId));
  }
  row->Set(MakeLong(PR_OBJECT_TYPE, MAPI_MESSAGE));
  if (!row->Find(PR_HASATTACH)) row->Set(MakeBool(PR_HASATTACH, !m.attachments.empty()));
  return row;
}

// Contents rows are made when asked for.
class MessageRows final : public RowSource {
 public:
  MessageRows(Ctx ctx, std::shared_ptr<Folder> f) : ctx_(std::move(ctx)), folder_(std::move(f)) {}
  ULONG Count() override { return static_cast<ULONG>(folder_->messages.size()); }
  std::vector<ULONG> DefaultColumns() override {
    return {PR_ENTRYID, PR_MESSAGE_CLASS_W, PR_SUBJECT_W, PR_MESSAGE_FLAGS, PR_OBJECT_TYPE};
  }
  HRESULT GetRow(ULONG i, PropMap& row) override {
    if (i >= folder_->messages.size()) return MAPI_E_NOT_FOUND;
    row = *MessageRow(ctx_, *folder_->messages[i], true);
    return S_OK;
  }
  UINT CodePage() override { return ctx_->data->codepage; }

 private:
  Ctx ctx_;
  std::shared_ptr<Folder> folder_;
};

HRESULT CheckWidth(const Ctx& ctx, ULONG flags) {
  return (flags & MAPI_UNICODE) && !ctx->data->unicode ? MAPI_E_BAD_CHARWIDTH : S_OK;
}

class MemFolder final : public Faulty<FolderObject<>> {
 public:
  MemFolder(Ctx ctx, std::shared_ptr<Folder> f) : Faulty(std::move(ctx)), folder_(std::move(f)) {
    props() = *FolderRow(ctx_, *folder_);
    for (ULONG tag : folder_->leftOutOfObject) props().Erase(tag);
  }
  HRESULT STDMETHODCALLTYPE GetContentsTable(ULONG flags, LPMAPITABLE* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (HRESULT hr = ctx_->Fault("GetContentsTable", flags); hr != S_OK) return hr;
    if (HRESULT hr = CheckWidth(ctx_, flags); hr != S_OK) return hr;
    *out = MakeTable(std::make_shared<MessageRows>(ctx_, folder_), flags, ctx_->Hook()).Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetHierarchyTable(ULONG flags, LPMAPITABLE* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (HRESULT hr = ctx_->Fault("GetHierarchyTable", flags); hr != S_OK) return hr;
    if (HRESULT hr = CheckWidth(ctx_, flags); hr != S_OK) return hr;
    std::vector<std::shared_ptr<const PropMap>> rows;
    for (const auto& child : folder_->folders) {
      auto row = FolderRow(ctx_, *child);
      for (ULONG tag : child->leftOutOfRow) row->Erase(tag);
      rows.push_back(std::move(row));
    }
    auto source = std::make_shared<VectorRows>(
        std::vector<ULONG>{PR_ENTRYID, PR_DISPLAY_NAME_W, PR_CONTENT_COUNT, PR_SUBFOLDERS, PR_CONTAINER_CLASS_W},
        std::move(rows), ctx_->data->codepage);
    *out = MakeTable(std::move(source), flags, ctx_->Hook()).Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                                      LPUNKNOWN* out) override {
    return OpenById(ctx_, cb, id, iid, flags, type, out);
  }

 private:
  std::shared_ptr<Folder> folder_;
};

class MemMessage;
HRESULT MakeMessage(const Ctx& ctx, std::shared_ptr<Message> m, bool top, IMessage** out);

class MemAttach final : public Faulty<AttachObject<>> {
 public:
  MemAttach(Ctx ctx, std::shared_ptr<Message> owner, ULONG num) : Faulty(std::move(ctx)), owner_(std::move(owner)) {
    const Attachment& a = owner_->attachments[num];
    props() = a.props;
    props().Set(MakeLong(PR_ATTACH_NUM, static_cast<LONG>(num)));
    props().Set(MakeLong(PR_OBJECT_TYPE, MAPI_ATTACH));
    att_ = &a;
  }

 protected:
  HRESULT OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk) override {
    if (PROP_ID(tag) != PROP_ID(PR_ATTACH_DATA_OBJ) || PROP_TYPE(tag) != PT_OBJECT)
      return Faulty::OpenObject(tag, iid, flags, unk);
    if (att_->embedded && iid == IID_IMessage)
      return MakeMessage(ctx_, att_->embedded, false, reinterpret_cast<IMessage**>(unk));
    if (att_->oleStorage.empty() || (iid != IID_IStorage && iid != IID_IStream)) return MAPI_E_NO_SUPPORT;
    ComPtr<IStream> stream;
    if (HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()); FAILED(hr)) return hr;
    stream->Write(att_->oleStorage.data(), static_cast<ULONG>(att_->oleStorage.size()), nullptr);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    if (iid == IID_IStream) {
      *unk = stream.Detach();
      return S_OK;
    }
    return com::OpenStorageOnStream(stream.Get(), STGM_READ, reinterpret_cast<IStorage**>(unk));
  }
  HRESULT CopyContentsTo(LPVOID dest, REFIID, const SPropTagArray* exclude) override {
    return CopyAttachmentContents(this, dest, exclude);
  }

 private:
  std::shared_ptr<Message> owner_;  // keeps att_ alive
  const Attachment* att_ = nullptr;
};

class MemMessage final : public Faulty<MessageObject<>> {
 public:
  MemMessage(Ctx ctx, std::shared_ptr<Message> m, bool top) : Faulty(std::move(ctx)), msg_(std::move(m)) {
    props() = *MessageRow(ctx_, *msg_, top);
  }
  HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG flags, LPMAPITABLE* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (HRESULT hr = ctx_->Fault("GetAttachmentTable", flags); hr != S_OK) return hr;
    std::vector<std::shared_ptr<const PropMap>> rows;
    for (size_t i = 0; i < msg_->attachments.size(); ++i) {
      auto row = std::make_shared<PropMap>(msg_->attachments[i].props);
      row->Erase(PR_ATTACH_DATA_BIN);
      row->Set(MakeLong(PR_ATTACH_NUM, static_cast<LONG>(i)));
      rows.push_back(std::move(row));
    }
    auto source = std::make_shared<VectorRows>(
        std::vector<ULONG>{PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_W, PR_DISPLAY_NAME_W},
        std::move(rows), ctx_->data->codepage);
    *out = MakeTable(std::move(source), flags, ctx_->Hook()).Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenAttach(ULONG num, LPCIID iid, ULONG flags, LPATTACH* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (HRESULT hr = ctx_->Fault("OpenAttach", flags); hr != S_OK) return hr;
    if (num >= msg_->attachments.size()) return MAPI_E_NOT_FOUND;
    auto att = com::Make<MemAttach>(ctx_, msg_, num);
    return Hand(static_cast<IAttach*>(att.Get()), iid, reinterpret_cast<LPUNKNOWN*>(out));
  }
  HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG flags, LPMAPITABLE* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (HRESULT hr = ctx_->Fault("GetRecipientTable", flags); hr != S_OK) return hr;
    std::vector<std::shared_ptr<const PropMap>> rows;
    for (size_t i = 0; i < msg_->recipients.size(); ++i) {
      auto row = std::make_shared<PropMap>(msg_->recipients[i]);
      row->Set(MakeLong(PR_ROWID, static_cast<LONG>(i)));
      rows.push_back(std::move(row));
    }
    auto source = std::make_shared<VectorRows>(std::vector<ULONG>{PR_ROWID, PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W,
                                                                  PR_ADDRTYPE_W, PR_RECIPIENT_TYPE, PR_ENTRYID},
                                               std::move(rows), ctx_->data->codepage);
    *out = MakeTable(std::move(source), flags, ctx_->Hook()).Detach();
    return S_OK;
  }

 protected:
  // The two tables are also properties of the message.
  HRESULT OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk) override {
    if (iid == IID_IMAPITable && PROP_ID(tag) == PROP_ID(PR_MESSAGE_RECIPIENTS))
      return GetRecipientTable(flags, reinterpret_cast<LPMAPITABLE*>(unk));
    if (iid == IID_IMAPITable && PROP_ID(tag) == PROP_ID(PR_MESSAGE_ATTACHMENTS))
      return GetAttachmentTable(flags, reinterpret_cast<LPMAPITABLE*>(unk));
    return Faulty::OpenObject(tag, iid, flags, unk);
  }
  HRESULT CopyContentsTo(LPVOID dest, REFIID, const SPropTagArray* exclude) override {
    std::vector<const PropMap*> rows;
    for (const PropMap& r : msg_->recipients) rows.push_back(&r);
    std::vector<ULONG> numbers;
    for (ULONG i = 0; i < msg_->attachments.size(); ++i) numbers.push_back(i);
    return CopyMessageContents(this, dest, exclude, rows, numbers);
  }

 private:
  std::shared_ptr<Message> msg_;
};

HRESULT MakeMessage(const Ctx& ctx, std::shared_ptr<Message> m, bool top, IMessage** out) {
  *out = com::Make<MemMessage>(ctx, std::move(m), top).Detach();
  return S_OK;
}

class MemStore final : public Faulty<MsgStoreObject<>> {
 public:
  explicit MemStore(Ctx ctx) : Faulty(std::move(ctx)) {
    props() = ctx_->data->props;
    const auto& id = ctx_->identity;
    if (!props().Find(PR_DISPLAY_NAME_W)) props().Set(MakeUnicode(PR_DISPLAY_NAME_W, id.displayName));
    props().Set(MakeBinary(PR_ENTRYID, id.storeEntryId));
    props().Set(MakeBinary(PR_STORE_ENTRYID, id.storeEntryId));
    props().Set(MakeBinary(PR_RECORD_KEY, std::string_view(reinterpret_cast<const char*>(id.uid.ab), 16)));
    props().Set(MakeBinary(PR_STORE_RECORD_KEY, std::string_view(reinterpret_cast<const char*>(id.uid.ab), 16)));
    props().Set(MakeLong(PR_OBJECT_TYPE, MAPI_STORE));
    if (!props().Find(PR_MDB_PROVIDER))
      props().Set(
          MakeBinary(PR_MDB_PROVIDER, std::string_view(reinterpret_cast<const char*>(kMemoryProviderUid.ab), 16)));
    props().Set(MakeBinary(PR_IPM_SUBTREE_ENTRYID, ObjectEntryId(id.uid, kFolderKind, ctx_->data->ipmSubtree->serial)));
  }
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                                      LPUNKNOWN* out) override {
    return OpenById(ctx_, cb, id, iid, flags, type, out);
  }
};

HRESULT OpenById(const Ctx& ctx, ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type, LPUNKNOWN* out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  if (HRESULT hr = ctx->Fault("OpenEntry", flags); hr != S_OK) return hr;
  std::shared_ptr<Folder> folder;
  std::shared_ptr<Message> message;
  if (cb == 0 || !id) {
    folder = ctx->data->root;
  } else {
    const auto* p = reinterpret_cast<const BYTE*>(id);
    if (cb != 4 + 16 + 1 + 4 || std::memcmp(p + 4, ctx->identity.uid.ab, 16) != 0) return MAPI_E_INVALID_ENTRYID;
    const ULONG serial = p[21] | p[22] << 8 | p[23] << 16 | ULONG(p[24]) << 24;
    if (p[20] == kFolderKind)
      folder = ctx->data->FindFolder(serial);
    else if (p[20] == kMessageKind)
      message = ctx->data->FindMessage(serial);
    else
      return MAPI_E_INVALID_ENTRYID;
    if (!folder && !message) return MAPI_E_NOT_FOUND;
  }
  if (folder) {
    if (type) *type = MAPI_FOLDER;
    auto f = com::Make<MemFolder>(ctx, folder);
    return Hand(static_cast<IMAPIFolder*>(f.Get()), iid, out);
  }
  if (type) *type = MAPI_MESSAGE;
  auto m = com::Make<MemMessage>(ctx, message, true);
  return Hand(static_cast<IMessage*>(m.Get()), iid, out);
}

}  // namespace

std::string FolderEntryId(const MAPIUID& uid, const Folder& f) { return ObjectEntryId(uid, kFolderKind, f.serial); }
std::string MessageEntryId(const MAPIUID& uid, const Message& m) { return ObjectEntryId(uid, kMessageKind, m.serial); }

HRESULT OpenStore(std::shared_ptr<StoreData> data, const StoreIdentity& identity, IMsgStore** store) {
  if (!data || !store) return MAPI_E_INVALID_PARAMETER;
  auto ctx = std::make_shared<Context>(Context{std::move(data), identity});
  if (HRESULT hr = ctx->Fault("OpenMsgStore", 0); hr != S_OK) {
    *store = nullptr;
    return hr;
  }
  *store = com::Make<MemStore>(std::move(ctx)).Detach();
  return S_OK;
}

}  // namespace mapi::memory
