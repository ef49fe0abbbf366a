// The property stream: 16-byte entries of tag, flags and an 8-byte field
// that holds a fixed-length value or the size of the value's stream.
#include "msg/msg_props.h"

#include <cstring>
#include <vector>

#include "mapi/props.h"
#include "win32/text.h"

namespace mapi::msg {
namespace {

constexpr size_t kEntrySize = 16;

// Bytes of one value of a fixed-length type; 0 for the others.
size_t FixedSize(ULONG type) {
  switch (type) {
    case PT_I2:
    case PT_BOOLEAN: return 2;
    case PT_LONG:
    case PT_R4:
    case PT_ERROR: return 4;
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_I8:
    case PT_SYSTIME: return 8;
    default: return 0;
  }
}

// Bytes of one element of a fixed-length multi-valued type; 0 for others.
size_t MvElementSize(ULONG type) {
  if (!(type & MV_FLAG)) return 0;
  const ULONG base = type & ~MVI_FLAG;
  if (base == PT_CLSID) return 16;
  if (base == PT_BOOLEAN || base == PT_ERROR) return 0;
  return FixedSize(base);
}

bool IsMvVariable(ULONG type) { return type == PT_MV_UNICODE || type == PT_MV_STRING8 || type == PT_MV_BINARY; }

// The elements of a fixed-length multi-valued value: count and bytes.
std::pair<ULONG, const void*> MvElements(const SPropValue& v) {
  const _PV& p = v.Value;
  switch (PROP_TYPE(v.ulPropTag) & ~MVI_FLAG) {
    case PT_I2: return {p.MVi.cValues, p.MVi.lpi};
    case PT_LONG: return {p.MVl.cValues, p.MVl.lpl};
    case PT_R4: return {p.MVflt.cValues, p.MVflt.lpflt};
    case PT_DOUBLE: return {p.MVdbl.cValues, p.MVdbl.lpdbl};
    case PT_APPTIME: return {p.MVat.cValues, p.MVat.lpat};
    case PT_CURRENCY: return {p.MVcur.cValues, p.MVcur.lpcur};
    case PT_SYSTIME: return {p.MVft.cValues, p.MVft.lpft};
    case PT_I8: return {p.MVli.cValues, p.MVli.lpli};
    case PT_CLSID: return {p.MVguid.cValues, p.MVguid.lpguid};
    default: return {0, nullptr};
  }
}

void SetMvElements(SPropValue& v, ULONG count, void* data) {
  _PV& p = v.Value;
  switch (PROP_TYPE(v.ulPropTag) & ~MVI_FLAG) {
    case PT_I2: p.MVi = {count, static_cast<SHORT*>(data)}; break;
    case PT_LONG: p.MVl = {count, static_cast<LONG*>(data)}; break;
    case PT_R4: p.MVflt = {count, static_cast<float*>(data)}; break;
    case PT_DOUBLE: p.MVdbl = {count, static_cast<double*>(data)}; break;
    case PT_APPTIME: p.MVat = {count, static_cast<double*>(data)}; break;
    case PT_CURRENCY: p.MVcur = {count, static_cast<CURRENCY*>(data)}; break;
    case PT_SYSTIME: p.MVft = {count, static_cast<FILETIME*>(data)}; break;
    case PT_I8: p.MVli = {count, static_cast<LARGE_INTEGER*>(data)}; break;
    case PT_CLSID: p.MVguid = {count, static_cast<GUID*>(data)}; break;
  }
}

// ---- reading ----

Prop FixedValue(ULONG tag, std::string_view field) {
  SPropValue v{};
  v.ulPropTag = tag;
  const ULONG type = PROP_TYPE(tag);
  if (type == PT_BOOLEAN) {
    v.Value.b = field[0] != 0 || field[1] != 0;
  } else if (type == PT_I2) {
    int16_t s = 0;
    std::memcpy(&s, field.data(), 2);
    v.Value.i = s;
  } else if (FixedSize(type) == 4) {
    std::memcpy(&v.Value.l, field.data(), 4);
  } else {
    std::memcpy(&v.Value.li, field.data(), 8);  // every 8-byte member shares these bytes
  }
  return DupProp(v);
}

Prop VariableValue(ULONG tag, const std::string& bytes) {
  switch (PROP_TYPE(tag)) {
    case PT_UNICODE: return MakeUnicode(tag, TextOfUtf16(bytes));
    case PT_STRING8: return MakeString8(tag, std::string_view(bytes.c_str()));
    case PT_BINARY: return MakeBinary(tag, bytes);
    case PT_CLSID: {
      if (bytes.size() < sizeof(GUID)) return nullptr;
      GUID g;
      std::memcpy(&g, bytes.data(), sizeof g);
      return MakeGuid(tag, g);
    }
  }
  return nullptr;
}

Prop MvFixedValue(ULONG tag, const std::string& bytes) {
  const size_t each = MvElementSize(PROP_TYPE(tag));
  const ULONG count = static_cast<ULONG>(bytes.size() / each);
  std::vector<uint64_t> aligned((count * each + 7) / 8 + 1);
  std::memcpy(aligned.data(), bytes.data(), count * each);
  SPropValue v{};
  v.ulPropTag = tag;
  SetMvElements(v, count, aligned.data());
  return DupProp(v);
}

Prop MvVariableValue(IStorage* stg, ULONG tag, const std::string& lengths) {
  const ULONG type = PROP_TYPE(tag);
  const size_t each = type == PT_MV_BINARY ? 8 : 4;
  const ULONG count = static_cast<ULONG>(lengths.size() / each);
  std::vector<std::string> values;
  for (ULONG i = 0; i < count; ++i) {
    std::string value;
    if (FAILED(ReadStream(stg, ValueStreamName(tag, i), &value))) return nullptr;
    values.push_back(std::move(value));
  }
  if (type == PT_MV_BINARY) return MakeMvBinary(tag, values);
  if (type == PT_MV_STRING8) {
    for (auto& s : values) s = std::string(s.c_str());
    return MakeMvString8(tag, values);
  }
  std::vector<std::u16string> texts;
  for (const auto& s : values) texts.push_back(TextOfUtf16(s));
  return MakeMvUnicode(tag, texts);
}

// ---- writing ----

std::string EntryHead(ULONG tag) {
  std::string e;
  PutU32(e, tag);
  PutU32(e, kEntryFlags);
  return e;
}

// v as stored in the file: 8-bit strings become UTF-16 in the Unicode form.
Prop AsWritten(const SPropValue& v, const WriteOptions& o) {
  const ULONG type = PROP_TYPE(v.ulPropTag);
  if (!o.unicode || (type != PT_STRING8 && type != PT_MV_STRING8)) return DupProp(v);
  void* p = nullptr;
  if (FAILED(MAPIAllocateBuffer(sizeof(SPropValue), &p))) return nullptr;
  Prop out(static_cast<SPropValue*>(p));
  const ULONG wide = CHANGE_PROP_TYPE(v.ulPropTag, type == PT_STRING8 ? PT_UNICODE : PT_MV_UNICODE);
  if (AnswerProp(&v, wide, 0, o.codepage, out.get(), out.get()) != S_OK) return nullptr;
  return out;
}

HRESULT WriteOne(IStorage* stg, const SPropValue& v, std::string& entries) {
  const ULONG tag = v.ulPropTag;
  const ULONG type = PROP_TYPE(tag);
  std::string entry = EntryHead(tag);
  if (FixedSize(type)) {
    uint64_t field = 0;
    if (type == PT_BOOLEAN)
      field = v.Value.b ? 1 : 0;
    else if (type == PT_I2)
      field = static_cast<uint16_t>(v.Value.i);
    else if (FixedSize(type) == 4)
      field = static_cast<uint32_t>(v.Value.l);
    else
      std::memcpy(&field, &v.Value.li, 8);
    PutU64(entry, field);
    entries += entry;
    return S_OK;
  }
  std::string bytes;
  uint32_t size = 0;
  if (type == PT_UNICODE) {
    bytes = Utf16Bytes(win32::WideView(v.Value.lpszW));
    size = static_cast<uint32_t>(bytes.size() + 2);
  } else if (type == PT_STRING8) {
    bytes = v.Value.lpszA ? v.Value.lpszA : "";
    size = static_cast<uint32_t>(bytes.size() + 1);
  } else if (type == PT_BINARY) {
    bytes.assign(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb);
    size = v.Value.bin.cb;
  } else if (type == PT_CLSID) {
    if (!v.Value.lpguid) return S_OK;
    bytes.assign(reinterpret_cast<const char*>(v.Value.lpguid), sizeof(GUID));
    size = sizeof(GUID);
  } else if (MvElementSize(type)) {
    auto [count, data] = MvElements(v);
    bytes.assign(static_cast<const char*>(data), count * MvElementSize(type));
    size = static_cast<uint32_t>(bytes.size());
  } else if (IsMvVariable(type)) {
    const ULONG count = v.Value.MVbin.cValues;  // the same place in every array
    for (ULONG i = 0; i < count; ++i) {
      std::string value;
      if (type == PT_MV_BINARY) {
        value.assign(reinterpret_cast<const char*>(v.Value.MVbin.lpbin[i].lpb), v.Value.MVbin.lpbin[i].cb);
        PutU32(bytes, static_cast<uint32_t>(value.size()));
        PutU32(bytes, 0);
      } else if (type == PT_MV_UNICODE) {
        value = Utf16Bytes(win32::WideView(v.Value.MVszW.lppszW[i])) + std::string(2, '\0');
        PutU32(bytes, static_cast<uint32_t>(value.size()));
      } else {
        value = std::string(v.Value.MVszA.lppszA[i] ? v.Value.MVszA.lppszA[i] : "") + std::string(1, '\0');
        PutU32(bytes, static_cast<uint32_t>(value.size()));
      }
      if (HRESULT hr = WriteStream(stg, ValueStreamName(tag, i), value); FAILED(hr)) return hr;
    }
    size = static_cast<uint32_t>(bytes.size());
  } else {
    return S_OK;  // a type the file cannot hold (PT_NULL, PT_OBJECT, ...)
  }
  if (HRESULT hr = WriteStream(stg, ValueStreamName(tag), bytes); FAILED(hr)) return hr;
  PutU32(entry, size);
  PutU32(entry, 0);
  entries += entry;
  return S_OK;
}

}  // namespace

HRESULT ReadProps(IStorage* stg, Kind kind, PropMap* props) {
  std::string stream;
  if (HRESULT hr = ReadStream(stg, kPropertiesStream, &stream); FAILED(hr)) return hr;
  for (size_t at = HeaderSize(kind); at + kEntrySize <= stream.size(); at += kEntrySize) {
    const ULONG tag = GetU32(stream, at);
    const ULONG type = PROP_TYPE(tag);
    const std::string_view field(stream.data() + at + 8, 8);
    if (type == PT_ERROR || type == PT_OBJECT) continue;
    Prop value;
    if (FixedSize(type)) {
      value = FixedValue(tag, field);
    } else {
      std::string bytes;
      if (FAILED(ReadStream(stg, ValueStreamName(tag), &bytes))) continue;
      if (MvElementSize(type))
        value = MvFixedValue(tag, bytes);
      else if (IsMvVariable(type))
        value = MvVariableValue(stg, tag, bytes);
      else
        value = VariableValue(tag, bytes);
    }
    if (value) props->Set(std::move(value));
  }
  return S_OK;
}

HRESULT WriteProps(IStorage* stg, const PropMap& props, const WriteOptions& o) {
  std::string stream(8, '\0');
  if (o.kind == Kind::kTop || o.kind == Kind::kEmbedded) {
    PutU32(stream, o.counts.nextRecipient);
    PutU32(stream, o.counts.nextAttachment);
    PutU32(stream, o.counts.recipients);
    PutU32(stream, o.counts.attachments);
    if (o.kind == Kind::kTop) stream.append(8, '\0');
  }
  HRESULT hr = S_OK;
  props.ForEach([&](const SPropValue& v) {
    const ULONG type = PROP_TYPE(v.ulPropTag);
    if (FAILED(hr) || type == PT_ERROR || type == PT_OBJECT) return;
    Prop written = AsWritten(v, o);
    hr = written ? WriteOne(stg, *written, stream) : MAPI_E_NOT_ENOUGH_MEMORY;
  });
  if (FAILED(hr)) return hr;
  if (o.objectEntry) {
    stream += EntryHead(PR_ATTACH_DATA_OBJ);
    PutU32(stream, kObjectSize);
    PutU32(stream, 0);
  }
  return WriteStream(stg, kPropertiesStream, stream);
}

}  // namespace mapi::msg
