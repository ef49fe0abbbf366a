// The database file: an SQLite file with this library's schema.
//
//   info(key, value)            "title", "class" ("database" or "template"),
//                               "template" (file name of the template a
//                               database was made from)
//   design(id, name, name_key, kind)   folders (1) and views (2); name_key is
//                               the case-folded name, unique
//   notes(id)                   saved documents
//   items(note_id, seq, name, kind, type, flags, value)   a note's items in
//                               order; kind 1 text list, 2 date list, 3 raw
//   attachments(id, note_id, name, size, method, data)    method 0 stored,
//                               1 zlib; size is the content's
//   folder_notes(folder_id, note_id)
//
// The file carries kApplicationId and kFormatVersion in its header; files
// without them are not databases of this library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "notes/lntypes.h"
#include "sqlite_handles.h"

namespace notes_internal {

constexpr std::int32_t kApplicationId = 0x4E534631;  // "NSF1"
constexpr std::int32_t kFormatVersion = 1;

enum class DesignKind { kFolder = 1, kView = 2 };

struct DesignEntry {
  std::string name;  // UTF-8
  DesignKind kind = DesignKind::kFolder;
};

struct StoreHeader {
  std::string title;
  std::string cls;  // "database" or "template"
  std::string templateFile;
};

// Opens an existing database file: LNERR_FILE_NOT_FOUND, LNERR_NOT_A_DATABASE
// (also for a folder, an empty file or a foreign SQLite file),
// LNERR_DATABASE_VERSION, LNERR_DATABASE_DAMAGED or LNERR_DATABASE_IO.
// A foreign file is never written to. Readers open the file for writing too
// (a file without write permission is read only), so that the last
// connection to close folds the write-ahead log back and removes it.
LNSTATUS OpenStore(const std::filesystem::path& file, Connection* out);

// Creates a database file whole or not at all: it is built under a
// temporary name beside the target and linked into place only if the
// target does not exist (LNERR_FILE_EXISTS).
LNSTATUS CreateStore(const std::filesystem::path& target, const StoreHeader& header,
                     const std::vector<DesignEntry>& design);

LNSTATUS ReadInfo(sqlite3* db, const char* key, std::string* value);
LNSTATUS ReadDesign(sqlite3* db, std::vector<DesignEntry>* design);

}  // namespace notes_internal
