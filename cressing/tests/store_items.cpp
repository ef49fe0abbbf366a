#include "store_items.h"

#include <gtest/gtest.h>

#include "CressingText.h"
#include "ExportNames.h"
#include "MapiHolders.h"
#include "mapi/mapitags.h"
#include "testing/temp_machine.h"

namespace cressing_test {
namespace {

template <class T>
ComPtr<T> OpenAs(IMsgStore* store, const SBinary& id, ULONG flags) {
  ULONG type = 0;
  LPUNKNOWN raw = nullptr;
  const HRESULT hr = store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, flags, &type, &raw);
  auto object = ComPtr<T>::Attach(reinterpret_cast<T*>(raw));
  return SUCCEEDED(hr) ? object : nullptr;
}

RowSetPtr Rows(IMAPITable* table, std::initializer_list<ULONG> tags) {
  std::vector<ULONG> array{static_cast<ULONG>(tags.size())};
  array.insert(array.end(), tags);
  LPSRowSet raw = nullptr;
  if (!table || FAILED(QueryAllRows(table, reinterpret_cast<LPSPropTagArray>(array.data()), &raw))) return nullptr;
  return RowSetPtr(raw);
}

ComPtr<IMAPIFolder> FindFolder(IMsgStore* store, IMAPIFolder* parent, const std::u16string& name) {
  ComPtr<IMAPITable> table;
  if (FAILED(parent->GetHierarchyTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf()))) return nullptr;
  const RowSetPtr rows = Rows(table.Get(), {PR_DISPLAY_NAME_W, PR_ENTRYID});
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    const SPropValue* props = rows->aRow[i].lpProps;
    auto folder = OpenAs<IMAPIFolder>(store, props[1].Value.bin, 0);
    if (!folder) continue;
    if (WideValue(props[0]) == name) return folder;
    if (auto below = FindFolder(store, folder.Get(), name)) return below;
  }
  return nullptr;
}

}  // namespace

std::vector<ComPtr<IMessage>> FolderMessages(IMAPISession* session, const std::u16string& folderName) {
  std::vector<ComPtr<IMessage>> messages;
  ComPtr<IMAPITable> stores;
  if (!session || FAILED(session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf()))) return messages;
  const RowSetPtr storeRows = Rows(stores.Get(), {PR_ENTRYID});
  if (!storeRows || storeRows->cRows == 0) return messages;
  const SBinary& storeId = storeRows->aRow[0].lpProps[0].Value.bin;
  ComPtr<IMsgStore> store;
  if (FAILED(session->OpenMsgStore(0, storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), nullptr, MAPI_BEST_ACCESS,
                                   store.ReleaseAndGetAddressOf())))
    return messages;
  LPSPropValue rawSubtree = nullptr;
  if (FAILED(HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID, &rawSubtree))) return messages;
  const MapiBufferPtr<SPropValue> subtree(rawSubtree);
  auto top = OpenAs<IMAPIFolder>(store.Get(), subtree->Value.bin, 0);
  auto folder = top ? FindFolder(store.Get(), top.Get(), folderName) : nullptr;
  ComPtr<IMAPITable> contents;
  if (!folder || FAILED(folder->GetContentsTable(0, contents.ReleaseAndGetAddressOf()))) return messages;
  const RowSetPtr rows = Rows(contents.Get(), {PR_ENTRYID});
  for (ULONG i = 0; rows && i < rows->cRows; ++i)
    if (auto message = OpenAs<IMessage>(store.Get(), rows->aRow[i].lpProps[0].Value.bin, MAPI_BEST_ACCESS))
      messages.push_back(message);
  return messages;
}

ItemValues GatherValues(CCressingDlg& dlg, IMessage* message) {
  ItemValues values;
  dlg.ReadNamedValues(message, values);
  const std::span<const ULONG> fixed = FixedPropTags();
  std::vector<ULONG> tags{static_cast<ULONG>(fixed.size())};
  tags.insert(tags.end(), fixed.begin(), fixed.end());
  ULONG count = 0;
  LPSPropValue raw = nullptr;
  EXPECT_TRUE(SUCCEEDED(message->GetProps(reinterpret_cast<LPSPropTagArray>(tags.data()), 0, &count, &raw)));
  const MapiBufferPtr<SPropValue> props(raw);
  for (ULONG i = 0; props && i < count; ++i) StoreFixedValue(values, props.get(), i);
  values.itemType = GetItemType(values.messageClass);
  return values;
}

void BindBuiltMapi() {
  LoadMAPIFuncs(MyLoadLibrary((testing_support::BuildDir() / "lib" / "libbrackenford_mapi.so").u16string().c_str()));
}

}  // namespace cressing_test
