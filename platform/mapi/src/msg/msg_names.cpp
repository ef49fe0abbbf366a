// "__nameid_version1.0": the GUID stream (16 bytes per set, from index 3),
// the entry stream (8 bytes per name: the numeric id or an offset into the
// string stream, then property index << 16 | GUID index << 1 | kind), the
// string stream (length and UTF-16 name, each on a 4-byte boundary), and
// 0x1F lookup streams that hold the entries again, bucketed by a hash of
// the name.
#include "msg/msg_names.h"

#include <cstring>
#include <map>
#include <vector>

#include "msg/msg_format.h"

namespace mapi::msg {
namespace {

constexpr GUID kPsMapi = {0x00020328, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPsPublicStrings = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr ULONG kFirstNamedId = 0x8000;
constexpr ULONG kGuidStreamTag = 0x00020102;
constexpr ULONG kEntryStreamTag = 0x00030102;
constexpr ULONG kStringStreamTag = 0x00040102;
constexpr ULONG kLookupStreams = 0x1F;

bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

constexpr DWORD kOpenMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreateMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE;

}  // namespace

HRESULT ReadNames(IStorage* root, NameMap* names) {
  ComPtr<IStorage> map;
  if (FAILED(root->OpenStorage(kNameIdStorage, nullptr, kOpenMode, nullptr, 0, map.ReleaseAndGetAddressOf())))
    return S_OK;
  std::string guids, entries, strings;
  ReadStream(map.Get(), ValueStreamName(kGuidStreamTag), &guids);
  ReadStream(map.Get(), ValueStreamName(kEntryStreamTag), &entries);
  ReadStream(map.Get(), ValueStreamName(kStringStreamTag), &strings);
  for (size_t at = 0; at + 8 <= entries.size(); at += 8) {
    const uint32_t key = GetU32(entries, at);
    const uint32_t info = GetU32(entries, at + 4);
    const ULONG guidIndex = (info & 0xFFFF) >> 1;
    PropName name;
    if (guidIndex == 1)
      name.guid = kPsMapi;
    else if (guidIndex == 2)
      name.guid = kPsPublicStrings;
    else if (guidIndex >= 3 && (guidIndex - 3 + 1) * sizeof(GUID) <= guids.size())
      std::memcpy(&name.guid, guids.data() + (guidIndex - 3) * sizeof(GUID), sizeof(GUID));
    else
      continue;
    if (info & 1) {
      const uint32_t length = GetU32(strings, key);
      if (key > strings.size() || strings.size() - key < 4 || strings.size() - key - 4 < length) continue;
      name.kind = MNID_STRING;
      name.name = TextOfUtf16(std::string_view(strings).substr(key + 4, length));
    } else {
      name.kind = MNID_ID;
      name.id = static_cast<LONG>(key);
    }
    names->Bind(kFirstNamedId + (info >> 16), name);
  }
  return S_OK;
}

HRESULT WriteNames(IStorage* root, const NameMap& names) {
  std::string guids, entries, strings;
  std::map<ULONG, std::string> lookup;  // stream id -> its entries
  std::vector<GUID> sets;
  names.ForEach([&](ULONG id, const PropName& n) {
    if (id < kFirstNamedId) return;
    ULONG guidIndex = 0;
    if (Same(n.guid, kPsMapi))
      guidIndex = 1;
    else if (Same(n.guid, kPsPublicStrings))
      guidIndex = 2;
    else {
      size_t i = 0;
      while (i < sets.size() && !Same(sets[i], n.guid)) ++i;
      if (i == sets.size()) {
        sets.push_back(n.guid);
        guids.append(reinterpret_cast<const char*>(&n.guid), sizeof(GUID));
      }
      guidIndex = static_cast<ULONG>(3 + i);
    }
    const ULONG kind = n.kind == MNID_STRING ? 1 : 0;
    const uint32_t info = (id - kFirstNamedId) << 16 | guidIndex << 1 | kind;
    uint32_t key = static_cast<uint32_t>(n.id);
    uint32_t hash = key;
    if (kind) {
      key = static_cast<uint32_t>(strings.size());
      const std::string text = Utf16Bytes(n.name);
      PutU32(strings, static_cast<uint32_t>(text.size()));
      strings += text;
      strings.append((4 - strings.size() % 4) % 4, '\0');
      hash = NameCrc(n.name);
    }
    PutU32(entries, key);
    PutU32(entries, info);
    std::string& bucket = lookup[0x1000 + (hash ^ (guidIndex << 1 | kind)) % kLookupStreams];
    PutU32(bucket, hash);
    PutU32(bucket, info);
  });
  ComPtr<IStorage> map;
  HRESULT hr = root->CreateStorage(kNameIdStorage, kCreateMode, 0, 0, map.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr)) hr = WriteStream(map.Get(), ValueStreamName(kGuidStreamTag), guids);
  if (SUCCEEDED(hr)) hr = WriteStream(map.Get(), ValueStreamName(kEntryStreamTag), entries);
  if (SUCCEEDED(hr)) hr = WriteStream(map.Get(), ValueStreamName(kStringStreamTag), strings);
  for (const auto& [stream, bytes] : lookup) {
    if (FAILED(hr)) break;
    hr = WriteStream(map.Get(), ValueStreamName(stream << 16 | PT_BINARY), bytes);
  }
  return hr;
}

}  // namespace mapi::msg
