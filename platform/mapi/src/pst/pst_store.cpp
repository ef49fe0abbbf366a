// The PST message store: its properties, OpenEntry, and the factory the
// session opens PST stores through.
#include <cstring>
#include <filesystem>

#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "pst/pst_objects.h"
#include "pst/pst_props.h"
#include "win32/path.h"

namespace pst {
namespace {

constexpr size_t kEntryIdSize = 24;

std::string Bytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

}  // namespace

// What a file refused at opening is, by the reader's reason: no PST, a form
// the reader does not read, or a PST whose header or roots are damaged.
std::string KindOfRefusal(const std::string& reason) {
  static const struct {
    const char* start;
    const char* kind;
  } kKinds[] = {{"no PST file signature", "not a PST file"},
                {"the 4K-page form", "an unsupported PST file"},
                {"unknown file format version", "an unsupported PST file"}};
  for (const auto& k : kKinds)
    if (reason.rfind(k.start, 0) == 0) return k.kind;
  return "a damaged PST file";
}

namespace {

class PstStore final : public mapi::MsgStoreObject<> {
 public:
  explicit PstStore(Store store) : store_(std::move(store)) { SetNameMap(store_->names); }

  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cb, LPENTRYID entryId, LPCIID iid, ULONG, ULONG* objType,
                                      LPUNKNOWN* out) override {
    return OpenEntryOf(store_, cb, entryId, iid, objType, out);
  }

 protected:
  HRESULT Load() override {
    auto lock = store_->file->Lock();
    return Guard([&] { return Fill(); });
  }

 private:
  HRESULT Fill() {
    FillProps(store_->file->StoreItem()->Props(), props());
    // Entry ids the file stores name folders of this store.
    std::vector<mapi::Prop> restamped;
    props().ForEach([&](const SPropValue& v) {
      if (auto id = store_->Restamp(v)) restamped.push_back(mapi::MakeBinary(v.ulPropTag, *id));
    });
    for (auto& p : restamped) props().Set(std::move(p));
    const auto& identity = store_->identity;
    if (!identity.displayName.empty()) props().Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, identity.displayName));
    props().Set(mapi::MakeBinary(PR_ENTRYID, identity.storeEntryId));
    props().Set(mapi::MakeBinary(PR_RECORD_KEY, Bytes(&identity.uid, sizeof identity.uid)));
    props().Set(mapi::MakeBinary(PR_MDB_PROVIDER, Bytes(&mapi::kPstProviderUid, sizeof(MAPIUID))));
    props().Set(mapi::MakeLong(PR_OBJECT_TYPE, MAPI_STORE));
    store_->AddStoreProps(props());
    SetCodePage(CodePageOf(*store_->file, props()));
    return S_OK;
  }

  Store store_;
};

}  // namespace

std::string StoreState::EntryId(uint32_t nid) const {
  std::string id(kEntryIdSize, '\0');
  std::memcpy(id.data() + 4, &identity.uid, 16);
  for (int i = 0; i < 4; ++i) id[20 + i] = static_cast<char>(nid >> (8 * i));
  return id;
}

std::optional<uint32_t> StoreState::NidOf(ULONG cb, const void* entryId) const {
  if (!entryId || cb != kEntryIdSize) return std::nullopt;
  auto* b = static_cast<const uint8_t*>(entryId);
  if (std::memcmp(b + 4, &identity.uid, 16) != 0) return file->NidOf(b, cb);
  return uint32_t{b[20]} | uint32_t{b[21]} << 8 | uint32_t{b[22]} << 16 | uint32_t{b[23]} << 24;
}

std::optional<std::string> StoreState::Restamp(const SPropValue& v) const {
  if (PROP_TYPE(v.ulPropTag) != PT_BINARY || v.Value.bin.cb != kEntryIdSize) return std::nullopt;
  auto nid = file->NidOf(v.Value.bin.lpb, v.Value.bin.cb);
  if (!nid) return std::nullopt;
  return EntryId(*nid);
}

void StoreState::AddStoreProps(mapi::PropMap& props) const {
  props.Set(mapi::MakeBinary(PR_STORE_ENTRYID, identity.storeEntryId));
  props.Set(mapi::MakeBinary(PR_STORE_RECORD_KEY, Bytes(&identity.uid, sizeof identity.uid)));
}

HRESULT OpenEntryOf(const Store& store, ULONG cb, LPENTRYID entryId, LPCIID iid, ULONG* objType,
                    LPUNKNOWN* out) {
  if (!out || !objType) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  std::optional<uint32_t> nid;
  if (cb == 0 || !entryId) {
    nid = store->file->RootFolderId();
  } else {
    nid = store->NidOf(cb, entryId);
    if (!nid) return MAPI_E_INVALID_ENTRYID;
  }
  auto lock = store->file->Lock();
  ComPtr<IMAPIProp> object;
  HRESULT hr = Guard([&] {
    if (PstFile::IsFolderId(*nid)) {
      object = OpenFolder(store, *nid);
      *objType = MAPI_FOLDER;
    } else if (ItemHandle item = store->file->Message(*nid)) {
      object = OpenMessage(store, SharedItem(std::move(item)), *nid);
      *objType = MAPI_MESSAGE;
    }
    return S_OK;
  });
  if (FAILED(hr)) return hr;
  if (!object) return MAPI_E_NOT_FOUND;
  const IID& want = iid ? *iid : IID_IMAPIProp;
  hr = object->QueryInterface(want, reinterpret_cast<void**>(out));
  return FAILED(hr) ? MAPI_E_INTERFACE_NOT_SUPPORTED : S_OK;
}

}  // namespace pst

namespace mapi {

HRESULT OpenPstStore(const std::u16string& path, const StoreIdentity& identity, ULONG, IMsgStore** out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  std::filesystem::path file = win32::MapPath(path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return MAPI_E_NOT_FOUND;
  auto pst = pst::PstFile::Open(file.string());
  if (!pst) return MAPI_E_CORRUPT_STORE;
  auto state = std::make_shared<pst::StoreState>();
  state->file = pst;
  state->identity = identity;
  state->names = std::make_shared<NameMap>();
  {
    auto lock = pst->Lock();
    pst->Names().ForEach([&](uint16_t id, const pst::PropName& n) {
      PropName name{n.guid, n.isString ? MNID_STRING : MNID_ID, static_cast<LONG>(n.lid), n.name};
      state->names->Bind(id, name);
    });
  }
  *out = com::Make<pst::PstStore>(std::move(state)).Detach();
  return S_OK;
}

HRESULT CheckPstFile(const std::u16string& path, std::string* reason) {
  const std::filesystem::path file = win32::MapPath(path);
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  std::string why;
  HRESULT hr = MAPI_E_NOT_FOUND;
  if (!std::filesystem::exists(status)) {
    why = "no such file";
  } else if (std::filesystem::is_directory(status)) {
    why = "a folder, not a PST file";
  } else if (!std::filesystem::is_regular_file(status)) {
    why = "not a regular file";
  } else if (std::string error; !pst::PstFile::Open(file.string(), &error)) {
    why = pst::KindOfRefusal(error) + " (" + error + ")";
    hr = MAPI_E_CORRUPT_STORE;
  } else {
    return S_OK;
  }
  if (reason) *reason = why;
  return hr;
}

}  // namespace mapi
