// Folder-tree listings: a store's or another user's mailbox's folders, walked
// depth-first into a list file and appended to the entry list.
#include "CressingDlg.h"
#include "CressingText.h"
#include "FolderText.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapisupport/MAPIStoreFunctions.h"

namespace {

constexpr char16_t kFolderNameFile[] = u"FolderName.txt";
constexpr char16_t kMailboxNameFile[] = u"MailBoxName.txt";
constexpr char16_t kNoSession[] = u"Fail to get session.";
constexpr ULONG kMailboxInnerOpenFlags = MAPI_DEFERRED_ERRORS | SHOW_SOFT_DELETES;

// The failing steps of one twin's walk.
struct WalkTexts {
  const char16_t* table;
  const char16_t* rows;
};
constexpr WalkTexts kStoreTop = {u"Fail to get lpMapiTable from GetHierarchyTable in EnumFolders.",
                                 u"Fail to get lpRowSet from lpMapiTable in EnumFolders."};
constexpr WalkTexts kMailboxTop = {u"Fail to get lpMapiTable from GetHierarchyTable in EnumMailboxFolders.",
                                   u"Fail to get lpRowSet from lpMapiTable in EnumMailboxFolders."};

LPENTRYID EntryIdOf(const SBinary& bin) { return reinterpret_cast<LPENTRYID>(bin.lpb); }

// One level of the tree: the sub-folder rows of a folder.
struct Level {
  enum class Failed { None, Table, Rows };
  Failed failed = Failed::None;
  HRESULT status = S_OK;
  RowSetPtr rows;
};

Level ReadLevel(IMAPIFolder* folder) {
  Level level;
  ComPtr<IMAPITable> table;
  HRESULT hr = folder->GetHierarchyTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf());
  if (hr == MAPI_E_BAD_CHARWIDTH) hr = folder->GetHierarchyTable(0, table.ReleaseAndGetAddressOf());
  if (FAILED(hr) || !table) {
    level.failed = Level::Failed::Table;
    level.status = hr;
    return level;
  }
  SizedSPropTagArray(6, columns) = {6,
                                    {PR_CONTENT_COUNT, PR_DISPLAY_NAME_W, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_W,
                                     PR_CONTAINER_CLASS_A, PR_ENTRYID}};
  LPSRowSet raw = nullptr;
  hr = QueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), &raw);
  level.rows.reset(raw);
  if (FAILED(hr) || !level.rows) {
    level.failed = Level::Failed::Rows;
    level.status = hr;
    level.rows.reset();
  }
  return level;
}

}  // namespace

LRESULT CCressingDlg::OnCopyFolderName(WPARAM wParam, LPARAM lParam) {
  m_replyWnd = win32::HandleFromValue(wParam);
  m_nextEntryIndex = 0;
  CListDisplayName* entry = FindDisplayName(m_pDisplayNameList, static_cast<std::int32_t>(lParam));
  if (!entry) return 0;
  ListFile file;
  if (!file.Create(kFolderNameFile)) return 0;
  const std::int32_t result = EnumFolders(entry->m_lpEntryID, entry->m_lpMDB, file);
  file.Close();
  return result;
}

std::int32_t CCressingDlg::CopyMailboxFolderNames(const CString& server, std::int32_t entryIndex) {
  m_mailboxName.clear();
  CListDisplayName* entry = FindDisplayName(m_pDisplayNameList, entryIndex);
  if (!entry) return 0;
  const CString mailboxDN = entry->GetEmailAddress();
  const CString displayName = entry->GetDisplayName();
  ListFile file;
  if (!file.Create(kMailboxNameFile)) return 0;
  m_mailboxName = displayName;
  EnumMailboxFolders(mailboxDN, file, server);
  file.Close();
  m_mailboxName.clear();
  return 0;
}

std::int32_t CCressingDlg::EnumFolders(SBinary* entryID, IMsgStore* entryStore, ListFile& file) {
  constexpr char16_t kNoStore[] = u"Fail to get lpMDB from OpenMsgStore in EnumFolders.";
  IMAPISession* session = Session();
  if (!session) {
    SendStatusError(0, kNoSession);
    return -1;
  }
  // A folder entry names no store of its own; neither does a mailbox entry.
  if (entryStore || !entryID) {
    SendStatusError(0, kNoStore);
    return -1;
  }
  LPMDB rawStore = nullptr;
  HRESULT hr = session->OpenMsgStore(0, entryID->cb, EntryIdOf(*entryID), nullptr, MDB_WRITE, &rawStore);
  ComPtr<IMsgStore> store = ComPtr<IMsgStore>::Attach(rawStore);
  if (!store) {
    SendStatusError(hr, kNoStore);
    return -1;
  }
  LPSPropValue rawSubtree = nullptr;
  hr = HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID, &rawSubtree);
  MapiBufferPtr<SPropValue> subtree(rawSubtree);
  ComPtr<IMAPIFolder> top;
  if (SUCCEEDED(hr) && subtree) hr = OpenEntryAs(store.Get(), subtree->Value.bin, 0, top);
  if (FAILED(hr) || !top) {
    SendStatusError(hr, u"Fail to get lpMapiFolder from OpenEntry in EnumFolders.");
    return -1;
  }
  Level level = ReadLevel(top.Get());
  if (level.failed != Level::Failed::None) {
    SendStatusError(level.status, level.failed == Level::Failed::Table ? kStoreTop.table : kStoreTop.rows);
    return -1;
  }
  m_nextEntryIndex = static_cast<std::int32_t>(m_pDisplayNameList.size());
  KeepStore(store.Get());
  const SRowSet* rows = KeepRows(std::move(level.rows));
  return WalkLevel(Walk::Store, *rows, store.Get(), CString(), CString(), file);
}

std::int32_t CCressingDlg::EnumMailboxFolders(const CString& mailboxDN, ListFile& file, const CString& server) {
  IMAPISession* session = Session();
  if (!session) {
    SendErrorText(kNoSession);
    return 0;
  }
  LPMDB rawPrimary = nullptr;
  if (OpenMessageStoreGUID(session, &rawPrimary)) return 0;
  ComPtr<IMsgStore> primary = ComPtr<IMsgStore>::Attach(rawPrimary);
  LPMDB rawMailbox = nullptr;
  HRESULT hr = OpenOtherUsersMailbox(session, primary.Get(), server.c_str(), mailboxDN.c_str(), 9, &rawMailbox);
  ComPtr<IMsgStore> mailbox = ComPtr<IMsgStore>::Attach(rawMailbox);
  if (!mailbox) {
    SendStatusError(hr, u"Fail to get lpNewMDB from OpenUsersMailbox in EnumMailBoxFolders.");
    return 0;
  }
  SizedSPropTagArray(2, tags) = {2, {PR_IPM_SUBTREE_ENTRYID, PR_OBJECT_TYPE}};
  ULONG count = 0;
  LPSPropValue rawProps = nullptr;
  hr = mailbox->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &rawProps);
  MapiBufferPtr<SPropValue> props(rawProps);
  ComPtr<IMAPIFolder> top;
  if (SUCCEEDED(hr) && props && count > 0 && props.get()[0].ulPropTag == PR_IPM_SUBTREE_ENTRYID)
    hr = OpenEntryAs(mailbox.Get(), props.get()[0].Value.bin, 0, top);
  else if (SUCCEEDED(hr))
    hr = MAPI_E_NOT_FOUND;
  if (FAILED(hr) || !top) {
    SendStatusError(hr, u"Fail to get lpMapiFolder1 from OpenEntry in EnumMailboxFolders.");
    return 0;
  }
  Level level = ReadLevel(top.Get());
  if (level.failed != Level::Failed::None) {
    SendStatusError(level.status, level.failed == Level::Failed::Table ? kMailboxTop.table : kMailboxTop.rows);
    return 0;
  }
  m_nextEntryIndex = static_cast<std::int32_t>(m_pDisplayNameList.size());
  KeepStore(mailbox.Get());
  const SRowSet* rows = KeepRows(std::move(level.rows));
  WalkLevel(Walk::Mailbox, *rows, mailbox.Get(), CString(), CString(), file);
  return 0;
}

std::int32_t CCressingDlg::EnumInnerFolders(SBinary* entryID, IMsgStore* store, const CString& passedDown,
                                            CString lastWritten, ListFile& file, const CString& parentEntryName) {
  (void)lastWritten;
  return WalkInner(Walk::Store, entryID, store, passedDown, file, parentEntryName);
}

std::int32_t CCressingDlg::EnumMailboxInnerFolders(SBinary* entryID, IMsgStore* store, const CString& passedDown,
                                                   CString lastWritten, ListFile& file,
                                                   const CString& parentEntryName) {
  (void)lastWritten;
  return WalkInner(Walk::Mailbox, entryID, store, passedDown, file, parentEntryName);
}

// A deeper folder: its own sub-folders, or, when it has none, the text passed
// down to it once more.
std::int32_t CCressingDlg::WalkInner(Walk walk, SBinary* entryID, IMsgStore* store, const CString& passedDown,
                                     ListFile& file, const CString& parentEntryName) {
  const bool mailboxWalk = walk == Walk::Mailbox;
  ComPtr<IMAPIFolder> folder;
  const HRESULT hr = OpenEntryAs(store, *entryID, mailboxWalk ? kMailboxInnerOpenFlags : 0, folder);
  if (FAILED(hr) || !folder) {
    if (mailboxWalk) {
      SendStatusError(hr, u"Fail to get lpMapiFolder from OpenEntry in EnumMailBoxInnerFolders.");
      return -1;
    }
    file.WriteLine(passedDown);
    return 0;
  }
  Level level = ReadLevel(folder.Get());
  if (level.failed == Level::Failed::Table && mailboxWalk) {
    SendStatusError(level.status, u"Fail to get lpMapiTable from GetHierarchyTable in EnumMailboxInnerFolders.");
    return -1;
  }
  if (level.failed != Level::Failed::None) {
    file.WriteLine(passedDown);
    return 0;
  }
  // No entry points into an empty level: it is not kept.
  if (level.rows->cRows == 0) {
    if (!passedDown.empty()) file.WriteLine(passedDown);
    return 0;
  }
  const SRowSet* rows = KeepRows(std::move(level.rows));
  return WalkLevel(walk, *rows, store, passedDown, parentEntryName, file);
}

std::int32_t CCressingDlg::WalkLevel(Walk walk, const SRowSet& rows, IMsgStore* store, const CString& passedDown,
                                     const CString& parentEntryName, ListFile& file) {
  for (ULONG r = 0; r < rows.cRows; ++r)
    if (WalkRow(walk, rows.aRow[r], store, passedDown, parentEntryName, file) == -1) return -1;
  return 0;
}

// One sub-folder row, its values in column order: the count, the names, the
// classes (each writing the folder's line), and last the entry id, which
// appends the folder's entry and walks the folder itself.
std::int32_t CCressingDlg::WalkRow(Walk walk, const SRow& row, IMsgStore* store, const CString& passedDown,
                                   const CString& parentEntryName, ListFile& file) {
  bool countKnown = false;
  LONG count = 0;
  bool named = false;
  CString text;       // the folder's text without type part
  CString entryName;
  CString written;    // the line written for it, if any
  bool lineWritten = false;
  auto name = [&](const CString& displayName) {
    if (!countKnown) {
      count = GetFolderContentCount(store, row);
      countKnown = true;
    }
    const CString withCount = NameWithCount(displayName, count);
    const bool top = parentEntryName.empty();
    text = top ? withCount : passedDown + CString(kTagName) + withCount;
    entryName = parentEntryName.empty() ? withCount : parentEntryName + CString(kTagName) + withCount;
    named = true;
  };
  auto writeLine = [&](const CString& containerClass) {
    if (!named) name(CString());
    written = WithTypePart(text, GetFolderType(containerClass));
    file.WriteLine(written);
    lineWritten = true;
  };
  for (ULONG v = 0; v < row.cValues; ++v) {
    SPropValue& value = row.lpProps[v];
    switch (value.ulPropTag) {
      case PR_CONTENT_COUNT:
        count = value.Value.l;
        countKnown = true;
        break;
      case PR_DISPLAY_NAME_W:
        if (const CString wide = WideValue(value); !wide.empty()) name(wide);
        break;
      case PR_DISPLAY_NAME_A:
        if (!named)
          if (const CString converted = AnsiValue(value); !converted.empty()) name(converted);
        break;
      case PR_CONTAINER_CLASS_W:
        writeLine(WideValue(value));
        break;
      case PR_CONTAINER_CLASS_A:
        if (!lineWritten) writeLine(AnsiValue(value));
        break;
      case PR_ENTRYID: {
        if (!named) name(CString());
        CListDisplayName& entry = AppendEntry();
        entry.SetName(entryName);
        entry.m_lpEntryID = &value.Value.bin;
        entry.m_lpMDB = store;
        entry.m_index = ++m_nextEntryIndex;
        const CString down = lineWritten ? written : text;
        const std::int32_t result =
            walk == Walk::Store ? EnumInnerFolders(&value.Value.bin, store, down, CString(), file, entryName)
                                : EnumMailboxInnerFolders(&value.Value.bin, store, down, CString(), file, entryName);
        if (result == -1) return -1;
        break;
      }
      default:
        break;
    }
  }
  return 0;
}

LONG CCressingDlg::GetFolderContentCount(IMsgStore* store, const SRow& row) {
  const LPSPropValue id = PpropFindProp(row.lpProps, row.cValues, PR_ENTRYID);
  if (!id) return 0;
  ComPtr<IMAPIFolder> folder;
  if (FAILED(OpenEntryAs(store, id->Value.bin, 0, folder)) || !folder) return 0;
  LPSPropValue raw = nullptr;
  const HRESULT hr = HrGetOneProp(folder.Get(), PR_CONTENT_COUNT, &raw);
  MapiBufferPtr<SPropValue> value(raw);
  if (FAILED(hr) || !value || value->ulPropTag != PR_CONTENT_COUNT) return 0;
  return value->Value.l;
}
