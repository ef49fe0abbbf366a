// The document builders' entry: one Notes document for one exported item,
// in the engine's open database and current folder.
#include "NotesEngine.h"
#include "NotesText.h"
#include "notes/lnnote.h"

namespace {

LNSTATUS WriteText(LNDocument& document, const char16_t* name, const CString& value) {
  LNText text;
  text.Insert(0, ToLNString(value));
  return document.CreateItem(ToLNString(name), text);
}

}  // namespace

// Until each item type has its builder, every item becomes a bare memo (its
// form and subject), saved and added to the current folder.
std::int32_t CNotesEngine::InsertItemDocument(ItemBlock block) {
  LNDocument document;
  try {
    m_lastStatus = m_database.CreateDocument(&document);
    if (m_lastStatus == LNNOERROR) m_lastStatus = document.Open(0);
    if (m_lastStatus == LNNOERROR) m_lastStatus = WriteText(document, u"Form", u"Memo");
    if (m_lastStatus == LNNOERROR) m_lastStatus = WriteText(document, u"Subject", block.record.subject);
    if (m_lastStatus == LNNOERROR) m_lastStatus = document.Save(0);
    if (m_lastStatus == LNNOERROR) m_lastStatus = m_currentFolder.FolderAddDocument(document);
  } catch (LNSTATUS status) {
    m_lastStatus = status;
  }
  if (m_lastStatus != LNNOERROR) {
    SetNotesErrorText(m_lastStatus);
    return kDocumentNotesFailure;
  }
  document.Close();
  return kDocumentInserted;
}
