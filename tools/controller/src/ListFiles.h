// The files the engines write for the controller to read: the list files
// of Cressing (UTF-16LE lines ended by CR LF) with their folder lines, and
// the message boxes an engine showed on its standard error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace controller {

// The lines of a list file; nothing when it cannot be read.
std::optional<std::vector<std::u16string>> ReadListFile(const std::filesystem::path& file);

// A UTF-16LE file for an engine to read, every line ended by LF alone.
bool WriteInputFile(const std::filesystem::path& file, const std::vector<std::u16string>& lines);

// One folder of a folder walk ("FolderName.txt", "MailBoxName.txt").
struct ListedFolder {
  std::int32_t entryIndex = 0;
  std::vector<std::u16string> levels;  // display names from the top of the walk
  std::int32_t count = 0;              // the items it holds
  std::int32_t folderType = -1;        // 6 to 11; -1 when it has no container class
};

// The folders of a walk in walk order, numbered from `firstIndex` as the
// engine numbers its entries. A folder with a container class has a line of
// its own, twice in a row when it has no sub-folders; one without a class has
// a line (without type) only when it has no sub-folders, and otherwise shows
// only in its sub-folders' lines.
std::vector<ListedFolder> ParseFolderList(const std::vector<std::u16string>& lines, std::int32_t firstIndex);

// A message box as the unattended desktop reports it on standard error.
struct ShownBox {
  std::string caption;
  std::string text;
};
// The boxes in `log` from byte `offset` on; `offset` moves past the last one.
std::vector<ShownBox> ReadMessageBoxes(const std::filesystem::path& log, std::uintmax_t* offset);

}  // namespace controller
