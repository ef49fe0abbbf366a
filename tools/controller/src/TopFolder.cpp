#include "TopFolder.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "com/unknown.h"
#include "mapi/holders.h"
#include "mapi/mapitags.h"
#include "mapi/mapix.h"
#include "win32/codepage.h"

namespace controller {

namespace {

// One MAPIInitialize, matched.
struct MapiScope {
  HRESULT hr = MAPIInitialize(nullptr);
  ~MapiScope() {
    if (SUCCEEDED(hr)) MAPIUninitialize();
  }
};

std::string Failed(const char* what, HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  return std::string(what) + " failed (" + code + ")";
}

std::u16string Text(const SPropValue& value) {
  if (PROP_TYPE(value.ulPropTag) == PT_UNICODE && value.Value.lpszW) return value.Value.lpszW;
  return {};
}

mapi::RowSet AllRows(IMAPITable* table, std::initializer_list<ULONG> tags, HRESULT* hr) {
  SizedSPropTagArray(3, cols) = {static_cast<ULONG>(tags.size()), {}};
  ULONG i = 0;
  for (ULONG tag : tags) cols.aulPropTag[i++] = tag;
  LPSRowSet raw = nullptr;
  *hr = HrQueryAllRows(table, reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &raw);
  return mapi::RowSet(raw);
}

// The items of one store's top folder: its content count and the subjects
// of its contents table.
std::optional<TopFolderItems> ReadTop(IMAPISession* session, const SBinary& storeId, std::string* error) {
  ComPtr<IMsgStore> store;
  HRESULT hr = session->OpenMsgStore(0, storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), nullptr,
                                     MDB_NO_DIALOG | MDB_NO_MAIL, store.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return *error = Failed("OpenMsgStore", hr), std::nullopt;
  mapi::Buffer<SPropValue> subtree;
  hr = HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID, mapi::Out(subtree));
  if (FAILED(hr) || !subtree || subtree->ulPropTag != PR_IPM_SUBTREE_ENTRYID)
    return *error = Failed("reading PR_IPM_SUBTREE_ENTRYID", hr), std::nullopt;
  ComPtr<IUnknown> opened;
  ULONG type = 0;
  hr = store->OpenEntry(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb), nullptr, 0, &type,
                        opened.ReleaseAndGetAddressOf());
  ComPtr<IMAPIFolder> top = SUCCEEDED(hr) ? opened.As<IMAPIFolder>() : nullptr;
  if (!top) return *error = Failed("opening the top folder", hr), std::nullopt;

  TopFolderItems items;
  mapi::Buffer<SPropValue> count;
  hr = HrGetOneProp(top.Get(), PR_CONTENT_COUNT, mapi::Out(count));
  if (SUCCEEDED(hr) && count && count->ulPropTag == PR_CONTENT_COUNT && count->Value.l > 0) items.count = count->Value.l;
  ComPtr<IMAPITable> contents;
  if (SUCCEEDED(top->GetContentsTable(MAPI_UNICODE, contents.ReleaseAndGetAddressOf()))) {
    const mapi::RowSet rows = AllRows(contents.Get(), {PR_SUBJECT_W}, &hr);
    if (SUCCEEDED(hr) && rows) {
      items.count = std::max<std::int32_t>(items.count, static_cast<std::int32_t>(rows->cRows));
      for (ULONG i = 0; i < rows->cRows; ++i) items.subjects.push_back(Text(rows->aRow[i].lpProps[0]));
    }
  }
  return items;
}

}  // namespace

std::optional<std::vector<TopFolderItems>> ReadTopFolders(const std::u16string& profile, std::string* error) {
  const MapiScope mapi;
  if (FAILED(mapi.hr)) return *error = Failed("MAPIInitialize", mapi.hr), std::nullopt;
  std::string name = win32::Utf16ToAnsi(profile);
  ComPtr<IMAPISession> session;
  HRESULT hr = MAPILogonEx(0, name.data(), nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_NO_MAIL,
                           session.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return *error = Failed("MAPILogonEx", hr), std::nullopt;
  std::optional<std::vector<TopFolderItems>> tops;
  ComPtr<IMAPITable> stores;
  hr = session->GetMsgStoresTable(MAPI_UNICODE, stores.ReleaseAndGetAddressOf());
  const mapi::RowSet rows = SUCCEEDED(hr) ? AllRows(stores.Get(), {PR_ENTRYID, PR_DISPLAY_NAME_W}, &hr) : nullptr;
  if (FAILED(hr) || !rows) {
    *error = Failed("reading the stores table", hr);
  } else {
    tops.emplace();
    for (ULONG i = 0; i < rows->cRows && tops; ++i) {
      const SRow& row = rows->aRow[i];
      if (PROP_TYPE(row.lpProps[0].ulPropTag) != PT_BINARY) continue;
      std::optional<TopFolderItems> top = ReadTop(session.Get(), row.lpProps[0].Value.bin, error);
      if (!top) tops.reset();
      else if (top->count > 0) tops->push_back(std::move(*top)), tops->back().store = Text(row.lpProps[1]);
    }
  }
  session->Logoff(0, 0, 0);
  return tops;
}

}  // namespace controller
