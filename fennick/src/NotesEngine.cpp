#include "NotesEngine.h"

#include <optional>

#include "NotesText.h"
#include "win32/environment.h"
#include "win32/files.h"
#include "win32/message.h"

namespace {

// What LNNotesSession::Initialize is given: the library level, and
// failures returned as statuses rather than raised.
constexpr LNINT kNotesApiLevel = 300;
constexpr LNBOOL kReturnErrors = 1;
// Databases and templates alike.
constexpr LNDBTYPE kTemplateSearchTypes = LNDBTYPE_DATABASE | LNDBTYPE_TEMPLATE;
constexpr char16_t kTemplateTitleMark[] = u"MAIL (R";
constexpr char16_t kDefaultTemplate[] = u"mail8.ntf";
constexpr DWORD kEnvironmentUnits = 260;

constexpr char16_t kNetworkText[] =
    u"There is a problem in network connection. Please check the network connection and try again.";
constexpr char16_t kNotInstalledText[] = u"Lotus Notes is not installed or configured properly.";
constexpr char16_t kIdFileText[] =
    u"An incorrect path or file name might have supplied for the User ID you are trying to use. It is also "
    u"possible that the User ID is on a file server that is inaccessible to IBM Lotus Notes.";
constexpr LNSTATUS kNetworkStatus = 0x2140;
constexpr LNSTATUS kNotInstalledStatus = 0x1902;

// A status raised while the search list was walked.
struct TemplateSearchError {
  LNSTATUS status;
};

bool Exists(const CString& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The name a database takes when the library refuses the one asked for.
constexpr char16_t kPlainDatabaseName[] = u"Mail_Unicode";

// "<name>.nsf", then "<name>1.nsf", "<name>2.nsf", ...
CString NumberedFileName(const CString& name, int n) { return name + (n ? DecimalText(n) : CString()) + u".nsf"; }

CString FileNameOf(const CString& path) { return path.substr(path.rfind(u'\\') + 1); }

// A database name is a file name in the target folder: it names no other
// folder.
bool IsPlainDatabaseName(const CString& name) {
  return name.find_first_of(u"\\/") == CString::npos && name != u"." && name != u"..";
}

// The place the template search looks at when the data folder cannot be
// listed; none without ALLUSERSPROFILE.
std::optional<CString> SecondTemplateFolder() {
  WCHAR buffer[kEnvironmentUnits] = {};
  const DWORD length = GetEnvironmentVariableW(u"ALLUSERSPROFILE", buffer, kEnvironmentUnits);
  if (length == 0 || length >= kEnvironmentUnits) return std::nullopt;
  CString folder(buffer, length);
  if (folder.back() != u'\\') folder += u'\\';
  return folder + u"Application Data\\Lotus\\";
}

// The path and title of a database of the search list. One that cannot be
// opened or read is skipped (false).
bool ReadPathAndTitle(LNDatabase database, CString& path, CString& title) {
  try {
    if (database.Open(0) != LNNOERROR) return false;
    path = FromLNString(database.GetFilepath());
    title = FromLNString(database.GetTitle());
    database.Close();
    return true;
  } catch (LNSTATUS) {
    try {
      if (database.IsOpen()) database.Close();
    } catch (LNSTATUS) {
    }
    return false;
  }
}

// The system's text for a Win32 error code.
CString SystemMessage(DWORD code) {
  WCHAR text[1024] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0x400,
                                      text, static_cast<DWORD>(std::size(text)), nullptr);
  return CString(text, length);
}

}  // namespace

CNotesEngine::CNotesEngine() = default;

CNotesEngine::~CNotesEngine() { CloseNotes(); }

// Every creation starts the session afresh; the database it replaces is
// closed first.
void CNotesEngine::StartSession() {
  CloseNotes();
  m_lastStatus = m_session.Initialize(kNotesApiLevel, 0, nullptr, kReturnErrors, nullptr);
}

BOOL CNotesEngine::CreateNsf(const CString& targetFolder, const CString& databaseName) {
  if (!IsPlainDatabaseName(databaseName)) {
    SetErrorText(u"The database name \"" + databaseName + u"\" is not a file name of the target folder", 0);
    return 0;
  }
  StartSession();
  try {
    const CString templatePath = FindMailTemplate();
    CString targetPath;
    m_lastStatus = CreateFirstFree(
        templatePath, [&](int n) { return targetFolder + u"\\" + NumberedFileName(databaseName, n); }, targetPath);
    const CString fileName = FileNameOf(targetPath);
    // A file name the library refuses: once more under a plain name.
    if (m_lastStatus == LNERR_BAD_DATABASE_NAME) {
      const CString directory = targetPath.substr(0, targetPath.rfind(u'\\') + 1);
      m_lastStatus = CreateFirstFree(
          templatePath, [&](int n) { return directory + NumberedFileName(kPlainDatabaseName, n); }, targetPath);
    }
    if (m_lastStatus != LNNOERROR) {
      CString copiedTo, errorText;
      if (!CopyMailNsf(targetFolder, fileName, copiedTo, errorText)) {
        SetErrorText(errorText, 0);
        return 0;
      }
      targetPath = copiedTo;
    }
    return OpenTargetDatabase(targetPath);
  } catch (const TemplateSearchError& error) {
    m_lastStatus = error.status;
    SetErrorText(u"Template Error:- " + NotesMessage(error.status), error.status);
  } catch (LNSTATUS status) {
    m_lastStatus = status;
    SetNotesErrorText(status);
  }
  return 0;
}

LNSTATUS CNotesEngine::CreateFirstFree(const CString& templatePath, const std::function<CString(int)>& candidate,
                                       CString& targetPath) {
  for (int n = 0;; ++n) {
    targetPath = candidate(n);
    if (Exists(targetPath)) continue;
    const LNSTATUS status = CreateFromTemplate(templatePath, targetPath);
    if (status != LNERR_FILE_EXISTS) return status;
  }
}

CString CNotesEngine::FindMailTemplate() {
  LNDatabaseArray databases;
  m_lastStatus = m_session.GetDatabases(&databases, LNString(), LNString(), kTemplateSearchTypes);
  if (m_lastStatus != LNNOERROR) {
    if (const std::optional<CString> folder = SecondTemplateFolder())
      m_lastStatus = m_session.GetDatabases(&databases, LNString(), ToLNString(*folder), kTemplateSearchTypes);
  }
  if (m_lastStatus != LNNOERROR) return kDefaultTemplate;
  try {
    for (LNINT i = 0; i < databases.GetCount(); ++i) {
      CString path, title;
      if (ReadPathAndTitle(databases[i], path, title) && AsciiUpper(title).find(kTemplateTitleMark) != CString::npos)
        return path;
    }
  } catch (LNSTATUS status) {
    throw TemplateSearchError{status};
  }
  return kDefaultTemplate;
}

LNSTATUS CNotesEngine::CreateFromTemplate(const CString& templatePath, const CString& targetPath) {
  return m_session.CreateDatabaseFromTemplate(ToLNString(templatePath), LNString(), ToLNString(targetPath), LNString(),
                                              LNCreateDatabaseOptions(), nullptr);
}

BOOL CNotesEngine::OpenTargetDatabase(const CString& targetPath) {
  m_lastStatus = m_session.GetDatabase(ToLNString(targetPath), &m_database, LNString());
  if (m_lastStatus != LNNOERROR) {
    SetErrorText(u"Unable to create or open nsf file", 0);
    return 0;
  }
  m_lastStatus = m_database.Open(0);
  if (m_lastStatus != LNNOERROR) {
    SetNotesErrorText(m_lastStatus);
    return 0;
  }
  m_databaseOpen = 1;
  return 1;
}

CString CNotesEngine::MakeUniqueNsfPath(const CString& path) {
  const std::size_t slash = path.rfind(u'\\');
  if (slash == CString::npos) return path;
  const CString directory = path.substr(0, slash + 1);
  CString candidate = directory + NumberedFileName(kPlainDatabaseName, 0);
  for (int n = 1; Exists(candidate); ++n) candidate = directory + NumberedFileName(kPlainDatabaseName, n);
  return candidate;
}

BOOL CNotesEngine::CopyMailNsf(const CString& targetFolder, const CString& fileName, CString& copiedTo,
                               CString& errorText) {
  const CString source = m_mailFileDir + u"\\" + u"Mail.nsf";
  copiedTo = targetFolder + u"\\" + fileName;
  if (CopyFileW(source.c_str(), copiedTo.c_str(), TRUE)) return TRUE;
  copiedTo = MakeUniqueNsfPath(copiedTo);
  if (CopyFileW(source.c_str(), copiedTo.c_str(), TRUE)) return TRUE;
  const DWORD error = GetLastError();
  errorText = error == ERROR_NETWORK_UNREACHABLE ? CString(kNetworkText) : SystemMessage(error);
  return FALSE;
}

void CNotesEngine::CloseNotes() {
  if (m_databaseOpen) {
    try {
      m_database.Close();
    } catch (LNSTATUS) {
    }
  }
  m_databaseOpen = 0;
}

void CNotesEngine::SetErrorText(const CString& text, LNSTATUS status) {
  CString formed = text;
  while (!formed.empty() && (formed.back() == u'\r' || formed.back() == u'\n')) formed.pop_back();
  if (!formed.empty() && formed.back() != u'.') formed += u'.';
  if (status == kNetworkStatus)
    formed = kNetworkText;
  else if (status == kNotInstalledStatus)
    formed = kNotInstalledText;
  else if (formed.find(u"Could not open the ID file") != CString::npos)
    formed = kIdFileText;
  m_errorText = formed;
}

void CNotesEngine::SetNotesErrorText(LNSTATUS status) { SetErrorText(NotesMessage(status), status); }
