// What the handles of the library share: one database, folder or note each.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "notes/lntypes.h"
#include "notes/lnvalues.h"
#include "notes/nsf_reader.h"
#include "sqlite_handles.h"
#include "store.h"

namespace notes_internal {

struct DatabaseImpl {
  LNString path;                 // as the caller named it
  std::filesystem::path file;    // where it is
  std::unique_ptr<Store> store;  // null while closed
  std::string title;
  dev_t device = 0;  // the file's identity while open
  ino_t inode = 0;

  sqlite3* db() const { return store ? store->db() : nullptr; }
  bool SameFile(const DatabaseImpl& other) const {
    return this == &other || (db() && other.db() && device == other.device && inode == other.inode);
  }
};

struct FolderImpl {
  std::shared_ptr<DatabaseImpl> database;
  std::int64_t id = 0;
  std::string name;
  DesignKind kind = DesignKind::kFolder;
  bool open = false;
};

struct StoredItem {
  std::string name;
  std::string key;  // NameKey(name)
  notes::ItemKind kind = notes::ItemKind::kText;
  LNITEMTYPE type = 0;
  LNITEMFLAGS flags = 0;
  std::string value;  // as kept in the file (codec.h)
};

struct PendingAttachment {
  std::string name;
  std::int64_t size = 0;
  int method = 0;
  std::string data;
};

struct NoteImpl {
  std::shared_ptr<DatabaseImpl> database;
  LNNOTEID id = 0;    // 0 until saved
  bool open = false;
  bool gone = false;  // closed before it was ever saved
  std::vector<StoredItem> items;
  bool itemsChanged = false;               // since the last save or open
  std::vector<PendingAttachment> pending;  // attached since the last save
};

// The status for a database that must be open: bound and connected.
inline LNSTATUS NeedOpen(const std::shared_ptr<DatabaseImpl>& d) {
  if (!d) return LNERR_OBJECT_NOT_BOUND;
  return d->db() ? LNNOERROR : LNERR_OBJECT_NOT_OPEN;
}

// The database, folder and note parts of the file.
LNSTATUS InsertFolder(Store& db, const std::string& name, std::int64_t* id);
LNSTATUS FindFolder(Store& db, const std::string& name, FolderImpl* out);
LNSTATUS AddToFolder(Store& db, std::int64_t folderId, LNNOTEID noteId);
LNSTATUS WriteNote(Store& db, NoteImpl& note);
LNSTATUS ReadNoteItems(Store& db, LNNOTEID id, std::vector<StoredItem>* items);

}  // namespace notes_internal
