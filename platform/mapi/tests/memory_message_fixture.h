// One message in a memory store, filled from code, for the tests that turn
// MAPI messages into MIME (the converter's own, and the CDO reader's).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// PR_RTF_COMPRESSED as stored: the 16-byte header and the content, stored
// uncompressed ("MELA") or as LZFu whose first token copies `fromDictionary`
// bytes of the dictionary's starting text ("{\rtf1\ansi...") and whose
// other tokens are literals.
inline std::string RtfProperty(std::string_view rtf, bool compressed, size_t fromDictionary = 0) {
  auto le32 = [](std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
  };
  std::string content;
  if (!compressed) {
    content = rtf;
  } else {
    std::vector<std::string> tokens;  // 2 bytes for a reference, 1 for a literal
    if (fromDictionary) tokens.push_back({0, static_cast<char>(fromDictionary - 2)});  // offset 0
    for (char c : rtf.substr(fromDictionary)) tokens.push_back(std::string(1, c));
    const unsigned end = (207 + rtf.size()) % 4096;
    tokens.push_back({static_cast<char>(end >> 4), static_cast<char>((end & 0xF) << 4)});
    for (size_t i = 0; i < tokens.size(); i += 8) {
      char control = 0;
      std::string run;
      for (size_t k = i; k < std::min(tokens.size(), i + 8); ++k) {
        if (tokens[k].size() == 2) control = static_cast<char>(control | (1 << (k - i)));
        run += tokens[k];
      }
      content += control + run;
    }
  }
  std::string out;
  le32(out, static_cast<std::uint32_t>(content.size() + 12));
  le32(out, static_cast<std::uint32_t>(rtf.size()));
  le32(out, compressed ? 0x75465A4C : 0x414C454D);
  le32(out, 0);
  return out + content;
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
