// An exclusive lock on a lock file (flock), and atomic file replacement:
// what keeps profiles and mailbox lists whole with several processes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace mapi {

class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& lockFile);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Writes the whole content to a temporary file beside path and renames it
// over path; readers see the old or the new file, never a part.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content);
bool ReadWholeFile(const std::filesystem::path& path, std::string* content);

}  // namespace mapi
