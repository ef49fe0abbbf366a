// One opened PST or OST file: its node database, its lock, the store's
// identity, and the items the provider reads (the store, folders,
// messages, attachments, embedded messages). Folders list their
// sub-folders and messages through their hierarchy and contents tables;
// messages are found by node id in the node B-tree. Nothing is read before
// it is asked for, and what is read is held in the database's bounded
// cache. Damage found while reading throws ndb::Damage.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "mapi/prop_bag.h"
#include "pst/ltp_tc.h"
#include "pst/pst_namemap.h"
#include "pst/pst_record.h"
#include "win32/types.h"

namespace pst {

// Node identifier kinds (the low five bits of an identifier).
constexpr uint32_t kNidTypeMask = 0x1F;
constexpr uint32_t kNidTypeFolder = 0x02;
constexpr uint32_t kNidTypeSearchFolder = 0x03;
constexpr uint32_t kNidTypeMessage = 0x04;
constexpr uint32_t kNidTypeAssociated = 0x08;

// A node whose property context is read on first use: a folder, a
// message, an attachment or an embedded message.
class Item {
 public:
  Item(ndb::NdbFile& file, ndb::Node node, int depth = 0) : file_(&file), node_(node), depth_(depth) {}
  const ndb::Node& NodeOf() const { return node_; }
  // How deep in attachments and embedded messages the item sits.
  int Depth() const { return depth_; }
  ndb::NdbFile& File() const { return *file_; }
  RecordSet Props();
  // The table in subnode `nid` of this item (recipients, attachments);
  // null when the item has none.
  const ltp::TableContext* SubTable(uint32_t nid);

 private:
  ndb::NdbFile* file_;
  ndb::Node node_;
  int depth_;
  std::shared_ptr<const ltp::PropertyContext> pc_;
  std::unordered_map<uint32_t, std::optional<ltp::TableContext>> tables_;
};
using ItemHandle = std::unique_ptr<Item>;

class PstFile {
 public:
  // Null when the file is missing, no PST, or damaged where every read
  // begins (header, B-tree roots, the store), with the reason in *error.
  static std::shared_ptr<PstFile> Open(const std::string& path, std::string* error = nullptr);
  PstFile(const PstFile&) = delete;
  PstFile& operator=(const PstFile&) = delete;

  // Every call on this file or its items runs under this lock.
  std::unique_lock<std::recursive_mutex> Lock() const { return std::unique_lock(mutex_); }

  const std::string& Path() const { return path_; }
  // 64-bit files hold Unicode strings; 32-bit files 8-bit strings in CodePage().
  bool Unicode() const { return ndb_->form() == ndb::Form::kUnicode; }
  UINT CodePage() const { return codePage_; }
  // The store's PR_RECORD_KEY (16 bytes), which entry ids of this file carry.
  const std::vector<uint8_t>& RecordKey() const { return recordKey_; }
  Item* StoreItem() const { return store_.get(); }
  uint32_t RootFolderId() const { return kRootFolder; }
  ndb::NdbFile& Database() const { return *ndb_; }

  static bool IsFolderId(uint32_t nid);
  // Folders are kept once found (they hold no more than their own
  // properties); null for an identifier that names no folder.
  Item* Folder(uint32_t nid);
  std::vector<uint32_t> SubFolders(uint32_t folderNid);
  int MessageCount(uint32_t folderNid);
  // Messages are read when asked for and live as long as the handle.
  ItemHandle MessageAt(uint32_t folderNid, int index);
  // The identifier of a folder's message, without reading it.
  std::optional<uint32_t> MessageIdAt(uint32_t folderNid, int index);
  // A message by identifier; null when the file has none.
  ItemHandle Message(uint32_t nid);
  // Holds a message whose properties were just read (a contents-table
  // row) for the Message(nid) that usually follows. One at most.
  void KeepRecent(uint32_t nid, ItemHandle item);

  const NameMap& Names();

  // Entry ids: 4 flag bytes, the record key, the node identifier.
  std::vector<uint8_t> EntryId(uint32_t nid) const;
  std::optional<uint32_t> NidOf(const uint8_t* entryId, size_t size) const;

 private:
  static constexpr uint32_t kRootFolder = 0x122;
  PstFile() = default;
  // A folder's table of sub-folders (0x0D) or messages (0x0E) as row ids.
  const std::vector<uint32_t>& TableIds(uint32_t folderNid, uint32_t tableType);

  std::string path_;
  std::unique_ptr<ndb::NdbFile> ndb_;
  ItemHandle store_;
  UINT codePage_ = 1252;
  std::vector<uint8_t> recordKey_;
  std::unordered_map<uint32_t, ItemHandle> folders_;
  // The row ids of the tables listed last (a few: they can be large).
  struct Listed {
    uint32_t table;
    std::vector<uint32_t> ids;
  };
  std::vector<Listed> listed_;
  uint32_t recentId_ = 0;
  ItemHandle recent_;
  std::optional<NameMap> names_;
  mutable std::recursive_mutex mutex_;
};

// The code page of an item's PT_STRING8 values.
UINT CodePageOf(const PstFile& file, const mapi::PropMap& itemProps);

}  // namespace pst
