// One opened PST or OST file: the libpff file, its lock, the store's
// identity and our own map from node identifiers to where the item sits
// (libpff's own lookup by identifier walks every item). Folders and
// messages are found through libpff's item tree, never through its folder
// tables: a folder item keeps a table it has read for as long as it lives,
// a whole contents table for a folder's message list. What stays is
// libpff's own: the nodes of the block index it has walked live until the
// file is closed (no call bounds them, and reopening rebuilds the item tree,
// which takes seconds on a large file), so memory levels off at the size
// of the file's index rather than growing with every message read.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "pst/pff_handles.h"
#include "pst/pst_namemap.h"
#include "win32/types.h"

namespace pst {

// Node identifier kinds (the low five bits of an identifier).
constexpr uint32_t kNidTypeMask = 0x1F;
constexpr uint32_t kNidTypeFolder = 0x02;
constexpr uint32_t kNidTypeSearchFolder = 0x03;
constexpr uint32_t kNidTypeMessage = 0x04;
constexpr uint32_t kNidTypeAssociated = 0x08;

class PstFile {
 public:
  // Null when the file is missing or not a PST, with the reason in *error.
  static std::shared_ptr<PstFile> Open(const std::string& path, std::string* error = nullptr);
  PstFile(const PstFile&) = delete;
  PstFile& operator=(const PstFile&) = delete;

  // libpff handles of one file are not safe across threads: every call on
  // this file or its items runs under this lock.
  std::unique_lock<std::recursive_mutex> Lock() const { return std::unique_lock(mutex_); }

  const std::string& Path() const { return path_; }
  // 64-bit files hold Unicode strings; 32-bit files 8-bit strings, each
  // item's in the code page it declares, else in CodePage() (the machine's
  // ANSI code page when the file was opened).
  bool Unicode() const { return unicode_; }
  UINT CodePage() const { return codePage_; }
  // The store's PR_RECORD_KEY (16 bytes), which entry ids of this file carry.
  const std::vector<uint8_t>& RecordKey() const { return recordKey_; }
  libpff_item_t* StoreItem() const { return store_.get(); }
  uint32_t RootFolderId() const { return rootId_; }

  static bool IsFolderId(uint32_t nid);
  // Folders are kept open once found (they hold no more than their own
  // properties); null for an identifier that names no folder.
  libpff_item_t* Folder(uint32_t nid);
  std::vector<uint32_t> SubFolders(uint32_t folderNid);
  int MessageCount(uint32_t folderNid);
  // Messages are opened when asked for and live as long as the handle.
  ItemHandle MessageAt(uint32_t folderNid, int index);
  // The identifier of a folder's message, without opening it.
  std::optional<uint32_t> MessageIdAt(uint32_t folderNid, int index);
  // A message by identifier; null when the file has none.
  ItemHandle Message(uint32_t nid);
  // Holds a message item whose properties were just read (a contents-table
  // row) for the Message(nid) that usually follows, so that libpff reads
  // them once. One item at most: the next one takes its place.
  void KeepRecent(uint32_t nid, ItemHandle item);

  const NameMap& Names();

  // Entry ids: 4 flag bytes, the record key, the node identifier.
  std::vector<uint8_t> EntryId(uint32_t nid) const;
  std::optional<uint32_t> NidOf(const uint8_t* entryId, size_t size) const;

 private:
  PstFile() = default;
  // Where an item sits in libpff's item tree: its parent folder and its
  // index among the parent's sub-items.
  struct Place {
    uint32_t parent;
    int index;
  };
  // A folder's sub-folders and messages, as identifiers and sub-item indexes.
  struct Children {
    std::vector<uint32_t> folders;
    std::vector<int> messages;
    std::vector<uint32_t> messageIds;  // beside messages
  };
  libpff_item_t* FindFolder(uint32_t nid);
  const Children* ChildrenOf(uint32_t folderNid);
  ItemHandle SubItem(uint32_t folderNid, int index, uint32_t nid);
  bool ScanFor(uint32_t nid);

  std::string path_;
  FileHandle file_;
  ItemHandle store_;
  bool unicode_ = true;
  UINT codePage_ = 1252;
  std::vector<uint8_t> recordKey_;
  uint32_t rootId_ = 0;
  std::unordered_map<uint32_t, ItemHandle> folders_;
  std::unordered_map<uint32_t, Place> places_;
  std::unordered_map<uint32_t, Children> children_;
  bool scanned_ = false;
  uint32_t recentId_ = 0;
  ItemHandle recent_;
  std::optional<NameMap> names_;
  mutable std::recursive_mutex mutex_;
};

}  // namespace pst
