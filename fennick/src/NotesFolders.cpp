// Folders of the target database: created under their final name (numbered
// when the name is taken), opened for each item and closed after it.
#include "FolderNames.h"
#include "NotesEngine.h"
#include "NotesStatus.h"
#include "NotesText.h"

BOOL CNotesEngine::CreateNotesFolder(CString& path) {
  const CString name = NotesFolderName(path);
  m_lastStatus = StatusOf([&] { return m_database.CreateFolder(ToLNString(name)); });
  if (m_lastStatus == LNNOERROR) {
    path = name;
    return 1;
  }
  SetNotesErrorText(m_lastStatus);

  CString numbered = name;
  try {
    for (int n = 1; m_database.ViewFolderExists(ToLNString(numbered)); ++n) numbered = name + DecimalText(n);
  } catch (LNSTATUS) {
    return 0;
  }
  m_lastStatus = StatusOf([&] { return m_database.CreateFolder(ToLNString(numbered)); });
  if (m_lastStatus == LNNOERROR) {
    path = numbered;
    return 1;
  }
  SetNotesErrorText(m_lastStatus);
  return 0;
}

BOOL CNotesEngine::OpenNotesFolder(CString path) {
  const CString name = NotesFolderName(path);
  m_lastStatus = StatusOf([&] { return m_database.GetViewFolder(ToLNString(name), &m_currentFolder); });
  if (m_lastStatus == LNNOERROR) m_lastStatus = StatusOf([&] { return m_currentFolder.Open(0); });
  if (m_lastStatus == LNNOERROR) return 1;
  SetNotesErrorText(m_lastStatus);
  return 0;
}

// The error text stays the one of the item's own failure, if any.
BOOL CNotesEngine::CloseNotesFolder() {
  m_lastStatus = StatusOf([&] { return m_currentFolder.Close(); });
  return m_lastStatus == LNNOERROR;
}
