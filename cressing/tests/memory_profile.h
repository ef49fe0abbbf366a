// A profile "Memory" of the machine, whose one PST service is a memory store
// that the walks reach through the installed MAPI library. Kept apart from
// the dialog's code: the store's headers declare MAPI's entry points, which
// the support layer's binding declares again.
#pragma once

#include <filesystem>
#include <memory>

namespace cressing_test {

class MemoryProfile {
 public:
  // What Inbox says of its own count.
  enum class InboxCount { Four, None };

  // Installs MAPI into the current machine root and creates the profile;
  // the store's file name is taken in scratch.
  explicit MemoryProfile(const std::filesystem::path& scratch);
  ~MemoryProfile();
  MemoryProfile(const MemoryProfile&) = delete;
  MemoryProfile& operator=(const MemoryProfile&) = delete;

  // Top of Personal Folders > Inbox (IPF.Note, 2 items) > Old (IPF.Note,
  // 1 item); neither hierarchy row carries a content count.
  void AddInboxWithoutRowCounts(InboxCount inboxCount);
  // The next OpenEntry through the store after letThrough more succeed fails
  // once with MAPI_E_NO_ACCESS.
  void FailOneOpenEntry(unsigned letThrough);

  // MAPI buffers allocated and not yet freed, in the whole process.
  static long LiveMapiBuffers();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace cressing_test
