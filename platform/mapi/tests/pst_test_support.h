// Opening PST stores in tests: the sample file Outlook wrote, files written
// by pstgen from a description, and small readers over MAPI results.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "mapi/holders.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/mapix.h"
#include "mapi/provider.h"
#include "testing/shared_fixtures.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace pst_test {

inline std::filesystem::path Sample() { return testing_support::SharedFixtures() / "outlook-sample.pst"; }

inline mapi::StoreIdentity Identity(std::u16string name = u"Personal Folders") {
  mapi::StoreIdentity id;
  for (int i = 0; i < 16; ++i) id.uid.ab[i] = static_cast<BYTE>(0xA0 + i);
  id.displayName = std::move(name);
  id.storeEntryId = "store entry id";
  return id;
}

inline ComPtr<IMsgStore> OpenStore(const std::filesystem::path& path, HRESULT* hr = nullptr,
                                   const mapi::StoreIdentity& identity = Identity()) {
  ComPtr<IMsgStore> store;
  HRESULT r = mapi::OpenPstStore(path.u16string(), identity, 0, store.ReleaseAndGetAddressOf());
  if (hr) *hr = r;
  return store;
}

// Writes the PST that pstgen makes of a JSON description.
inline std::filesystem::path MakePst(const std::filesystem::path& dir, const std::string& json,
                                     const std::string& name = "made.pst") {
  auto desc = dir / (name + ".json");
  std::ofstream(desc) << json;
  auto out = dir / name;
  std::string cmd = (testing_support::BuildDir() / "bin" / "pstgen").string() + " '" + desc.string() + "' '" +
                    out.string() + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  return out;
}

struct Values {
  HRESULT hr = E_FAIL;
  ULONG count = 0;
  mapi::Buffer<SPropValue> values;
  const SPropValue& operator[](size_t i) const { return values.get()[i]; }
};

inline Values GetProps(IMAPIProp* obj, std::vector<ULONG> tags, ULONG flags = 0) {
  Values v;
  std::vector<ULONG> raw(tags.size() + 1);
  raw[0] = static_cast<ULONG>(tags.size());
  std::copy(tags.begin(), tags.end(), raw.begin() + 1);
  LPSPropValue out = nullptr;
  v.hr = obj->GetProps(tags.empty() ? nullptr : reinterpret_cast<LPSPropTagArray>(raw.data()), flags, &v.count,
                       &out);
  v.values.reset(out);
  return v;
}

inline std::u16string Text(const SPropValue& v) {
  if (PROP_TYPE(v.ulPropTag) == PT_UNICODE) return v.Value.lpszW ? std::u16string(v.Value.lpszW) : u"";
  if (PROP_TYPE(v.ulPropTag) == PT_STRING8) return v.Value.lpszA ? win32::Utf8ToUtf16(v.Value.lpszA) : u"";
  return u"<not a string>";
}
inline std::string Utf8(const SPropValue& v) { return win32::Utf16ToUtf8(Text(v)); }
inline std::string Bytes(const SPropValue& v) {
  return std::string(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb);
}
inline bool IsNotFound(const SPropValue& v) {
  return PROP_TYPE(v.ulPropTag) == PT_ERROR && v.Value.err == MAPI_E_NOT_FOUND;
}

inline mapi::RowSet AllRows(IMAPITable* table, std::vector<ULONG> columns) {
  std::vector<ULONG> raw(columns.size() + 1);
  raw[0] = static_cast<ULONG>(columns.size());
  std::copy(columns.begin(), columns.end(), raw.begin() + 1);
  LPSRowSet rows = nullptr;
  EXPECT_EQ(HrQueryAllRows(table, reinterpret_cast<LPSPropTagArray>(raw.data()), nullptr, nullptr, 0, &rows), S_OK);
  return mapi::RowSet(rows);
}

template <class T>
ComPtr<T> Open(IMsgStore* store, const SPropValue& entryId, ULONG flags = 0) {
  ComPtr<T> out;
  ULONG type = 0;
  EXPECT_EQ(store->OpenEntry(entryId.Value.bin.cb, reinterpret_cast<LPENTRYID>(entryId.Value.bin.lpb), &IidOf<T>(),
                             flags, &type, reinterpret_cast<LPUNKNOWN*>(out.ReleaseAndGetAddressOf())),
            S_OK);
  return out;
}

inline std::string ReadStream(IStream* s) {
  std::string out;
  char buf[1000];
  ULONG n = 0;
  while (SUCCEEDED(s->Read(buf, sizeof buf, &n)) && n > 0) out.append(buf, n);
  return out;
}

// Calls visit for every message of the folder and the folders below it,
// depth first.
inline void ForEachMessage(IMsgStore* store, IMAPIFolder* folder, const std::function<void(IMessage*)>& visit) {
  ComPtr<IMAPITable> contents, children;
  if (SUCCEEDED(folder->GetContentsTable(0, contents.ReleaseAndGetAddressOf()))) {
    mapi::RowSet rows = AllRows(contents.Get(), {PR_ENTRYID});
    for (ULONG r = 0; rows && r < rows->cRows; ++r)
      if (ComPtr<IMessage> m = Open<IMessage>(store, rows->aRow[r].lpProps[0])) visit(m.Get());
  }
  if (SUCCEEDED(folder->GetHierarchyTable(0, children.ReleaseAndGetAddressOf()))) {
    mapi::RowSet rows = AllRows(children.Get(), {PR_ENTRYID});
    for (ULONG r = 0; rows && r < rows->cRows; ++r)
      if (ComPtr<IMAPIFolder> f = Open<IMAPIFolder>(store, rows->aRow[r].lpProps[0])) ForEachMessage(store, f.Get(), visit);
  }
}

inline void ForEachMessage(IMsgStore* store, const std::function<void(IMessage*)>& visit) {
  ComPtr<IMAPIFolder> root;
  ULONG type = 0;
  ASSERT_EQ(store->OpenEntry(0, nullptr, &IID_IMAPIFolder, 0, &type, reinterpret_cast<LPUNKNOWN*>(root.ReleaseAndGetAddressOf())),
            S_OK);
  ForEachMessage(store, root.Get(), visit);
}

}  // namespace pst_test
