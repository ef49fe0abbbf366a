// Read-only view of a whole database file, for tools and tests: its title,
// folders and views, and every saved document with its items and
// attachments. It reads one consistent state of the file, also while
// another process writes it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "notes/lntypes.h"

namespace notes {

enum class ItemKind { kText = 1, kTime = 2, kRaw = 3 };

struct ItemRecord {
  std::string name;  // UTF-8
  ItemKind kind = ItemKind::kText;
  unsigned type = 0;  // raw items: their type
  std::uint32_t flags = 0;
  // Text items: the entries (UTF-8). Date items: wall-clock times as
  // "YYYY-MM-DDTHH:MM:SS", with ".hh" when there are hundredths.
  std::vector<std::string> values;
  std::string bytes;  // raw items: the bytes as created
};

struct AttachmentRecord {
  std::int64_t id = 0;
  std::string name;  // UTF-8
  std::uint64_t size = 0;
};

struct DocumentRecord {
  std::int64_t id = 0;
  std::vector<ItemRecord> items;  // in creation order
  std::vector<AttachmentRecord> attachments;
};

struct FolderRecord {
  std::string name;
  bool view = false;
  std::vector<std::int64_t> documents;  // note ids, ascending (views: none)
};

struct DatabaseRecord {
  std::string title;
  std::string cls;           // "database" or "template"
  std::string templateFile;  // the template a database was made from
  std::vector<FolderRecord> folders;      // folders and views in creation order
  std::vector<DocumentRecord> documents;  // by note id, in folders or not
};

class NsfReader {
 public:
  NsfReader();
  ~NsfReader();
  NsfReader(const NsfReader&) = delete;
  NsfReader& operator=(const NsfReader&) = delete;

  // Opens the file read-only and starts the read; LNERR_FILE_NOT_FOUND,
  // LNERR_NOT_A_DATABASE, LNERR_DATABASE_VERSION, LNERR_DATABASE_DAMAGED,
  // LNERR_DATABASE_IO.
  LNSTATUS Open(const std::filesystem::path& file);
  LNSTATUS Read(DatabaseRecord* out);
  // An attachment's content, uncompressed.
  LNSTATUS ReadAttachment(std::int64_t id, std::string* content);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace notes
