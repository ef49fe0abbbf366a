// PST attachments: their properties, PR_ATTACH_DATA_BIN as a stream, and
// PR_ATTACH_DATA_OBJ as the embedded message or the OLE object's docfile
// (a stream of its bytes, or an IStorage over them).
#include <algorithm>

#include "com/storage.h"
#include "mapi/mapicode.h"
#include "mapi/message_copy.h"
#include "mapi/mapitags.h"
#include "pst/pst_items.h"
#include "pst/pst_objects.h"
#include "pst/pst_props.h"

namespace pst {
namespace {

// Attachment data larger than this is read through OpenProperty only.
constexpr size_t kMaxDataInProps = 1024 * 1024;

class DataStream final : public com::ComObject<IStream> {
 public:
  DataStream(Store store, DataReader reader, ComPtr<IUnknown> owner)
      : store_(std::move(store)), owner_(std::move(owner)), reader_(std::move(reader)) {}
  ~DataStream() override {
    auto lock = store_->file->Lock();
    reader_ = DataReader();
  }

  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* read) override {
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    auto lock = store_->file->Lock();
    long long n = reader_.ReadAt(pos_, static_cast<uint8_t*>(pv), cb);
    if (n < 0) return STG_E_READFAULT;
    pos_ += static_cast<uint64_t>(n);
    if (read) *read = static_cast<ULONG>(n);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    long long base = origin == STREAM_SEEK_SET   ? 0
                     : origin == STREAM_SEEK_CUR ? static_cast<long long>(pos_)
                     : origin == STREAM_SEEK_END ? static_cast<long long>(reader_.Size())
                                                 : -1;
    if (base < 0) return STG_E_INVALIDFUNCTION;
    long long to = base + move.QuadPart;
    if (to < 0) return STG_E_INVALIDFUNCTION;
    pos_ = static_cast<uint64_t>(to);
    if (newPosition) newPosition->QuadPart = pos_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                   ULARGE_INTEGER* pcbWritten) override {
    if (!target) return STG_E_INVALIDPOINTER;
    uint64_t left = cb.QuadPart, readTotal = 0, writtenTotal = 0;
    std::vector<uint8_t> buf(64 * 1024);
    HRESULT hr = S_OK;
    while (left > 0) {
      ULONG got = 0, put = 0;
      hr = Read(buf.data(), static_cast<ULONG>(std::min<uint64_t>(left, buf.size())), &got);
      if (FAILED(hr) || got == 0) break;
      readTotal += got;
      hr = target->Write(buf.data(), got, &put);
      writtenTotal += put;
      if (FAILED(hr)) break;
      left -= got;
    }
    if (pcbRead) pcbRead->QuadPart = readTotal;
    if (pcbWritten) pcbWritten->QuadPart = writtenTotal;
    return FAILED(hr) ? hr : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = reader_.Size();
    stat->grfMode = STGM_READ;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  Store store_;
  ComPtr<IUnknown> owner_;
  DataReader reader_;
  uint64_t pos_ = 0;
};

class PstAttach final : public mapi::AttachObject<> {
 public:
  PstAttach(Store store, SharedAttachment attachment, ULONG number, ComPtr<IUnknown> owner)
      : store_(std::move(store)), owner_(std::move(owner)), attachment_(std::move(attachment)), number_(number) {
    SetNameMap(store_->names);
  }
  ~PstAttach() override {
    auto lock = store_->file->Lock();
    attachment_.reset();
  }

  // Into another attachment: properties (named ones by name) and the data
  // that GetProps does not carry (embedded messages, OLE storages, large data).
  HRESULT STDMETHODCALLTYPE CopyTo(ULONG, LPCIID, LPSPropTagArray exclude, ULONG_PTR, LPMAPIPROGRESS, LPCIID iid,
                                   LPVOID dest, ULONG, LPSPropProblemArray* problems) override {
    if (!dest) return MAPI_E_INVALID_PARAMETER;
    if (iid && *iid != IID_IAttachment) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (HRESULT hr = WithData(); FAILED(hr)) return hr;
    auto* target = static_cast<IAttach*>(dest);
    HRESULT hr = CopyPropsByName(this, target, exclude, problems);
    if (SUCCEEDED(hr) && !mapi::InTags(exclude, PR_ATTACH_DATA_BIN)) hr = CopyData(target);
    return FAILED(hr) ? hr : S_OK;
  }

  // A tag list that names no data leaves the data (up to a megabyte, and
  // read through OpenProperty by those who want it) where it is; every
  // other call sees it among the properties.
  HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                                     LPSPropValue* values) override {
    if (!tags || mapi::InTags(tags, PR_ATTACH_DATA_BIN))
      if (HRESULT hr = WithData(); FAILED(hr)) return hr;
    return mapi::AttachObject<>::GetProps(tags, flags, count, values);
  }
  HRESULT STDMETHODCALLTYPE GetPropList(ULONG flags, LPSPropTagArray* tags) override {
    if (HRESULT hr = WithData(); FAILED(hr)) return hr;
    return mapi::AttachObject<>::GetPropList(flags, tags);
  }
  HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray include, ULONG_PTR ui, LPMAPIPROGRESS progress, LPCIID iid,
                                      LPVOID dest, ULONG flags, LPSPropProblemArray* problems) override {
    if (HRESULT hr = WithData(); FAILED(hr)) return hr;
    return mapi::AttachObject<>::CopyProps(include, ui, progress, iid, dest, flags, problems);
  }
  HRESULT STDMETHODCALLTYPE SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) override {
    if (HRESULT hr = WithData(); FAILED(hr)) return hr;
    return mapi::AttachObject<>::SetProps(count, values, problems);
  }
  HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems) override {
    if (HRESULT hr = WithData(); FAILED(hr)) return hr;
    return mapi::AttachObject<>::DeleteProps(tags, problems);
  }

 protected:
  HRESULT Load() override {
    auto lock = store_->file->Lock();
    return Guard([&] {
      FillProps(Item()->Props(), props(),
                FillOptions{kMaxDataInProps, false, [](uint16_t id) { return id == kPidAttachDataBin; }});
      props().Set(mapi::MakeLong(PR_ATTACH_NUM, static_cast<LONG>(number_)));
      props().Set(mapi::MakeLong(PR_OBJECT_TYPE, MAPI_ATTACH));
      store_->AddStoreProps(props());
      SetCodePage(CodePageOf(*store_->file, props()));
      return S_OK;
    });
  }

  HRESULT OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk) override {
    if (PROP_ID(tag) != kPidAttachDataBin) return mapi::AttachObject<>::OpenObject(tag, iid, flags, unk);
    auto lock = store_->file->Lock();
    return Guard([&] { return OpenData(iid, unk); });
  }

 private:
  HRESULT OpenData(REFIID iid, LPUNKNOWN* unk) {
    ComPtr<IUnknown> self(static_cast<IAttach*>(this));
    if (iid == IID_IMessage) {
      if (!attachment_->embedded) attachment_->embedded = EmbeddedMessage(Item());
      if (!attachment_->embedded) return MAPI_E_NOT_FOUND;
      // Shares the item kept beside the attachment's, and keeps both.
      SharedItem inner(attachment_, attachment_->embedded.get());
      *unk = OpenMessage(store_, std::move(inner), std::nullopt, self).Detach();
      return S_OK;
    }
    bool asStorage = iid == IID_IStorage;
    if (!(asStorage || iid == IID_IStream || iid == IID_IStreamDocfile || iid == IID_IUnknown))
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    ComPtr<IStream> stream = OpenDataStream(store_, Item(), self);
    if (!stream) return MAPI_E_NOT_FOUND;
    if (!asStorage) {
      *unk = stream.Detach();
      return S_OK;
    }
    ComPtr<IStorage> storage;
    HRESULT hr = com::OpenStorageOnStream(stream.Get(), STGM_READ, storage.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return MAPI_E_NOT_FOUND;  // the data is no docfile
    *unk = storage.Detach();
    return S_OK;
  }

  pst::Item* Item() const { return attachment_->item.get(); }

  // The properties with the data among them, as Load leaves it out.
  HRESULT WithData() {
    if (HRESULT hr = Ready(); FAILED(hr)) return hr;
    if (dataLoaded_) return S_OK;
    auto lock = store_->file->Lock();
    return Guard([&] {
      FillProps(Item()->Props(), props(),
                FillOptions{kMaxDataInProps, false, [](uint16_t id) { return id != kPidAttachDataBin; }});
      dataLoaded_ = true;
      return S_OK;
    });
  }
  template <class T>
  HRESULT Open(ULONG tag, const IID& iid, ComPtr<T>* out) {
    return OpenProperty(tag, &iid, 0, 0, reinterpret_cast<LPUNKNOWN*>(out->ReleaseAndGetAddressOf()));
  }
  template <class T>
  static HRESULT Create(IAttach* target, ULONG tag, const IID& iid, ComPtr<T>* out) {
    return target->OpenProperty(tag, &iid, STGM_READWRITE, MAPI_CREATE | MAPI_MODIFY,
                                reinterpret_cast<LPUNKNOWN*>(out->ReleaseAndGetAddressOf()));
  }

  HRESULT CopyData(IAttach* target) {
    if (HRESULT hr = WithData(); FAILED(hr)) return hr;
    const SPropValue* data = props().Find(PR_ATTACH_DATA_BIN);
    if (!data) return S_OK;
    if (PROP_TYPE(data->ulPropTag) == PT_OBJECT) {
      ComPtr<IMessage> inner, copy;
      if (SUCCEEDED(Open(PR_ATTACH_DATA_OBJ, IID_IMessage, &inner))) {
        HRESULT hr = Create(target, PR_ATTACH_DATA_OBJ, IID_IMessage, &copy);
        if (SUCCEEDED(hr)) hr = inner->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, copy.Get(), 0, nullptr);
        if (SUCCEEDED(hr)) hr = copy->SaveChanges(KEEP_OPEN_READWRITE);
        return hr;
      }
      ComPtr<IStorage> storage, copyStorage;
      if (FAILED(Open(PR_ATTACH_DATA_OBJ, IID_IStorage, &storage))) return S_OK;  // an object we cannot read
      HRESULT hr = Create(target, PR_ATTACH_DATA_OBJ, IID_IStorage, &copyStorage);
      if (SUCCEEDED(hr)) hr = storage->CopyTo(0, nullptr, nullptr, copyStorage.Get());
      if (SUCCEEDED(hr)) hr = copyStorage->Commit(STGC_DEFAULT);
      return hr;
    }
    if (PROP_TYPE(data->ulPropTag) != PT_ERROR) return S_OK;  // copied with the properties
    ComPtr<IStream> from, to;
    if (FAILED(Open(PR_ATTACH_DATA_BIN, IID_IStream, &from))) return S_OK;
    HRESULT hr = Create(target, PR_ATTACH_DATA_BIN, IID_IStream, &to);
    ULARGE_INTEGER all{};
    all.QuadPart = UINT64_MAX;
    if (SUCCEEDED(hr)) hr = from->CopyTo(to.Get(), all, nullptr, nullptr);
    if (SUCCEEDED(hr)) hr = to->Commit(STGC_DEFAULT);
    return hr;
  }

  Store store_;
  ComPtr<IUnknown> owner_;
  SharedAttachment attachment_;
  ULONG number_;
  bool dataLoaded_ = false;
};

}  // namespace

ComPtr<IAttach> OpenAttachment(const Store& store, SharedAttachment attachment, ULONG number,
                               ComPtr<IUnknown> owner) {
  if (!attachment) return nullptr;
  return com::Make<PstAttach>(store, std::move(attachment), number, std::move(owner));
}

ComPtr<IStream> OpenDataStream(const Store& store, Item* attachment, ComPtr<IUnknown> owner) {
  DataReader reader = DataReader::Of(attachment);
  if (!reader.Valid()) return nullptr;
  return com::Make<DataStream>(store, std::move(reader), std::move(owner));
}

}  // namespace pst
