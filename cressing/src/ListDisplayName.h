// The entry list: every store, mailbox and folder that a later request may
// name, by a 1-based index.
#pragma once

#include <cstdint>
#include <memory>

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

// The first entry with the index, or null.
CListDisplayName* FindDisplayName(const DisplayNameList& list, std::int32_t index);
