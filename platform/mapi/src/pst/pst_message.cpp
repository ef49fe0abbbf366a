// PST messages: every stored property with its type, the recipient and
// attachment tables, and OpenAttach.
#include <memory>
#include <vector>

#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/message_copy.h"
#include "mapi/table.h"
#include "pst/pst_items.h"
#include "pst/pst_objects.h"
#include "pst/pst_props.h"

namespace pst {
namespace {

std::string IndexBytes(ULONG i) { return std::string(reinterpret_cast<const char*>(&i), sizeof i); }

ComPtr<IMAPITable> TableOf(std::vector<ULONG> columns, std::vector<std::shared_ptr<const mapi::PropMap>> rows,
                           UINT codepage, ULONG flags) {
  return mapi::MakeTable(std::make_shared<mapi::VectorRows>(std::move(columns), std::move(rows), codepage), flags);
}

class PstMessage final : public mapi::MessageObject<> {
 public:
  PstMessage(Store store, SharedItem item, std::optional<uint32_t> nid, ComPtr<IUnknown> owner)
      : store_(std::move(store)), owner_(std::move(owner)), item_(std::move(item)), nid_(nid) {
    SetNameMap(store_->names);
  }
  ~PstMessage() override {
    auto lock = store_->file->Lock();
    attachments_.clear();  // they lean on item_
    item_.reset();
  }

  HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG flags, LPMAPITABLE* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    std::vector<std::shared_ptr<const mapi::PropMap>> rows;
    if (HRESULT hr = RecipientMaps(&rows); FAILED(hr)) return hr;
    *table = TableOf({PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W, PR_ADDRTYPE_W, PR_RECIPIENT_TYPE, PR_ENTRYID, PR_ROWID},
                     std::move(rows), CodePage(), flags)
                 .Detach();
    return S_OK;
  }

  // Into another message: properties (named ones by name), recipients and
  // attachments with their data.
  HRESULT STDMETHODCALLTYPE CopyTo(ULONG, LPCIID, LPSPropTagArray exclude, ULONG_PTR, LPMAPIPROGRESS, LPCIID iid,
                                   LPVOID dest, ULONG, LPSPropProblemArray* problems) override {
    if (!dest) return MAPI_E_INVALID_PARAMETER;
    if (iid && *iid != IID_IMessage) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    auto* target = static_cast<IMessage*>(dest);
    HRESULT hr = CopyPropsByName(this, target, exclude, problems);
    if (FAILED(hr)) return hr;
    std::vector<std::shared_ptr<const mapi::PropMap>> recipients;
    if (!mapi::InTags(exclude, PR_MESSAGE_RECIPIENTS))
      if (hr = RecipientMaps(&recipients); FAILED(hr)) return hr;
    std::vector<const mapi::PropMap*> rows;
    for (const auto& r : recipients) rows.push_back(r.get());
    std::vector<ULONG> numbers;
    {
      auto lock = store_->file->Lock();
      hr = Guard([&] {
        for (int i = 0, n = AttachmentCount(item_.get()); i < n; ++i) numbers.push_back(static_cast<ULONG>(i));
        return S_OK;
      });
      if (FAILED(hr)) return hr;
    }
    hr = mapi::CopyMessageContents(this, dest, exclude, rows, numbers);
    return FAILED(hr) ? hr : S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG flags, LPMAPITABLE* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    auto lock = store_->file->Lock();
    if (!attachmentRows_)
      if (HRESULT hr = Guard([&] { return ReadAttachments(); }); FAILED(hr)) return hr;
    *table = TableOf({PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_W, PR_ATTACH_FILENAME_W,
                      PR_DISPLAY_NAME_W, PR_ATTACH_SIZE},
                     *attachmentRows_, CodePage(), flags)
                 .Detach();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OpenAttach(ULONG number, LPCIID iid, ULONG, LPATTACH* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    auto lock = store_->file->Lock();
    SharedAttachment a;
    HRESULT hr = Guard([&] {
      if (number >= static_cast<ULONG>(AttachmentCount(item_.get()))) return MAPI_E_NOT_FOUND;
      a = KeptAttachment(number);
      if (!a) {
        ItemHandle read = AttachmentAt(item_.get(), static_cast<int>(number));
        if (!read) return MAPI_E_CORRUPT_DATA;
        a = std::make_shared<AttachmentItem>(std::move(read));
      }
      return S_OK;
    });
    if (FAILED(hr)) return hr;
    ComPtr<IAttach> attach = OpenAttachment(store_, std::move(a), number, ComPtr<IUnknown>(static_cast<IMessage*>(this)));
    if (iid && !(*iid == IID_IAttachment || *iid == IID_IMAPIProp || *iid == IID_IUnknown))
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    *out = attach.Detach();
    return S_OK;
  }

 protected:
  HRESULT Load() override {
    auto lock = store_->file->Lock();
    return Guard([&] { return Fill(); });
  }
  HRESULT Fill() {
    RecordSet rs = item_->Props();
    if (rs.Empty()) return MAPI_E_CORRUPT_DATA;
    FillProps(rs, props());
    if (nid_) {
      props().Set(mapi::MakeBinary(PR_ENTRYID, store_->EntryId(*nid_)));
      props().Set(mapi::MakeBinary(PR_RECORD_KEY, store_->EntryId(*nid_)));
    }
    props().Set(mapi::MakeLong(PR_OBJECT_TYPE, MAPI_MESSAGE));
    store_->AddStoreProps(props());
    if (!props().Find(PR_HASATTACH)) {
      const SPropValue* flags = props().Find(PR_MESSAGE_FLAGS);
      bool has = (flags && PROP_TYPE(flags->ulPropTag) == PT_LONG && (flags->Value.l & MSGFLAG_HASATTACH)) ||
                 AttachmentCount(item_.get()) > 0;
      props().Set(mapi::MakeBool(PR_HASATTACH, has));
    }
    codePage_ = CodePageOf(*store_->file, props());
    SetCodePage(codePage_);
    return S_OK;
  }
  HRESULT OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk) override {
    if (iid == IID_IMAPITable && PROP_ID(tag) == PROP_ID(PR_MESSAGE_RECIPIENTS))
      return GetRecipientTable(flags, reinterpret_cast<LPMAPITABLE*>(unk));
    if (iid == IID_IMAPITable && PROP_ID(tag) == PROP_ID(PR_MESSAGE_ATTACHMENTS))
      return GetAttachmentTable(flags, reinterpret_cast<LPMAPITABLE*>(unk));
    return mapi::MessageObject<>::OpenObject(tag, iid, flags, unk);
  }

 private:
  // The code page of the message's PT_STRING8 values, for its tables too.
  UINT CodePage() {
    if (!codePage_) Ready();
    return codePage_ ? codePage_ : store_->file->CodePage();
  }

  // The rows of the attachment table, once, from each attachment's own
  // properties (its data is not read); the items are kept for the
  // attachment objects and any later table.
  HRESULT ReadAttachments() {
    std::vector<std::shared_ptr<const mapi::PropMap>> rows;
    const int n = AttachmentCount(item_.get());
    attachments_.assign(static_cast<size_t>(n), nullptr);
    for (int i = 0; i < n; ++i) {
      auto row = std::make_shared<mapi::PropMap>();
      if (ItemHandle a = AttachmentAt(item_.get(), i)) {
        FillProps(a->Props(), *row, FillOptions{SIZE_MAX, false, [](uint16_t id) { return id == kPidAttachDataBin; }});
        attachments_[i] = std::make_shared<AttachmentItem>(std::move(a));
      }
      row->Set(mapi::MakeLong(PR_ATTACH_NUM, i));
      row->Set(mapi::MakeBinary(PR_INSTANCE_KEY, IndexBytes(static_cast<ULONG>(i))));
      row->Set(mapi::MakeLong(PR_OBJECT_TYPE, MAPI_ATTACH));
      rows.push_back(std::move(row));
    }
    attachmentRows_ = std::move(rows);
    return S_OK;
  }

  SharedAttachment KeptAttachment(ULONG number) const {
    return number < attachments_.size() ? attachments_[number] : nullptr;
  }

  HRESULT RecipientMaps(std::vector<std::shared_ptr<const mapi::PropMap>>* rows) {
    auto lock = store_->file->Lock();
    return Guard([&] {
      Recipients recipients = RecipientRows(item_.get());
      ULONG i = 0;
      for (const RecordSet& rs : recipients.rows) {
        auto row = std::make_shared<mapi::PropMap>();
        FillProps(rs, *row, FillOptions{SIZE_MAX, true, nullptr});
        row->Set(mapi::MakeLong(PR_ROWID, static_cast<LONG>(i)));
        row->Set(mapi::MakeBinary(PR_INSTANCE_KEY, IndexBytes(i++)));
        rows->push_back(std::move(row));
      }
      return S_OK;
    });
  }

  Store store_;
  ComPtr<IUnknown> owner_;
  SharedItem item_;
  std::optional<uint32_t> nid_;
  UINT codePage_ = 0;
  std::optional<std::vector<std::shared_ptr<const mapi::PropMap>>> attachmentRows_;
  std::vector<SharedAttachment> attachments_;  // by attachment number; null where not kept
};

}  // namespace

ComPtr<IMessage> OpenMessage(const Store& store, SharedItem item, std::optional<uint32_t> nid,
                             ComPtr<IUnknown> owner) {
  if (!item) return nullptr;
  return com::Make<PstMessage>(store, std::move(item), nid, std::move(owner));
}

}  // namespace pst
