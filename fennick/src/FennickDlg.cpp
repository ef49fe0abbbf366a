#include "FennickDlg.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "ItemTextRecord.h"
#include "win32/text.h"
#include "win32/window.h"

namespace {

const engine::AboutText kAbout = {u"&About Fennick...", u"About Fennick", u"Fennick Version 1.0"};

constexpr char16_t kSizeMismatch[] = u"Size of data structure didnt match, ";
// For a failure that left no error text.
constexpr char16_t kNsfFailed[] = u"The NSF file could not be created";
constexpr char16_t kFolderFailed[] = u"The folder could not be created";
constexpr char16_t kItemFailed[] = u"The item could not be inserted";

// An incoming text field: up to its terminator, else its whole capacity.
template <std::size_t N>
CString FieldText(const WCHAR (&field)[N], std::size_t limit = N) {
  return CString(win32::WideField(field, std::min(limit, N)));
}

// An outgoing text field, cut so that its terminator fits.
template <std::size_t N>
void CopyToField(WCHAR (&field)[N], std::u16string_view text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::copy_n(text.data(), n, field);
  std::fill(field + n, field + N, u'\0');
}

HWND SenderOf(CWnd* pWnd) { return pWnd ? pWnd->GetSafeHwnd() : nullptr; }

}  // namespace

LRESULT SendCopyData(HWND window, DWORD code, const void* data, DWORD size) {
  if (!window) return 0;
  COPYDATASTRUCT cds{code, size, const_cast<void*>(data)};
  return SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

void SendErrorReply(HWND window, const CString& text) {
  NotesErrorReply reply;
  CopyToField(reply.text, text);
  SendCopyData(window, CD_NOTES_ERROR, &reply, sizeof reply);
}

BEGIN_MESSAGE_MAP(CFennickDlg, engine::CEngineDlg)
ON_WM_COPYDATA()
END_MESSAGE_MAP()

CFennickDlg::CFennickDlg(CWnd* pParent) : engine::CEngineDlg(kAbout, u"", pParent) {}

// The dialog has no controls.
void CFennickDlg::DoDataExchange(CDataExchange*) {}

// Each record must come whole: a request of another size is refused.
BOOL CFennickDlg::OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct) {
  if (!pCopyDataStruct) return CDialog::OnCopyData(pWnd, pCopyDataStruct);
  const COPYDATASTRUCT& cds = *pCopyDataStruct;
  const HWND requester = SenderOf(pWnd);
  const auto sizeMatches = [&](DWORD size, const char16_t* recordName) {
    if (cds.cbData == size && cds.lpData) return true;
    SendErrorReply(requester, kSizeMismatch + CString(recordName));
    return false;
  };
  switch (static_cast<DWORD>(cds.dwData)) {
    case CD_SET_MAILFILE_DIR:
      if (cds.cbData == sizeof(MailFileDirRecord) && cds.lpData) {
        const auto record = win32::ReadRecord<MailFileDirRecord>(cds);
        m_engine.SetMailFileDir(FieldText(record.folder, kMailFileDirUnits - 1));
      }
      return CDialog::OnCopyData(pWnd, pCopyDataStruct);
    case CD_CREATE_NSF:
      if (!sizeMatches(sizeof(CREATE_FILE_INFO), u"CREATE_FILE_INFO")) return FALSE;
      return OnCreateNsf(requester, win32::ReadRecord<CREATE_FILE_INFO>(cds));
    case CD_CREATE_FOLDER: {
      if (!sizeMatches(sizeof(CREATE_FOLDER_INFO), u"CREATE_FOLDER_INFO")) return FALSE;
      const auto info = std::make_unique<CREATE_FOLDER_INFO>(win32::ReadRecord<CREATE_FOLDER_INFO>(cds));
      return OnCreateFolder(requester, *info);
    }
    case CD_INSERT_ITEM: {
      if (!sizeMatches(sizeof(MIME_FILE_INFO), u"MIME_FILE_INFO")) return FALSE;
      const auto info = std::make_unique<MIME_FILE_INFO>(win32::ReadRecord<MIME_FILE_INFO>(cds));
      return OnInsertItem(requester, *info);
    }
    default:
      return CDialog::OnCopyData(pWnd, pCopyDataStruct);
  }
}

BOOL CFennickDlg::OnCreateNsf(HWND requester, const CREATE_FILE_INFO& info) {
  m_engine.ClearErrorText();
  const CString targetFolder = FieldText(info.targetFolder);
  const CString databaseName = FieldText(info.databaseName);
  if (Guarded([&] { return m_engine.CreateNsf(targetFolder, databaseName); })) return TRUE;
  ReplyFailure(requester, kNsfFailed);
  return FALSE;
}

BOOL CFennickDlg::OnCreateFolder(HWND requester, const CREATE_FOLDER_INFO& info) {
  m_engine.ClearErrorText();
  CString path = FieldText(info.folderPath);
  if (!Guarded([&] { return m_engine.CreateNotesFolder(path); })) {
    ReplyFailure(requester, kFolderFailed);
    return FALSE;
  }
  const auto reply = std::make_unique<FolderNameReply>();
  CopyToField(reply->folderPath, path);
  SendCopyData(requester, CD_FOLDER_NAME, reply.get(), sizeof *reply);
  return TRUE;
}

// Reads the item text, opens the folder, builds the document in it and
// closes the folder. A Notes failure of the document itself still answers
// 1, with its error text.
BOOL CFennickDlg::OnInsertItem(HWND requester, const MIME_FILE_INFO& info) {
  m_engine.ClearErrorText();
  const CString emlFile = FieldText(info.emlFile);
  const CString itemTextFile = FieldText(info.itemTextFile);
  const CString attachmentList = FieldText(info.attachmentList);
  const CString folderPath = FieldText(info.folderPath);
  m_engine.SetMembersFilePath(FieldText(info.membersFile));

  ItemBlock block{emlFile, ItemTextRecord{}, info.plainBody, attachmentList};
  ReadItemTextFile(itemTextFile, block.record);
  if (!Guarded([&] { return m_engine.OpenNotesFolder(folderPath); })) {
    ReplyFailure(requester, kItemFailed);
    return FALSE;
  }
  const std::int32_t result = Guarded([&] { return m_engine.InsertItemDocument(std::move(block)); });
  try {
    m_engine.CloseNotesFolder();
  } catch (...) {
  }
  if (result == kDocumentInserted) return TRUE;
  ReplyFailure(requester, kItemFailed);
  return result == kDocumentNotesFailure ? TRUE : FALSE;
}

template <class Step>
std::int32_t CFennickDlg::Guarded(Step step) {
  try {
    return step();
  } catch (LNSTATUS status) {
    m_engine.SetNotesErrorText(status);
  } catch (...) {
  }
  return 0;
}

void CFennickDlg::ReplyFailure(HWND requester, const char16_t* fallback) {
  if (m_engine.GetErrorText().empty()) m_engine.SetErrorText(fallback, 0);
  SendErrorReply(requester, m_engine.GetErrorText());
}
