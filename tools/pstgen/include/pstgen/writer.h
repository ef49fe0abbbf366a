// Writes a PST file, Unicode or ANSI. Messages go to disk as they are added, so a
// caller may stream any number of them; folders, tables, the name-to-ID map
// and the B-trees are written by Finish.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pstgen/description.h"

namespace pstgen {

// The messages a file can hold, embedded ones included (the NID index
// beside the type bits); AddMessage throws beyond.
inline constexpr std::uint64_t kMaxMessages = std::uint64_t(1) << 26;

class PstWriter {
 public:
  using FolderId = std::uint32_t;  // the folder's NID

  // An ANSI file holds every PT_UNICODE value as PT_STRING8 in Windows-1252
  // (text the code page lacks is refused) and stays below 2 GB.
  explicit PstWriter(const std::filesystem::path& path, FileFormat format = FileFormat::kUnicode);
  ~PstWriter();
  PstWriter(const PstWriter&) = delete;
  PstWriter& operator=(const PstWriter&) = delete;

  void SetStore(const std::u16string& displayName, const std::vector<Property>& props);
  // The folders every store has: "Top of Personal Folders" (named by the
  // store's PR_IPM_SUBTREE_ENTRYID), "Deleted Items" below it, "Search Root".
  FolderId IpmSubtree() const;
  FolderId DeletedItems() const;
  FolderId SearchRoot() const;

  FolderId AddFolder(FolderId parent, const std::u16string& name, const std::u16string& containerClass,
                     const std::vector<Property>& props);
  // Adds props to a folder (e.g. to one of the built-in ones).
  void AddFolderProps(FolderId folder, const std::vector<Property>& props);
  void AddMessage(FolderId folder, const Message& message);
  // Completes the file; the writer is unusable afterwards. A writer
  // destroyed without Finish leaves an incomplete file behind.
  void Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A whole description at once. Top-level folders named "Deleted Items"
// become the store's own deleted items folder.
void WritePst(const Store& store, const std::filesystem::path& path);

}  // namespace pstgen
