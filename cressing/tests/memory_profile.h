// A profile "Memory" of the machine, whose one PST service is a memory store
// that the walks reach through the installed MAPI library. Kept apart from
// the dialog's code: the store's headers declare MAPI's entry points, which
// the support layer's binding declares again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

struct IMsgStore;

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

  // Top of Personal Folders > Contacts (IPF.Contact) with distribution
  // lists, in this order:
  //   "Team": a property 0x9000 without a name, the members (0x8054,
  //     PT_MV_BINARY): Al (8-bit one-off), Nobody (no address), an entry id
  //     no address book knows, Zoë (zoë@example.com), Li
  //     (李@example.com), Bo (bo@example.com), and Keywords Red, Blue;
  //   "Odd": 0x8054 as PT_UNICODE "not a member list";
  //   "Plain": no member property;
  //   "Nobody in it": 0x8054 without values;
  // then a mail "After".
  void AddDistributionLists();
  // Every later GetNamesFromIDs fails with MAPI_E_NO_SUPPORT.
  void FailNames();
  // MAPI buffers allocated and not yet freed, in the whole process.
  static long LiveMapiBuffers();

  // Top of Personal Folders > Export (IPF.Note), in this order:
  //   "Attachments": a.txt (200,000 bytes of cressing_test::Pattern), b.txt ("bee"), an
  //     embedded message "Inner" (body "inner body"), c.txt ("sea"), and an
  //     OLE object "Sheet" that opens as a storage only (a stream "Contents"
  //     holding "cells");
  //   "Big body": a body of 5,000 characters (BigBody()).
  void AddExportFolder();
  // The store opened once more, outside any session, with one reference the
  // caller owns (so that it is the store's only holder), and the entry id of
  // its Export folder.
  IMsgStore* OpenUnsharedStore(std::string& exportFolderId);
  static std::u16string BigBody();
  // String and binary values longer than this come back from GetProps as
  // MAPI_E_NOT_ENOUGH_MEMORY.
  void LimitValues(std::size_t bytes);
  // Calls named `call` fail with `status` after `after` succeed, `times`
  // times (0: every time).
  void Fail(const std::string& call, std::int32_t status, unsigned after = 0, unsigned times = 0);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace cressing_test
