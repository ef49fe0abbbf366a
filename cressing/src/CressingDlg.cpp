#include "CressingDlg.h"

#include <algorithm>
#include <cstring>

#include "CressingText.h"
#include "win32/window.h"

namespace {
const engine::AboutText kAbout = {u"&About Cressing...", u"About Cressing", u"Cressing, Version 1.0"};

HWND SenderOf(CWnd* pWnd) { return pWnd ? pWnd->GetSafeHwnd() : nullptr; }
}  // namespace

BEGIN_MESSAGE_MAP(CCressingDlg, engine::CEngineDlg)
  ON_COMMAND(IDOK, &CCressingDlg::OnOkClicked)
  ON_WM_COPYDATA()
  ON_MESSAGE(WM_LIST_STORES, &CCressingDlg::OnCopyDisplayName)
  ON_MESSAGE(WM_LIST_STORE_FOLDERS, &CCressingDlg::OnCopyFolderName)
  ON_MESSAGE(WM_STOP_EXPORT, &CCressingDlg::OnStopExport)
END_MESSAGE_MAP()

CCressingDlg::CCressingDlg(CWnd* pParent)
    : engine::CEngineDlg(kAbout, u"Cressing", pParent), m_pMapiObjects(new CMapiObjects()) {}

CCressingDlg::~CCressingDlg() {
  // The entries with the row sets and stores they use go before the session
  // holder releases MAPI.
  ClearDisplayNameList();
  m_pMapiObjects.reset();
}

void CCressingDlg::OnOkClicked() { CDialog::OnOK(); }

// Records are read through win32::ReadRecord: a request shorter than its
// record reads as if zero-padded, never past cbData.
BOOL CCressingDlg::OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct) {
  if (!pCopyDataStruct) return CDialog::OnCopyData(pWnd, pCopyDataStruct);
  const COPYDATASTRUCT& cds = *pCopyDataStruct;
  const HWND sender = SenderOf(pWnd);
  switch (static_cast<DWORD>(cds.dwData)) {
    case CD_LIST_MAILBOXES: {
      m_replyWnd = sender;
      ClearDisplayNameList();
      // The bare server name: up to its terminator or the end of the bytes.
      const auto* units = static_cast<const WCHAR*>(cds.lpData);
      const CString server = units ? CString(win32::WideField(units, cds.cbData / sizeof(WCHAR))) : CString();
      return DisplayMailboxTable(server);
    }
    case CD_EXPORT_FOLDER: {
      const auto info = std::make_unique<EXPORT_FOLDER_INFO>(win32::ReadRecord<EXPORT_FOLDER_INFO>(cds));
      return OnExportFolder(sender, *info);
    }
    case CD_LIST_MAILBOX_FOLDERS: {
      m_replyWnd = sender;
      const auto info = std::make_unique<MAILBOX_FOLDER_INFO>(win32::ReadRecord<MAILBOX_FOLDER_INFO>(cds));
      return CopyMailboxFolderNames(FieldText(info->server), info->entryIndex);
    }
    case CD_LOGON:
      return OnLogon(win32::ReadRecord<LOGON_INFO>(cds));
    case CD_CHECK_MAILBOX: {
      m_replyWnd = sender;
      const auto info = std::make_unique<MAILBOX_FOLDER_INFO>(win32::ReadRecord<MAILBOX_FOLDER_INFO>(cds));
      return CanOpenUserMailbox(info->entryIndex, FieldText(info->server));
    }
    case CD_CHECK_STORE:
      m_replyWnd = sender;
      return CanOpenMsgStore(win32::ReadRecord<CHECK_STORE_INFO>(cds).entryIndex);
    case CD_LOGON_PROFILE: {
      const auto info = std::make_unique<PROFILE_LOGON_INFO>(win32::ReadRecord<PROFILE_LOGON_INFO>(cds));
      return OnLogonProfile(sender, *info);
    }
    default:
      return CDialog::OnCopyData(pWnd, pCopyDataStruct);
  }
}

BOOL CCressingDlg::OnExportFolder(HWND requester, const EXPORT_FOLDER_INFO& info) {
  m_exchangeUser.clear();
  const CString folderPath = FieldText(info.folderPath);
  m_dateFilterMode = info.dateFilterMode;
  m_relativeDateChoice = info.relativeDateChoice;
  const std::int32_t count = info.dateRangeCount;
  for (std::int32_t i = 0; i < count && i < static_cast<std::int32_t>(kMaxDateRanges); ++i) {
    const std::string_view range = win32::NarrowField(info.dateRanges[i], kDateRangeSize - 1);
    std::memset(m_dateRanges[i], 0, kDateRangeSize);
    std::memcpy(m_dateRanges[i], range.data(), range.size());
  }
  m_dateRangeCount = std::min(count, static_cast<std::int32_t>(kMaxDateRanges));
  std::copy(std::begin(info.typeEnabled), std::end(info.typeEnabled), m_typeEnabled);
  switch (info.target) {
    case 0:
      m_stopRequested = 0;
      return ExportFolderForLotus(requester, folderPath, info.entryIndex);
    case 1:
      return ExportFolderForGroupwise(requester, folderPath, info.entryIndex);
    default:
      return static_cast<BOOL>(Default());
  }
}

// The first entry with the index is exported, when there is a requester to
// announce its items to.
std::int32_t CCressingDlg::ExportFolderForGroupwise(HWND requester, const CString& folderPath,
                                                    std::int32_t entryIndex) {
  for (const auto& entry : m_pDisplayNameList) {
    if (!entry || entry->m_index != entryIndex) continue;
    if (!requester) continue;
    HeldEntry held(*entry);
    return EnumGroupwiseMessage(held.EntryID(), held.Store(), requester, folderPath);
  }
  return 0;
}

LRESULT CCressingDlg::OnStopExport(WPARAM, LPARAM) {
  m_stopRequested = 1;
  return 1;
}

SRowSet* CCressingDlg::KeepRows(RowSetPtr rows) {
  m_keptRows.push_back(std::move(rows));
  return m_keptRows.back().get();
}

void CCressingDlg::KeepStore(IMsgStore* store) { m_keptStores.emplace_back(store); }
