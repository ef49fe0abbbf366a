// The entry list: every store, mailbox and folder that a later request may
// name, by a 1-based index.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "com/unknown.h"
#include "mapi/interfaces.h"
#include "mfc/strings.h"

class CListDisplayName {
 public:
  CListDisplayName() = default;

  void SetName(const CString& name) { m_name = name; }
  CString GetEmailAddress() const { return m_emailAddress; }
  CString GetDisplayName() const { return m_displayName; }

  CString m_name;           // store name, mailbox display name or folder path
  CString m_emailAddress;   // mailbox entries: the mailbox's distinguished name
  CString m_displayName;    // mailbox entries: the display name again
  SBinary* m_lpEntryID = nullptr;  // points into a row set the dialog keeps
  std::int32_t m_index = 0;
  IMsgStore* m_lpMDB = nullptr;    // folder entries: the store the dialog keeps open
};

using DisplayNameList = CList<std::unique_ptr<CListDisplayName>>;

// An entry's store and entry id, held apart from the entry list for the
// length of an export: a listing served while the export waits on its
// requester clears the list and releases what the list held.
class HeldEntry {
 public:
  explicit HeldEntry(const CListDisplayName& entry);
  HeldEntry(const HeldEntry&) = delete;
  HeldEntry& operator=(const HeldEntry&) = delete;

  SBinary* EntryID() { return m_hasEntryID ? &m_entryID : nullptr; }
  IMsgStore* Store() const { return m_store.Get(); }

 private:
  ComPtr<IMsgStore> m_store;
  std::vector<BYTE> m_entryBytes;
  SBinary m_entryID{};
  bool m_hasEntryID = false;
};

// The first entry with the index, or null.
CListDisplayName* FindDisplayName(const DisplayNameList& list, std::int32_t index);
