// An announced item's files made the controller's own: the exporter deletes
// or writes again its names once it is answered, so the importer is handed
// links of ours in a folder of the item's own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace controller {

// A path as an engine wrote it ("/tmp/x\MSG1.eml").
std::filesystem::path FromEngine(std::u16string path);

// The files an attachment list names: its lines come in threes, the stored
// file's name, the name shown and the folder.
std::vector<std::filesystem::path> AttachmentFiles(const std::filesystem::path& list);

// The item's files as the exporter named them; empty for a file it has not.
struct ItemPaths {
  std::u16string emlFile, itemTextFile, attachmentList, membersFile;
};

// The same item taken into the queue.
struct TakenItem {
  ItemPaths paths;          // as the importer is to be given them
  std::uintmax_t bytes = 0;  // what its files hold
  // Ours: the item's own files, then its attachments' folder if it has one.
  std::vector<std::filesystem::path> files;
  // The exporter's attachment files that were taken: it leaves them to the
  // importer, which now has ours.
  std::vector<std::filesystem::path> attachments;
};

// Links (copies where a link cannot be made) the item's files into `queue`
// as "<name>-<file>", and its attachments into a folder "<name>" there with
// an attachment list naming them in it (a folder only for an item that has
// attachment files: most have none, and a folder costs more than a file).
// A file the exporter named but did not write is left out, as the importer
// leaves it out. On failure what was taken is removed and the error says why.
std::optional<TakenItem> TakeItemFiles(const ItemPaths& item, const std::filesystem::path& queue,
                                       const std::string& name, std::string* error);

// Every regular file below `folder`.
std::vector<std::filesystem::path> FilesBelow(const std::filesystem::path& folder);

}  // namespace controller
