// The steps every document builder shares. A status the library returns
// counts as the same status raised: a document that could not be created,
// opened, saved or added is a Notes failure of the document (result 2).
#include "ItemWriters.h"
#include "NotesEngine.h"
#include "NotesStatus.h"
#include "NotesText.h"

std::int32_t CNotesEngine::BuildDocument(const ItemsWriter& writeItems, const CString& attachmentListPath,
                                         const DocumentBody& body, const CString& addFailureText) {
  LNDocument document;
  if (!CreateOpenDocument(document)) return kDocumentNotesFailure;
  writeItems(document);
  const BOOL attachedAll = AttachFiles(document, attachmentListPath);
  WriteBody(body.plainBody, body.htmlBody, body.textBody, document);
  return SaveToCurrentFolder(document, attachedAll, addFailureText);
}

BOOL CNotesEngine::CreateOpenDocument(LNDocument& document) {
  m_lastStatus = StatusOf([&] { return m_database.CreateDocument(&document); });
  if (m_lastStatus == LNNOERROR) m_lastStatus = StatusOf([&] { return document.Open(0); });
  if (m_lastStatus == LNNOERROR) return TRUE;
  SetNotesErrorText(m_lastStatus);
  return FALSE;
}

std::int32_t CNotesEngine::SaveToCurrentFolder(LNDocument& document, BOOL attachedAll, const CString& addFailureText) {
  m_lastStatus = StatusOf([&] { return document.Save(0); });
  if (m_lastStatus == LNNOERROR) m_lastStatus = StatusOf([&] { return m_currentFolder.FolderAddDocument(document); });
  if (m_lastStatus != LNNOERROR) {
    // Not closed: what a save stored stays in the database, outside the folder.
    const CString message = NotesMessage(m_lastStatus);
    SetErrorText(message.empty() ? addFailureText : message, m_lastStatus);
    return kDocumentNotesFailure;
  }
  document.Close();
  return attachedAll ? kDocumentInserted : kDocumentNotesFailure;
}
