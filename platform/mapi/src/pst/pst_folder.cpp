// PST folders: their properties, and hierarchy and contents tables whose
// rows come from each sub-folder's or message's own properties.
#include <algorithm>
#include <iterator>

#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/table.h"
#include "pst/pst_objects.h"
#include "pst/pst_props.h"

namespace pst {
namespace {

// Large values stay out of table rows (they are read from the object).
constexpr size_t kMaxRowValue = 64 * 1024;
// PR_CONTAINER_HIERARCHY and PR_CONTAINER_CONTENTS, opened as tables.
constexpr ULONG kHierarchyId = 0x360E, kContentsId = 0x360F;

std::string NidBytes(uint32_t nid) { return std::string(reinterpret_cast<const char*>(&nid), sizeof nid); }

void AddRowKeys(const Store& store, uint32_t nid, mapi::PropMap& row) {
  row.Set(mapi::MakeBinary(PR_ENTRYID, store->EntryId(nid)));
  row.Set(mapi::MakeBinary(PR_INSTANCE_KEY, NidBytes(nid)));
  row.Set(mapi::MakeBinary(PR_RECORD_KEY, store->EntryId(nid)));
  store->AddStoreProps(row);
}

class HierarchyRows final : public mapi::RowSource {
 public:
  HierarchyRows(Store store, std::vector<uint32_t> folders) : store_(std::move(store)), folders_(std::move(folders)) {}
  ULONG Count() override { return static_cast<ULONG>(folders_.size()); }
  std::vector<ULONG> DefaultColumns() override {
    return {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_CONTENT_COUNT, PR_CONTENT_UNREAD, PR_SUBFOLDERS, PR_CONTAINER_CLASS_W};
  }
  HRESULT GetRow(ULONG index, mapi::PropMap& row) override {
    if (index >= folders_.size()) return MAPI_E_NOT_FOUND;
    auto lock = store_->file->Lock();
    return Guard([&] {
      // A damaged sub-folder keeps its row (with its keys): the folder
      // fails when opened, its siblings still list.
      try {
        mapi::PropMap props;
        FolderProps(store_, folders_[index], props);
        row = std::move(props);
      } catch (const ndb::Damage&) {
        AddRowKeys(store_, folders_[index], row);
        row.Set(mapi::MakeLong(PR_OBJECT_TYPE, MAPI_FOLDER));
      }
      row.Set(mapi::MakeLong(PR_DEPTH, 0));
      return S_OK;
    });
  }
  UINT CodePage() override { return CodePageOf(*store_->file, {}); }

 private:
  Store store_;
  std::vector<uint32_t> folders_;
};

class ContentsRows final : public mapi::RowSource {
 public:
  ContentsRows(Store store, uint32_t folder, ULONG count) : store_(std::move(store)), folder_(folder), count_(count) {}
  ULONG Count() override { return count_; }
  std::vector<ULONG> DefaultColumns() override {
    return {PR_ENTRYID, PR_MESSAGE_CLASS_W, PR_SUBJECT_W, PR_MESSAGE_FLAGS, PR_MESSAGE_SIZE};
  }
  HRESULT GetRow(ULONG index, mapi::PropMap& row) override { return Row(index, true, row); }
  // Columns that only name the message need nothing read from it.
  HRESULT GetRowFor(ULONG index, const std::vector<ULONG>& columns, mapi::PropMap& row) override {
    return Row(index, !std::all_of(columns.begin(), columns.end(), IsKeyColumn), row);
  }
  UINT CodePage() override { return CodePageOf(*store_->file, {}); }

 private:
  // What AddRowKeys and PR_OBJECT_TYPE answer, whatever the message holds.
  static bool IsKeyColumn(ULONG tag) {
    static constexpr ULONG kKeys[] = {PR_ENTRYID,       PR_INSTANCE_KEY,      PR_RECORD_KEY,
                                      PR_STORE_ENTRYID, PR_STORE_RECORD_KEY, PR_OBJECT_TYPE};
    return std::any_of(std::begin(kKeys), std::end(kKeys), [&](ULONG key) { return PROP_ID(key) == PROP_ID(tag); });
  }

  HRESULT Row(ULONG index, bool withProps, mapi::PropMap& row) {
    auto lock = store_->file->Lock();
    return Guard([&] { return ReadRow(index, withProps, row); });
  }

  HRESULT ReadRow(ULONG index, bool withProps, mapi::PropMap& row) {
    PstFile& file = *store_->file;
    std::optional<uint32_t> nid = file.MessageIdAt(folder_, static_cast<int>(index));
    if (!nid) return MAPI_E_NOT_FOUND;
    // A damaged or missing message keeps its row (with its keys): the
    // message fails when opened, the rest of the folder still lists.
    if (withProps) {
      try {
        if (ItemHandle message = file.Message(*nid)) {
          mapi::PropMap props;
          FillProps(message->Props(), props, FillOptions{kMaxRowValue, false, nullptr});
          row = std::move(props);
          // The message itself is usually opened next.
          file.KeepRecent(*nid, std::move(message));
        }
      } catch (const ndb::Damage&) {
      }
    }
    AddRowKeys(store_, *nid, row);
    row.Set(mapi::MakeLong(PR_OBJECT_TYPE, MAPI_MESSAGE));
    return S_OK;
  }

  Store store_;
  uint32_t folder_;
  ULONG count_;
};

class PstFolder final : public mapi::FolderObject<> {
 public:
  PstFolder(Store store, uint32_t nid) : store_(std::move(store)), nid_(nid) { SetNameMap(store_->names); }

  HRESULT STDMETHODCALLTYPE GetHierarchyTable(ULONG flags, LPMAPITABLE* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    auto lock = store_->file->Lock();
    return Guard([&] {
      auto rows = std::make_shared<HierarchyRows>(store_, store_->file->SubFolders(nid_));
      *table = mapi::MakeTable(std::move(rows), flags).Detach();
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE GetContentsTable(ULONG flags, LPMAPITABLE* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    auto lock = store_->file->Lock();
    return Guard([&] {
      // Folder-associated contents are not offered: the table is empty.
      ULONG count = (flags & MAPI_ASSOCIATED) ? 0 : static_cast<ULONG>(store_->file->MessageCount(nid_));
      *table = mapi::MakeTable(std::make_shared<ContentsRows>(store_, nid_, count), flags).Detach();
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cb, LPENTRYID entryId, LPCIID iid, ULONG, ULONG* objType,
                                      LPUNKNOWN* out) override {
    return OpenEntryOf(store_, cb, entryId, iid, objType, out);
  }

 protected:
  HRESULT Load() override {
    auto lock = store_->file->Lock();
    return Guard([&] {
      FolderProps(store_, nid_, props());
      SetCodePage(CodePageOf(*store_->file, props()));
      return S_OK;
    });
  }
  HRESULT OpenObject(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* unk) override {
    if (iid == IID_IMAPITable && PROP_ID(tag) == kHierarchyId)
      return GetHierarchyTable(flags, reinterpret_cast<LPMAPITABLE*>(unk));
    if (iid == IID_IMAPITable && PROP_ID(tag) == kContentsId)
      return GetContentsTable(flags, reinterpret_cast<LPMAPITABLE*>(unk));
    return mapi::FolderObject<>::OpenObject(tag, iid, flags, unk);
  }

 private:
  Store store_;
  uint32_t nid_;
};

}  // namespace

void FolderProps(const Store& store, uint32_t nid, mapi::PropMap& props) {
  PstFile& file = *store->file;
  Item* folder = file.Folder(nid);
  if (!folder) return;
  FillProps(folder->Props(), props, FillOptions{kMaxRowValue, false, nullptr});
  AddRowKeys(store, nid, props);
  props.Set(mapi::MakeLong(PR_OBJECT_TYPE, MAPI_FOLDER));
  bool search = (nid & kNidTypeMask) == kNidTypeSearchFolder;
  props.Set(mapi::MakeLong(PR_FOLDER_TYPE, nid == file.RootFolderId() ? FOLDER_ROOT
                                           : search                   ? FOLDER_SEARCH
                                                                      : FOLDER_GENERIC));
  if (!props.Find(PR_CONTENT_COUNT)) props.Set(mapi::MakeLong(PR_CONTENT_COUNT, file.MessageCount(nid)));
  if (!props.Find(PR_SUBFOLDERS)) props.Set(mapi::MakeBool(PR_SUBFOLDERS, !file.SubFolders(nid).empty()));
}

ComPtr<IMAPIFolder> OpenFolder(const Store& store, uint32_t nid) {
  auto lock = store->file->Lock();
  if (!store->file->Folder(nid)) return nullptr;
  return com::Make<PstFolder>(store, nid);
}

}  // namespace pst
