// The entry list and the two listings that start it anew (the session's
// stores, an Exchange server's mailboxes), and the store and mailbox checks.
#include "CressingDlg.h"
#include "CressingText.h"
#include "MapiErrorText.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapisupport/MAPIStoreFunctions.h"

namespace {

constexpr char16_t kDisplayNameFile[] = u"DisplayName.txt";
constexpr char16_t kNoSession[] = u"Fail to get session.";
constexpr char16_t kStoreNotOpened[] = u"Fail to get lpMDB from OpenMsgStore in EnumFolders.";
constexpr char16_t kMailboxNotOpened[] = u"Fail to get lpNewMDB from OpenUsersMailbox in EnumMailBoxFolders.";
constexpr char16_t kMissingResource[] =
    u"You may be trying to use a resource that does not exist. \r\nThis happens when you try to use a server or "
    u"you try to logon to a mailbox that does not exist.";
constexpr ULONG PR_STORE_NAME_6672_W = PROP_TAG(PT_UNICODE, 0x6672);

// The texts of one stores-table row that may name the store.
struct StoreNames {
  CString wideDisplayName, subject, ansiDisplayName, storeName;
  CString First() const {
    for (const CString* text : {&wideDisplayName, &subject, &ansiDisplayName, &storeName})
      if (!text->empty()) return *text;
    return {};
  }
};

}  // namespace

void CCressingDlg::ClearDisplayNameList() {
  while (!m_pDisplayNameList.empty()) m_pDisplayNameList.pop_front();
  // The entries pointed into these row sets and named these stores: with
  // them gone, nothing does.
  m_keptRows.clear();
  m_keptStores.clear();
}

CListDisplayName& CCressingDlg::AppendEntry() {
  m_pDisplayNameList.push_back(std::make_unique<CListDisplayName>());
  return *m_pDisplayNameList.back();
}

LRESULT CCressingDlg::OnCopyDisplayName(WPARAM wParam, LPARAM) {
  m_replyWnd = win32::HandleFromValue(wParam);
  ClearDisplayNameList();
  std::int32_t running = static_cast<std::int32_t>(m_pDisplayNameList.size());
  if (!m_pMapiObjects) {
    SendErrorText(u"Error in CMapiObjects object.");
    return -1;
  }
  IMAPISession* session = Session();
  if (!session) {
    SendStatusError(0, kNoSession);
    return -1;
  }
  ComPtr<IMAPITable> table;
  HRESULT hr = session->GetMsgStoresTable(0, table.ReleaseAndGetAddressOf());
  if (!table) {
    SendStatusError(hr, u"Fail to get pStoresTbl in GetMsgStoresTable.");
    return -1;
  }
  RowSetPtr rows;
  if (SUCCEEDED(hr)) {
    SizedSPropTagArray(6, columns) = {6,
                                      {PR_DISPLAY_NAME_W, PR_SUBJECT_W, PR_DISPLAY_NAME_A, PR_STORE_NAME_6672_W,
                                       PR_ENTRYID, PR_STORE_ENTRYID}};
    LPSRowSet raw = nullptr;
    hr = QueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), &raw);
    rows.reset(raw);
  }
  if (!rows || FAILED(hr)) {
    SendStatusError(hr, u"Fail to get RowSet in OnCopyDisplayName.");
    return -1;
  }
  SRowSet* kept = KeepRows(std::move(rows));
  ListFile file;
  file.Create(kDisplayNameFile);
  for (ULONG r = 0; r < kept->cRows; ++r) {
    const SRow& row = kept->aRow[r];
    StoreNames names;
    for (ULONG v = 0; v < row.cValues; ++v) {
      SPropValue& value = row.lpProps[v];
      switch (value.ulPropTag) {
        case PR_DISPLAY_NAME_W: names.wideDisplayName = WideValue(value); break;
        case PR_SUBJECT_W: names.subject = WideValue(value); break;
        case PR_DISPLAY_NAME_A: names.ansiDisplayName = AnsiValue(value); break;
        case PR_STORE_NAME_6672_W: names.storeName = WideValue(value); break;
        case PR_ENTRYID: {
          const CString name = names.First();
          file.WriteLine(name);
          CListDisplayName& entry = AppendEntry();
          entry.SetName(name);
          entry.m_lpEntryID = &value.Value.bin;
          entry.m_index = ++running;
          break;
        }
        default: break;
      }
    }
  }
  return 0;
}

BOOL CCressingDlg::DisplayMailboxTable(const CString& server) {
  IMAPISession* session = Session();
  if (!session) {
    SendStatusError(0, kNoSession);
    return FALSE;
  }
  LPMDB rawStore = nullptr;
  if (OpenMessageStoreGUID(session, &rawStore)) return FALSE;
  ComPtr<IMsgStore> primary = ComPtr<IMsgStore>::Attach(rawStore);
  ComPtr<IExchangeManageStore> manage;
  HRESULT hr = primary->QueryInterface(IID_IExchangeManageStore, manage.ReleaseAndGetAddressOfVoid());
  primary.Reset();
  if (!manage || FAILED(hr)) {
    SendStatusError(hr, u"Fail to get exchange manage store.");
    return FALSE;
  }
  CString serverDN = u"/cn=Configuration/cn=Servers/cn=";
  serverDN += server;
  ComPtr<IMAPITable> table;
  try {
    hr = manage->GetMailboxTable(reinterpret_cast<LPSTR>(serverDN.data()), table.ReleaseAndGetAddressOf(),
                                 MAPI_UNICODE);
  } catch (...) {
    SendStatusError(0, u"Fail to get lpMailboxTable in GetMailboxTable.");
    return FALSE;
  }
  if (!table) {
    manage.Reset();
    SendStatusError(hr, u"Fail to get lpMailboxTable.");
    return FALSE;
  }
  SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME_W, PR_INSTANCE_KEY, PR_EMAIL_ADDRESS_W}};
  table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), TBL_BATCH);
  hr = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
  RowSetPtr rows;
  if (SUCCEEDED(hr)) {
    LPSRowSet raw = nullptr;
    hr = QueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), &raw);
    rows.reset(raw);
  }
  table.Reset();
  if (!rows) {
    SendStatusError(hr, u"Fail to get RowSet in DisplayMailboxTable.");
    return FALSE;
  }
  ListFile file;
  file.Create(kDisplayNameFile);
  std::int32_t running = static_cast<std::int32_t>(m_pDisplayNameList.size());
  for (ULONG r = 0; r < rows->cRows; ++r) {
    const SRow& row = rows->aRow[r];
    CString displayName;
    for (ULONG v = 0; v < row.cValues; ++v) {
      const SPropValue& value = row.lpProps[v];
      if (value.ulPropTag == PR_DISPLAY_NAME_W) {
        displayName = WideValue(value);
      } else if (value.ulPropTag == PR_EMAIL_ADDRESS_W) {
        file.WriteLine(displayName);
        CListDisplayName& entry = AppendEntry();
        entry.SetName(displayName);
        entry.m_displayName = displayName;
        entry.m_emailAddress = WideValue(value);
        entry.m_index = ++running;
      }
    }
  }
  return TRUE;
}

BOOL CCressingDlg::CanOpenUserMailbox(std::int32_t index, const CString& server) {
  m_mailboxName.clear();
  CString mailboxDN;
  if (CListDisplayName* entry = FindDisplayName(m_pDisplayNameList, index)) {
    mailboxDN = entry->GetEmailAddress();
    m_mailboxName = entry->GetDisplayName();
  }
  IMAPISession* session = Session();
  if (!session) {
    SendErrorText(kNoSession);
    m_mailboxName.clear();
    return FALSE;
  }
  BOOL result = FALSE;
  CString pending;
  LPMDB rawPrimary = nullptr;
  if (!OpenMessageStoreGUID(session, &rawPrimary)) {
    ComPtr<IMsgStore> primary = ComPtr<IMsgStore>::Attach(rawPrimary);
    LPMDB rawMailbox = nullptr;
    const HRESULT hr =
        OpenOtherUsersMailbox(session, primary.Get(), server.c_str(), mailboxDN.c_str(), 9, &rawMailbox);
    ComPtr<IMsgStore> mailbox = ComPtr<IMsgStore>::Attach(rawMailbox);
    if (FAILED(hr) || !mailbox) {
      CString text = GetMapiErrorText(hr, kMailboxNotOpened);
      if (text.empty()) text = kMissingResource;
      SendErrorText(text);
      m_mailboxName.clear();
      return FALSE;
    }
    SizedSPropTagArray(2, tags) = {2, {PR_IPM_SUBTREE_ENTRYID, PR_OBJECT_TYPE}};
    ULONG count = 0;
    LPSPropValue rawProps = nullptr;
    HRESULT status = mailbox->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &rawProps);
    MapiBufferPtr<SPropValue> props(rawProps);
    if (status == S_OK && props && count > 0 && props.get()[0].ulPropTag == PR_IPM_SUBTREE_ENTRYID) {
      ULONG type = 0;
      ComPtr<IUnknown> folder;
      status = mailbox->OpenEntry(props.get()[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(props.get()[0].Value.bin.lpb),
                                  nullptr, 0, &type, folder.ReleaseAndGetAddressOf());
      if (status == S_OK) result = TRUE;
    } else if (status == S_OK) {
      status = MAPI_E_NOT_FOUND;
    }
    if (!result) pending = GetMapiErrorText(status, u"Fail in OpenEntry.");
  }
  m_mailboxName.clear();
  SendErrorText(pending);
  return result;
}

BOOL CCressingDlg::CanOpenMsgStore(std::int32_t index) {
  CListDisplayName* entry = FindDisplayName(m_pDisplayNameList, index);
  SBinary* entryID = entry ? entry->m_lpEntryID : nullptr;
  IMAPISession* session = Session();
  if (!session) {
    SendErrorText(kNoSession);
    return FALSE;
  }
  LPMDB raw = nullptr;
  const HRESULT hr = session->OpenMsgStore(0, entryID ? entryID->cb : 0,
                                           entryID ? reinterpret_cast<LPENTRYID>(entryID->lpb) : nullptr, nullptr,
                                           MDB_WRITE, &raw);
  if (raw && hr == S_OK) {
    KeepStore(raw);
    raw->Release();
    return TRUE;
  }
  if (raw) raw->Release();
  CString text = GetMapiErrorText(hr, kStoreNotOpened);
  if (text.empty()) text = kMissingResource;
  SendErrorText(text);
  return FALSE;
}
