// Fennick's one object that talks to Notes: the session, the target
// database that CD_CREATE_NSF creates and leaves open, its folders, the
// error text every Notes failure goes through, and the entry of the
// document builders.
#pragma once

#include <cstdint>

#include "ItemTextRecord.h"
#include "mfc/strings.h"
#include "notes/lndatabase.h"
#include "notes/lnsession.h"
#include "win32/types.h"

// What CD_INSERT_ITEM hands the document builders, by value.
struct ItemBlock {
  CString emlFile;
  ItemTextRecord record;
  std::int32_t plainBody = 0;  // only the low byte is set and read
  CString attachmentList;
};

// Builder results: saved and added to the current folder; or stopped by a
// Notes failure while the document was created, saved or added (the error
// text is set). Anything else fails the request.
constexpr std::int32_t kDocumentInserted = 1;
constexpr std::int32_t kDocumentNotesFailure = 2;

class CNotesEngine {
 public:
  CNotesEngine();
  virtual ~CNotesEngine();
  CNotesEngine(const CNotesEngine&) = delete;
  CNotesEngine& operator=(const CNotesEngine&) = delete;

  // Databases (NotesEngine.cpp).
  // Creates targetFolder\databaseName.nsf (numbered when taken) from the
  // mail template, else copies the user's mail file, and opens it in place
  // of the previous database. 1, or 0 with the error text set.
  BOOL CreateNsf(const CString& targetFolder, const CString& databaseName);
  // A free "Mail_Unicode.nsf" (or "Mail_Unicode<n>.nsf") in the directory of
  // `path`, up to its last "\"; `path` itself when it has none.
  static CString MakeUniqueNsfPath(const CString& path);
  // Copies "Mail.nsf" of the mail-file folder to targetFolder\fileName (else
  // to MakeUniqueNsfPath of it); `copiedTo` is where it went, `errorText`
  // says why it failed.
  BOOL CopyMailNsf(const CString& targetFolder, const CString& fileName, CString& copiedTo, CString& errorText);
  // Closes the database when it is open.
  void CloseNotes();

  // The error text: `text` ended with a full stop (trailing line breaks
  // dropped first), or a fixed text for the network, a missing Notes
  // installation and a missing ID file.
  void SetErrorText(const CString& text, LNSTATUS status);
  CString GetErrorText() const { return m_errorText; }
  // Each request starts without an error text.
  void ClearErrorText() { m_errorText.clear(); }
  // SetErrorText with the library's message for the status.
  void SetNotesErrorText(LNSTATUS status);

  void SetMailFileDir(const CString& folder) { m_mailFileDir = folder; }
  void SetMembersFilePath(const CString& path) { m_membersFilePath = path; }

  // Folders (NotesFolders.cpp). `path` is a request's folder path with its
  // extra final character. CreateNotesFolder rewrites it into the final
  // name (numbered when the name is taken).
  BOOL CreateNotesFolder(CString& path);
  BOOL OpenNotesFolder(CString path);
  BOOL CloseNotesFolder();

  // The document builders' entry (InsertItemDocument.cpp): a builder result.
  std::int32_t InsertItemDocument(ItemBlock block);

  // What the builders and tests read.
  BOOL IsDatabaseOpen() const { return m_databaseOpen; }
  LNDatabase& Database() { return m_database; }
  LNViewFolder& CurrentFolder() { return m_currentFolder; }
  LNSTATUS LastStatus() const { return m_lastStatus; }
  const CString& MailFileDir() const { return m_mailFileDir; }
  const CString& MembersFilePath() const { return m_membersFilePath; }

 private:
  void StartSession();
  CString FindMailTemplate();
  BOOL OpenTargetDatabase(const CString& targetPath);
  LNSTATUS CreateFromTemplate(const CString& templatePath, const CString& targetPath);

  CString m_errorText;
  std::int32_t m_databaseOpen = 0;
  LNNotesSession m_session;
  LNDatabase m_database;
  LNViewFolder m_currentFolder;
  LNSTATUS m_lastStatus = 0;
  CString m_mailFileDir;
  CString m_membersFilePath;
};
