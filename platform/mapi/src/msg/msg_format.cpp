#include "msg/msg_format.h"

#include <vector>

#include "com/com.h"
#include "mapi/format_crc.h"

namespace mapi::msg {

size_t HeaderSize(Kind kind) {
  switch (kind) {
    case Kind::kTop: return 32;
    case Kind::kEmbedded: return 24;
    default: return 8;
  }
}

namespace {

std::u16string Hex8(ULONG v) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string s(8, u'0');
  for (int i = 7; i >= 0; --i, v >>= 4) s[i] = kDigits[v & 0xF];
  return s;
}

constexpr DWORD kReadMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kWriteMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE;

}  // namespace

std::u16string ValueStreamName(ULONG tag) { return kSubstgPrefix + Hex8(tag); }
std::u16string ValueStreamName(ULONG tag, ULONG index) { return ValueStreamName(tag) + u"-" + Hex8(index); }

std::u16string NumberedName(std::u16string_view prefix, ULONG n) { return std::u16string(prefix) + Hex8(n); }

std::optional<ULONG> NumberOf(std::u16string_view prefix, std::u16string_view name) {
  if (name.size() != prefix.size() + 8 || name.substr(0, prefix.size()) != prefix) return std::nullopt;
  ULONG n = 0;
  for (char16_t c : name.substr(prefix.size())) {
    int d = c >= u'0' && c <= u'9'   ? c - u'0'
            : c >= u'A' && c <= u'F' ? c - u'A' + 10
            : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                     : -1;
    if (d < 0) return std::nullopt;
    n = n << 4 | static_cast<ULONG>(d);
  }
  return n;
}

uint32_t NameCrc(std::u16string_view name) {
  uint32_t crc = 0;
  for (char16_t c : name)
    for (uint8_t byte : {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)})
      crc = mapi::FormatCrcByte(crc, byte);
  return crc;
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void PutU64(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
uint32_t GetU32(std::string_view in, size_t at) {
  if (at > in.size() || in.size() - at < 4) return 0;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(in[at + i]);
  return v;
}

HRESULT ReadStream(IStorage* stg, const std::u16string& name, std::string* out) {
  out->clear();
  ComPtr<IStream> s;
  HRESULT hr = stg->OpenStream(name.c_str(), nullptr, kReadMode, 0, s.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  STATSTG st{};
  if (SUCCEEDED(s->Stat(&st, STATFLAG_NONAME))) out->reserve(static_cast<size_t>(st.cbSize.QuadPart));
  char buf[64 * 1024];
  ULONG got = 0;
  while (SUCCEEDED(hr = s->Read(buf, sizeof buf, &got)) && got) out->append(buf, got);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT WriteStream(IStorage* stg, const std::u16string& name, std::string_view bytes) {
  ComPtr<IStream> s;
  HRESULT hr = stg->CreateStream(name.c_str(), kWriteMode, 0, 0, s.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr) && !bytes.empty()) hr = s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  return hr;
}

HRESULT ListElements(IStorage* stg, std::vector<std::pair<std::u16string, DWORD>>* out) {
  out->clear();
  ComPtr<IEnumSTATSTG> items;
  HRESULT hr = stg->EnumElements(0, nullptr, 0, items.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  STATSTG st{};
  ULONG got = 0;
  while (items->Next(1, &st, &got) == S_OK && got == 1) {
    if (st.pwcsName) out->emplace_back(st.pwcsName, st.type);
    CoTaskMemFree(st.pwcsName);
  }
  return S_OK;
}

std::string Utf16Bytes(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

std::u16string TextOfUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t c = static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
    if (c == 0) break;
    out.push_back(c);
  }
  return out;
}

}  // namespace mapi::msg
