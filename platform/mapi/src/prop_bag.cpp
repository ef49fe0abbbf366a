// The property bag: PropMap, NameMap and the IMAPIProp calls over them.
#include "mapi/prop_bag.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "com/stream.h"
#include "win32/text.h"

namespace mapi {

bool operator<(const PropName& a, const PropName& b) {
  const int g = std::memcmp(&a.guid, &b.guid, sizeof(GUID));
  if (g != 0) return g < 0;
  return std::tie(a.kind, a.id, a.name) < std::tie(b.kind, b.id, b.name);
}
bool operator==(const PropName& a, const PropName& b) { return !(a < b) && !(b < a); }

ULONG NameMap::IdOf(const PropName& name, bool create) {
  PropName key = name;
  if (key.kind == MNID_ID) key.name.clear(); else key.id = 0;
  if (auto it = ids_.find(key); it != ids_.end()) return it->second;
  if (!create || next_ > 0xFFFE) return 0;
  while (names_.count(next_)) ++next_;
  Bind(next_, key);
  return next_++;
}

void NameMap::Bind(ULONG id, const PropName& name) {
  if (auto old = names_.find(id); old != names_.end()) ids_.erase(old->second);
  ids_[name] = id;
  names_[id] = name;
}

const PropName* NameMap::NameOf(ULONG id) const {
  auto it = names_.find(id);
  return it == names_.end() ? nullptr : &it->second;
}

void PropMap::Set(const SPropValue& v) { Set(DupProp(v)); }
void PropMap::Set(Prop v) {
  const ULONG id = PROP_ID(v->ulPropTag);
  props_[id] = std::move(v);
}
const SPropValue* PropMap::Find(ULONG tag) const {
  auto it = props_.find(PROP_ID(tag));
  return it == props_.end() ? nullptr : it->second.get();
}
bool PropMap::Erase(ULONG tag) { return props_.erase(PROP_ID(tag)) > 0; }

namespace {

template <class T>
SCODE Alloc(size_t bytes, T** out) {
  return MAPIAllocateBuffer(static_cast<ULONG>(bytes ? bytes : 1), reinterpret_cast<void**>(out));
}

LPSPropTagArray AllocTagArray(ULONG n) {
  LPSPropTagArray tags = nullptr;
  if (FAILED(Alloc(CbNewSPropTagArray(n), &tags))) return nullptr;
  tags->cValues = n;
  return tags;
}

SCODE CopyName(const PropName& n, void* parent, MAPINAMEID** out) {
  if (SCODE sc = MAPIAllocateMore(sizeof(MAPINAMEID), parent, reinterpret_cast<void**>(out)); FAILED(sc)) return sc;
  MAPINAMEID* id = *out;
  if (SCODE sc = MAPIAllocateMore(sizeof(GUID), parent, reinterpret_cast<void**>(&id->lpguid)); FAILED(sc))
    return sc;
  *id->lpguid = n.guid;
  id->ulKind = n.kind;
  if (n.kind == MNID_ID) {
    id->Kind.lID = n.id;
    return S_OK;
  }
  const size_t bytes = (n.name.size() + 1) * sizeof(WCHAR);
  if (SCODE sc = MAPIAllocateMore(static_cast<ULONG>(bytes), parent, reinterpret_cast<void**>(&id->Kind.lpwstrName));
      FAILED(sc))
    return sc;
  std::memcpy(id->Kind.lpwstrName, n.name.c_str(), bytes);
  return S_OK;
}

}  // namespace

HRESULT GetPropsFrom(const PropMap& props, const SPropTagArray* tags, ULONG flags, UINT codepage, ULONG* count,
                     LPSPropValue* values) {
  std::vector<ULONG> asked;
  std::vector<const SPropValue*> stored;
  if (tags) {
    for (ULONG i = 0; i < tags->cValues; ++i) {
      asked.push_back(tags->aulPropTag[i]);
      stored.push_back(props.Find(tags->aulPropTag[i]));
    }
  } else {
    props.ForEach([&](const SPropValue& v) {
      if (PROP_TYPE(v.ulPropTag) == PT_OBJECT) return;
      asked.push_back(ListedTag(v.ulPropTag, flags));
      stored.push_back(&v);
    });
  }
  LPSPropValue out = nullptr;
  if (SCODE sc = Alloc(sizeof(SPropValue) * asked.size(), &out); FAILED(sc)) return sc;
  HRESULT result = S_OK;
  for (size_t i = 0; i < asked.size(); ++i) {
    SCODE sc = AnswerProp(stored[i], asked[i], flags, codepage, out, &out[i]);
    if (FAILED(sc)) {
      MAPIFreeBuffer(out);
      return sc;
    }
    if (sc != S_OK) result = sc;
  }
  *count = static_cast<ULONG>(asked.size());
  *values = out;
  return result;
}

namespace prop_calls {

constexpr ULONG kNoTag = PROP_TAG(PT_NULL, PROP_ID_NULL);

HRESULT GetPropList(const PropMap& props, ULONG flags, LPSPropTagArray* tags) {
  if (!tags) return MAPI_E_INVALID_PARAMETER;
  *tags = AllocTagArray(static_cast<ULONG>(props.size()));
  if (!*tags) return MAPI_E_NOT_ENOUGH_MEMORY;
  ULONG n = 0;
  props.ForEach([&](const SPropValue& v) { (*tags)->aulPropTag[n++] = ListedTag(v.ulPropTag, flags); });
  (*tags)->cValues = n;
  return S_OK;
}

HRESULT OpenValueStream(const PropMap& props, ULONG tag, UINT codepage, REFIID iid, ULONG, LPUNKNOWN* unk) {
  if (iid != IID_IStream && iid != IID_ISequentialStream) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  const SPropValue* stored = props.Find(tag);
  const ULONG type = PROP_TYPE(tag);
  if (!stored || (type != PT_BINARY && type != PT_UNICODE && type != PT_STRING8)) return MAPI_E_NOT_FOUND;
  Buffer<SPropValue> value;
  {
    void* p = nullptr;
    if (FAILED(MAPIAllocateBuffer(sizeof(SPropValue), &p))) return MAPI_E_NOT_ENOUGH_MEMORY;
    value.reset(static_cast<SPropValue*>(p));
  }
  if (AnswerProp(stored, tag, 0, codepage, value.get(), value.get()) != S_OK) return MAPI_E_NOT_FOUND;
  ComPtr<IStream> stream;
  if (HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()); FAILED(hr)) return hr;
  const void* data = value->Value.bin.lpb;
  size_t size = value->Value.bin.cb;
  if (type == PT_UNICODE) {
    data = value->Value.lpszW;
    size = win32::WideLength(value->Value.lpszW) * sizeof(WCHAR);
  } else if (type == PT_STRING8) {
    data = value->Value.lpszA;
    size = std::strlen(value->Value.lpszA);
  }
  if (HRESULT hr = stream->Write(data, static_cast<ULONG>(size), nullptr); FAILED(hr)) return hr;
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  *unk = stream.Detach();
  return S_OK;
}

HRESULT SetProps(PropMap& props, ULONG count, const SPropValue* values, LPSPropProblemArray* problems) {
  if (problems) *problems = nullptr;
  if (count && !values) return MAPI_E_INVALID_PARAMETER;
  for (ULONG i = 0; i < count; ++i) {
    const ULONG type = PROP_TYPE(values[i].ulPropTag);
    if (type == PT_ERROR || type == PT_OBJECT || type == PT_UNSPECIFIED) continue;
    props.Set(values[i]);
  }
  return S_OK;
}

HRESULT DeleteProps(PropMap& props, const SPropTagArray* tags, LPSPropProblemArray* problems) {
  if (problems) *problems = nullptr;
  if (!tags) return MAPI_E_INVALID_PARAMETER;
  for (ULONG i = 0; i < tags->cValues; ++i) props.Erase(tags->aulPropTag[i]);
  return S_OK;
}

HRESULT CopyPropsTo(const PropMap& props, NameMap* names, const SPropTagArray* exclude,
                    const SPropTagArray* include, IMAPIProp* dest, LPSPropProblemArray* problems) {
  if (problems) *problems = nullptr;
  std::vector<SPropValue> values;
  std::vector<MAPINAMEID> named;
  std::vector<std::u16string> strings;
  std::vector<size_t> at;  // index in values of each named one
  std::vector<GUID> guids;
  props.ForEach([&](const SPropValue& v) {
    const ULONG type = PROP_TYPE(v.ulPropTag);
    if (type == PT_OBJECT || type == PT_ERROR) return;
    if (InTags(exclude, v.ulPropTag)) return;
    if (include && !InTags(include, v.ulPropTag)) return;
    if (PROP_ID(v.ulPropTag) >= 0x8000) {
      const PropName* n = names ? names->NameOf(PROP_ID(v.ulPropTag)) : nullptr;
      if (!n) return;
      guids.push_back(n->guid);
      strings.push_back(n->name);
      MAPINAMEID id{nullptr, n->kind, {}};
      id.Kind.lID = n->id;
      named.push_back(id);
      at.push_back(values.size());
    }
    values.push_back(v);
  });
  if (!named.empty()) {
    std::vector<LPMAPINAMEID> asked;
    for (size_t i = 0; i < named.size(); ++i) {
      named[i].lpguid = &guids[i];
      if (named[i].ulKind == MNID_STRING) named[i].Kind.lpwstrName = strings[i].data();
      asked.push_back(&named[i]);
    }
    LPSPropTagArray raw = nullptr;
    HRESULT hr = dest->GetIDsFromNames(static_cast<ULONG>(asked.size()), asked.data(), MAPI_CREATE, &raw);
    Buffer<SPropTagArray> ids(raw);
    for (size_t i = 0; i < at.size(); ++i) {
      const bool ok = SUCCEEDED(hr) && ids && i < ids->cValues && PROP_TYPE(ids->aulPropTag[i]) != PT_ERROR;
      SPropValue& v = values[at[i]];
      v.ulPropTag = ok ? PROP_TAG(PROP_TYPE(v.ulPropTag), PROP_ID(ids->aulPropTag[i])) : kNoTag;
    }
    values.erase(std::remove_if(values.begin(), values.end(),
                                [](const SPropValue& v) { return v.ulPropTag == kNoTag; }),
                 values.end());
  }
  if (values.empty()) return S_OK;
  return dest->SetProps(static_cast<ULONG>(values.size()), values.data(), problems);
}

HRESULT GetNamesFromIDs(const PropMap& props, NameMap* names, LPSPropTagArray* tags, const GUID* guid, ULONG,
                        ULONG* count, LPMAPINAMEID** out) {
  if (!tags || !count || !out) return MAPI_E_INVALID_PARAMETER;
  *count = 0;
  *out = nullptr;
  if (!*tags) {  // every named property of the object
    std::vector<ULONG> ids;
    props.ForEach([&](const SPropValue& v) {
      if (PROP_ID(v.ulPropTag) >= 0x8000) ids.push_back(v.ulPropTag);
    });
    LPSPropTagArray all = AllocTagArray(static_cast<ULONG>(ids.size()));
    if (!all) return MAPI_E_NOT_ENOUGH_MEMORY;
    for (size_t i = 0; i < ids.size(); ++i) all->aulPropTag[i] = ids[i];
    *tags = all;
  }
  const SPropTagArray* asked = *tags;
  LPMAPINAMEID* result = nullptr;
  if (SCODE sc = Alloc(sizeof(LPMAPINAMEID) * asked->cValues, &result); FAILED(sc)) return sc;
  HRESULT status = S_OK;
  for (ULONG i = 0; i < asked->cValues; ++i) {
    result[i] = nullptr;
    const PropName* n = names ? names->NameOf(PROP_ID(asked->aulPropTag[i])) : nullptr;
    if (n && guid && std::memcmp(&n->guid, guid, sizeof(GUID)) != 0) n = nullptr;
    if (!n) {
      status = MAPI_W_ERRORS_RETURNED;
      continue;
    }
    if (SCODE sc = CopyName(*n, result, &result[i]); FAILED(sc)) {
      MAPIFreeBuffer(result);
      return sc;
    }
  }
  *count = asked->cValues;
  *out = result;
  return status;
}

HRESULT GetIDsFromNames(NameMap* names, ULONG count, LPMAPINAMEID* in, ULONG flags, LPSPropTagArray* tags) {
  if (!tags || (count && !in)) return MAPI_E_INVALID_PARAMETER;
  *tags = nullptr;
  if (count == 0) return MAPI_E_NO_SUPPORT;
  LPSPropTagArray out = AllocTagArray(count);
  if (!out) return MAPI_E_NOT_ENOUGH_MEMORY;
  HRESULT status = S_OK;
  for (ULONG i = 0; i < count; ++i) {
    ULONG id = 0;
    if (names && in[i] && in[i]->lpguid) {
      PropName n;
      n.guid = *in[i]->lpguid;
      n.kind = in[i]->ulKind;
      if (n.kind == MNID_ID) n.id = in[i]->Kind.lID;
      else n.name = std::u16string(win32::WideView(in[i]->Kind.lpwstrName));
      id = names->IdOf(n, (flags & MAPI_CREATE) != 0);
    }
    out->aulPropTag[i] = id ? PROP_TAG(PT_UNSPECIFIED, id) : PROP_TAG(PT_ERROR, PROP_ID_NULL);
    if (!id) status = MAPI_W_ERRORS_RETURNED;
  }
  *tags = out;
  return status;
}

}  // namespace prop_calls
}  // namespace mapi
