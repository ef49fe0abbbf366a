// "AttachmentList.txt" as the extraction engine writes it: three lines per
// attachment (the stored file's name, the name the attachment is to carry,
// the folder holding the file, ending in "\"), UTF-16LE, CR LF line ends.
#pragma once

#include "mfc/strings.h"
#include "notes/lntypes.h"

class CAttachEntry {
 public:
  CAttachEntry() = default;
  CAttachEntry(CString folder, CString storedName, CString displayName)
      : m_folder(std::move(folder)), m_storedName(std::move(storedName)), m_displayName(std::move(displayName)) {}
  virtual ~CAttachEntry() = default;
  CAttachEntry(const CAttachEntry&) = default;
  CAttachEntry& operator=(const CAttachEntry&) = default;

  const CString& GetFolder() const { return m_folder; }
  const CString& GetStoredName() const { return m_storedName; }
  const CString& GetDisplayName() const { return m_displayName; }
  void SetFolder(const CString& folder) { m_folder = folder; }
  void SetStoredName(const CString& name) { m_storedName = name; }
  void SetDisplayName(const CString& name) { m_displayName = name; }

 private:
  CString m_folder;
  CString m_storedName;
  CString m_displayName;
};

// Why an entry stayed out of the document: the error text and its Notes
// status (0 when the failure was not the library's).
struct AttachFailure {
  CString text;
  LNSTATUS status = LNNOERROR;
};

// Appends the file's complete entries in file order; a file that cannot be
// opened adds none, and an entry cut short by the end of the file is left
// out. A CR ending a line is not part of it.
void ReadAttachList(CList<CAttachEntry>& list, const CString& path);

// `result` is the display name, numbered when entries before `index` carry
// the same name regardless of the case of a-z: "name<n>.ext" (before the
// last ".") or "name<n>", n being their count. True when numbered.
bool NumberDuplicateName(CString& result, std::size_t index, const CString& displayName,
                         const CList<CAttachEntry>& list);

// The name with \ / : * ? " < > | each replaced by "_".
CString SanitizeFileName(CString name);
