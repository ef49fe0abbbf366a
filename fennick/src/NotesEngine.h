// Fennick's one object that talks to Notes: the session, the target
// database that CD_CREATE_NSF creates and leaves open, its folders, the
// error text every Notes failure goes through, and the entry of the
// document builders.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "AttachList.h"
#include "ItemTextRecord.h"
#include "mfc/strings.h"
#include "notes/lndatabase.h"
#include "notes/lnnote.h"
#include "notes/lnsession.h"
#include "win32/types.h"

// What CD_INSERT_ITEM hands the document builders, by value.
struct ItemBlock {
  CString emlFile;
  ItemTextRecord record;
  std::int32_t plainBody = 0;  // only the low byte is set and read
  CString attachmentList;
};

// Builder results: saved, added to the current folder and closed; or a
// Notes failure of the document (it could not be created, saved or added,
// or an attachment stayed out of it), with the error text set. Anything
// else fails the request.
constexpr std::int32_t kDocumentInserted = 1;
constexpr std::int32_t kDocumentNotesFailure = 2;

// The body texts a builder hands the frame, and the plain-body flag of the
// request (only its low byte counts).
struct DocumentBody {
  std::int32_t plainBody = 0;
  CString htmlBody;
  CString textBody;
};

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

  // The document builders' entry (InsertItemDocument.cpp): the builder for
  // the record's type, and its result.
  std::int32_t InsertItemDocument(ItemBlock block);

  // Mail memos (MemoBuilders.cpp): from the item text and the MIME file, or
  // from the MIME file alone (every type without a builder of its own).
  std::int32_t BuildMemoDocument(ItemBlock block);
  std::int32_t BuildMimeMemoDocument(CString emlPath, std::int32_t plainBody, CString attachmentListPath);

  // The other item types, one source file each: 1 or 2 as the memos; a
  // group answers 0 when its document cannot be created.
  std::int32_t BuildAppointmentDocument(ItemBlock block);
  std::int32_t BuildTaskDocument(ItemBlock block);
  std::int32_t BuildPersonDocument(ItemBlock block);
  std::int32_t BuildJournalDocument(ItemBlock block);
  std::int32_t BuildGroupDocument(ItemBlock block);

  // The frame every builder shares (DocumentFrame.cpp), once its values are
  // known: create and open a document in the database, write the builder's
  // items, attach the listed files, write the body, save, add it to the
  // current folder and close it. A Notes status raised by `writeItems` or
  // by an attachment leaves it (the request fails). `addFailureText`
  // stands in for an empty Notes message when the document cannot be added.
  using ItemsWriter = std::function<void(LNDocument&)>;
  std::int32_t BuildDocument(const ItemsWriter& writeItems, const CString& attachmentListPath, const DocumentBody& body,
                             const CString& addFailureText = {});
  // Its steps, for builders that need them apart. False: the error text is
  // set and the document is not there.
  BOOL CreateOpenDocument(LNDocument& document);
  // Saves the document and adds it to the current folder, then closes it:
  // 1, or 2 with the error text set (also when not every attachment went
  // in: `attachedAll` false, the error text already set).
  std::int32_t SaveToCurrentFolder(LNDocument& document, BOOL attachedAll, const CString& addFailureText = {});

  // Attachments (AttachFiles.cpp): every entry of the list attached and its
  // file removed; an entry whose file does not exist is skipped. False when
  // an entry stayed out (its file is left in place), with the error text of
  // the first such entry.
  BOOL AttachFiles(LNDocument document, const CString& attachmentListPath);

  // What the builders and tests read.
  BOOL IsDatabaseOpen() const { return m_databaseOpen; }
  LNDatabase& Database() { return m_database; }
  LNViewFolder& CurrentFolder() { return m_currentFolder; }
  LNSTATUS LastStatus() const { return m_lastStatus; }
  const CString& MailFileDir() const { return m_mailFileDir; }
  const CString& MembersFilePath() const { return m_membersFilePath; }

 private:
  std::optional<AttachFailure> AttachEntry(LNDocument& document, const CList<CAttachEntry>& list, std::size_t index,
                                           const CAttachEntry& entry, int& fallbackCounter);
  void StartSession();
  CString FindMailTemplate();
  BOOL OpenTargetDatabase(const CString& targetPath);
  LNSTATUS CreateFromTemplate(const CString& templatePath, const CString& targetPath);
  // Creates the first free path of candidate(0), candidate(1), ...: one that
  // exists, or that another run takes before the creation does, moves on to
  // the next. `targetPath` is the last one tried.
  LNSTATUS CreateFirstFree(const CString& templatePath, const std::function<CString(int)>& candidate,
                           CString& targetPath);

  CString m_errorText;
  std::int32_t m_databaseOpen = 0;
  LNNotesSession m_session;
  LNDatabase m_database;
  LNViewFolder m_currentFolder;
  LNSTATUS m_lastStatus = 0;
  CString m_mailFileDir;
  CString m_membersFilePath;
};
