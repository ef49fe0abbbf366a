// One message in a memory store, filled from code, for the tests that turn
// MAPI messages into MIME (the converter's own, and the CDO reader's).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "mapi/memory_store.h"

namespace mime_test {

inline FILETIME Ft(std::int64_t unixSeconds) {
  ULONGLONG t = static_cast<ULONGLONG>(unixSeconds) * 10000000ULL + 116444736000000000ULL;
  return {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}

inline mapi::PropMap Recipient(ULONG type, std::u16string name, std::u16string smtp) {
  mapi::PropMap r;
  r.Set(mapi::MakeLong(PR_RECIPIENT_TYPE, static_cast<LONG>(type)));
  r.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, name));
  r.Set(mapi::MakeUnicode(PR_ADDRTYPE_W, u"SMTP"));
  r.Set(mapi::MakeUnicode(PR_EMAIL_ADDRESS_W, smtp));
  return r;
}

struct MemoryMessage {
  std::shared_ptr<mapi::memory::StoreData> data = std::make_shared<mapi::memory::StoreData>();
  mapi::StoreIdentity id;
  mapi::memory::Message* mail = nullptr;

  explicit MemoryMessage(std::string_view messageClass = "IPM.Note") {
    id.uid = mapi::UidFromText("mime-test");
    id.displayName = u"Store";
    id.storeEntryId = mapi::MakeStoreEntryId(id.uid, mapi::StoreKind::kMemory, "mime");
    mail = &data->AddMessage(data->AddFolder(*data->ipmSubtree, u"Inbox", "IPF.Note"), messageClass);
  }
  ComPtr<IMessage> Open() {
    ComPtr<IMsgStore> store;
    EXPECT_EQ(mapi::memory::OpenStore(data, id, store.ReleaseAndGetAddressOf()), S_OK);
    std::string eid = mapi::memory::MessageEntryId(id.uid, *mail);
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    EXPECT_EQ(store->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), nullptr,
                               MAPI_BEST_ACCESS, &type, unk.ReleaseAndGetAddressOf()),
              S_OK);
    return unk.As<IMessage>();
  }
  void Set(mapi::Prop v) { mail->props.Set(std::move(v)); }
};

}  // namespace mime_test
