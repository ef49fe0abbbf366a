// Copying property values into MAPI buffers, the builders, and answering a
// requested tag from a stored value.
#include "mapi/props.h"

#include <algorithm>
#include <cstring>

#include "win32/codepage.h"
#include "win32/text.h"

namespace mapi {
namespace {

template <class T>
SCODE More(size_t count, void* parent, T** out) {
  *out = nullptr;
  if (count == 0) return S_OK;
  return MAPIAllocateMore(static_cast<ULONG>(sizeof(T) * count), parent, reinterpret_cast<void**>(out));
}

template <class T>
SCODE CopyArray(const T* src, ULONG n, void* parent, T** dst) {
  if (SCODE sc = More(n, parent, dst); FAILED(sc)) return sc;
  if (n) std::memcpy(*dst, src, sizeof(T) * n);
  return S_OK;
}

SCODE CopyStringA(const char* s, void* parent, LPSTR* dst) {
  const size_t n = s ? std::strlen(s) + 1 : 1;
  if (SCODE sc = More(n, parent, dst); FAILED(sc)) return sc;
  if (s) std::memcpy(*dst, s, n); else **dst = 0;
  return S_OK;
}

SCODE CopyStringW(const WCHAR* s, void* parent, LPWSTR* dst) {
  const size_t n = win32::WideLength(s) + 1;
  if (SCODE sc = More(n, parent, dst); FAILED(sc)) return sc;
  if (s) std::memcpy(*dst, s, n * sizeof(WCHAR)); else **dst = 0;
  return S_OK;
}

SCODE CopyBinary(const SBinary& src, void* parent, SBinary* dst) {
  dst->cb = src.cb;
  return CopyArray(src.lpb, src.cb, parent, &dst->lpb);
}

SCODE CopyMultiValued(const SPropValue& src, void* parent, SPropValue* dst) {
  const _PV& s = src.Value;
  _PV& d = dst->Value;
  switch (PROP_TYPE(src.ulPropTag) & ~MVI_FLAG) {
    case PT_I2: d.MVi.cValues = s.MVi.cValues; return CopyArray(s.MVi.lpi, s.MVi.cValues, parent, &d.MVi.lpi);
    case PT_LONG: d.MVl.cValues = s.MVl.cValues; return CopyArray(s.MVl.lpl, s.MVl.cValues, parent, &d.MVl.lpl);
    case PT_R4:
      d.MVflt.cValues = s.MVflt.cValues;
      return CopyArray(s.MVflt.lpflt, s.MVflt.cValues, parent, &d.MVflt.lpflt);
    case PT_DOUBLE:
    case PT_APPTIME:
      d.MVdbl.cValues = s.MVdbl.cValues;
      return CopyArray(s.MVdbl.lpdbl, s.MVdbl.cValues, parent, &d.MVdbl.lpdbl);
    case PT_CURRENCY:
      d.MVcur.cValues = s.MVcur.cValues;
      return CopyArray(s.MVcur.lpcur, s.MVcur.cValues, parent, &d.MVcur.lpcur);
    case PT_SYSTIME:
      d.MVft.cValues = s.MVft.cValues;
      return CopyArray(s.MVft.lpft, s.MVft.cValues, parent, &d.MVft.lpft);
    case PT_CLSID:
      d.MVguid.cValues = s.MVguid.cValues;
      return CopyArray(s.MVguid.lpguid, s.MVguid.cValues, parent, &d.MVguid.lpguid);
    case PT_I8:
      d.MVli.cValues = s.MVli.cValues;
      return CopyArray(s.MVli.lpli, s.MVli.cValues, parent, &d.MVli.lpli);
    case PT_BINARY: {
      d.MVbin.cValues = s.MVbin.cValues;
      if (SCODE sc = More(s.MVbin.cValues, parent, &d.MVbin.lpbin); FAILED(sc)) return sc;
      for (ULONG i = 0; i < s.MVbin.cValues; ++i)
        if (SCODE sc = CopyBinary(s.MVbin.lpbin[i], parent, &d.MVbin.lpbin[i]); FAILED(sc)) return sc;
      return S_OK;
    }
    case PT_STRING8: {
      d.MVszA.cValues = s.MVszA.cValues;
      if (SCODE sc = More(s.MVszA.cValues, parent, &d.MVszA.lppszA); FAILED(sc)) return sc;
      for (ULONG i = 0; i < s.MVszA.cValues; ++i)
        if (SCODE sc = CopyStringA(s.MVszA.lppszA[i], parent, &d.MVszA.lppszA[i]); FAILED(sc)) return sc;
      return S_OK;
    }
    case PT_UNICODE: {
      d.MVszW.cValues = s.MVszW.cValues;
      if (SCODE sc = More(s.MVszW.cValues, parent, &d.MVszW.lppszW); FAILED(sc)) return sc;
      for (ULONG i = 0; i < s.MVszW.cValues; ++i)
        if (SCODE sc = CopyStringW(s.MVszW.lppszW[i], parent, &d.MVszW.lppszW[i]); FAILED(sc)) return sc;
      return S_OK;
    }
  }
  return MAPI_E_INVALID_TYPE;
}

Prop Alloc(ULONG tag) {
  void* p = nullptr;
  if (FAILED(MAPIAllocateBuffer(sizeof(SPropValue), &p))) throw std::bad_alloc();
  Prop v(static_cast<SPropValue*>(p));
  std::memset(p, 0, sizeof(SPropValue));
  v->ulPropTag = tag;
  return v;
}

void Check(SCODE sc) {
  if (FAILED(sc)) throw std::bad_alloc();
}

bool IsString(ULONG type) { return type == PT_UNICODE || type == PT_STRING8; }

// PT_STRING8 <-> PT_UNICODE of a single or multi-valued string value.
SCODE ConvertStrings(const SPropValue& src, ULONG wantType, UINT cp, void* parent, SPropValue* out) {
  const ULONG mv = wantType & MV_FLAG;
  out->ulPropTag = CHANGE_PROP_TYPE(src.ulPropTag, wantType);
  auto toW = [&](const char* s, LPWSTR* d) {
    const char* in = s ? s : "";
    const int n = MultiByteToWideChar(cp, 0, in, -1, nullptr, 0);
    std::u16string r(n > 0 ? n : 1, u'\0');
    MultiByteToWideChar(cp, 0, in, -1, r.data(), n);
    return CopyStringW(r.c_str(), parent, d);
  };
  auto toA = [&](const WCHAR* s, LPSTR* d) {
    const WCHAR* in = s ? s : u"";
    const int n = WideCharToMultiByte(cp, 0, in, -1, nullptr, 0, nullptr, nullptr);
    std::string r(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(cp, 0, in, -1, r.data(), n, nullptr, nullptr);
    return CopyStringA(r.c_str(), parent, d);
  };
  if (!mv) {
    if ((wantType & ~MV_FLAG) == PT_UNICODE) return toW(src.Value.lpszA, &out->Value.lpszW);
    return toA(src.Value.lpszW, &out->Value.lpszA);
  }
  if ((wantType & ~MV_FLAG) == PT_UNICODE) {
    const ULONG n = src.Value.MVszA.cValues;
    out->Value.MVszW.cValues = n;
    if (SCODE sc = More(n, parent, &out->Value.MVszW.lppszW); FAILED(sc)) return sc;
    for (ULONG i = 0; i < n; ++i)
      if (SCODE sc = toW(src.Value.MVszA.lppszA[i], &out->Value.MVszW.lppszW[i]); FAILED(sc)) return sc;
    return S_OK;
  }
  const ULONG n = src.Value.MVszW.cValues;
  out->Value.MVszA.cValues = n;
  if (SCODE sc = More(n, parent, &out->Value.MVszA.lppszA); FAILED(sc)) return sc;
  for (ULONG i = 0; i < n; ++i)
    if (SCODE sc = toA(src.Value.MVszW.lppszW[i], &out->Value.MVszA.lppszA[i]); FAILED(sc)) return sc;
  return S_OK;
}

void SetError(ULONG tag, SCODE err, SPropValue* out) {
  out->ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
  out->dwAlignPad = 0;
  out->Value.err = err;
}

}  // namespace

SCODE CopyProp(const SPropValue& src, void* parent, SPropValue* dst) {
  dst->ulPropTag = src.ulPropTag;
  dst->dwAlignPad = 0;
  dst->Value = src.Value;
  const ULONG type = PROP_TYPE(src.ulPropTag);
  if (type & MV_FLAG) return CopyMultiValued(src, parent, dst);
  switch (type) {
    case PT_STRING8: return CopyStringA(src.Value.lpszA, parent, &dst->Value.lpszA);
    case PT_UNICODE: return CopyStringW(src.Value.lpszW, parent, &dst->Value.lpszW);
    case PT_BINARY: return CopyBinary(src.Value.bin, parent, &dst->Value.bin);
    case PT_CLSID: return CopyArray(src.Value.lpguid, src.Value.lpguid ? 1 : 0, parent, &dst->Value.lpguid);
    default: return S_OK;  // fixed-size values live in the union itself
  }
}

Prop DupProp(const SPropValue& src) {
  Prop v = Alloc(src.ulPropTag);
  Check(CopyProp(src, v.get(), v.get()));
  return v;
}

size_t PropDataSize(const SPropValue& v) {
  switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8: return v.Value.lpszA ? std::strlen(v.Value.lpszA) + 1 : 0;
    case PT_UNICODE: return (win32::WideLength(v.Value.lpszW) + 1) * sizeof(WCHAR);
    case PT_BINARY: return v.Value.bin.cb;
    default: return 0;
  }
}

Buffer<SPropTagArray> NewTagArray(std::span<const ULONG> tags) {
  void* p = nullptr;
  if (MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(static_cast<ULONG>(tags.size()))), &p) != S_OK)
    return nullptr;
  auto* a = static_cast<SPropTagArray*>(p);
  a->cValues = static_cast<ULONG>(tags.size());
  std::copy(tags.begin(), tags.end(), a->aulPropTag);
  return Buffer<SPropTagArray>(a);
}

bool InTags(const SPropTagArray* tags, ULONG tag) {
  for (ULONG i = 0; tags && i < tags->cValues; ++i)
    if (PROP_ID(tags->aulPropTag[i]) == PROP_ID(tag)) return true;
  return false;
}

Prop MakeLong(ULONG tag, LONG x) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_LONG));
  v->Value.l = x;
  return v;
}
Prop MakeI8(ULONG tag, LONGLONG x) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_I8));
  v->Value.li.QuadPart = x;
  return v;
}
Prop MakeBool(ULONG tag, bool x) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_BOOLEAN));
  v->Value.b = x ? 1 : 0;
  return v;
}
Prop MakeDouble(ULONG tag, double x) {
  Prop v = Alloc(tag);  // PT_DOUBLE or PT_APPTIME
  v->Value.dbl = x;
  return v;
}
Prop MakeTime(ULONG tag, FILETIME x) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_SYSTIME));
  v->Value.ft = x;
  return v;
}
Prop MakeError(ULONG tag, SCODE err) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_ERROR));
  v->Value.err = err;
  return v;
}
Prop MakeUnicode(ULONG tag, std::u16string_view s) {
  const std::u16string copy(s);
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_UNICODE));
  Check(CopyStringW(copy.c_str(), v.get(), &v->Value.lpszW));
  return v;
}
Prop MakeString8(ULONG tag, std::string_view s) {
  const std::string copy(s);
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_STRING8));
  Check(CopyStringA(copy.c_str(), v.get(), &v->Value.lpszA));
  return v;
}
Prop MakeBinary(ULONG tag, std::string_view bytes) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_BINARY));
  SBinary b{static_cast<ULONG>(bytes.size()), reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data()))};
  Check(CopyBinary(b, v.get(), &v->Value.bin));
  return v;
}
Prop MakeBinary(ULONG tag, const std::vector<BYTE>& bytes) {
  return MakeBinary(tag, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
Prop MakeGuid(ULONG tag, const GUID& g) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_CLSID));
  Check(CopyArray(&g, 1, v.get(), &v->Value.lpguid));
  return v;
}
Prop MakeMvUnicode(ULONG tag, const std::vector<std::u16string>& xs) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_MV_UNICODE));
  v->Value.MVszW.cValues = static_cast<ULONG>(xs.size());
  Check(More(xs.size(), v.get(), &v->Value.MVszW.lppszW));
  for (size_t i = 0; i < xs.size(); ++i) Check(CopyStringW(xs[i].c_str(), v.get(), &v->Value.MVszW.lppszW[i]));
  return v;
}
Prop MakeMvString8(ULONG tag, const std::vector<std::string>& xs) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_MV_STRING8));
  v->Value.MVszA.cValues = static_cast<ULONG>(xs.size());
  Check(More(xs.size(), v.get(), &v->Value.MVszA.lppszA));
  for (size_t i = 0; i < xs.size(); ++i) Check(CopyStringA(xs[i].c_str(), v.get(), &v->Value.MVszA.lppszA[i]));
  return v;
}
Prop MakeMvLong(ULONG tag, const std::vector<LONG>& xs) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_MV_LONG));
  v->Value.MVl.cValues = static_cast<ULONG>(xs.size());
  Check(CopyArray(xs.data(), static_cast<ULONG>(xs.size()), v.get(), &v->Value.MVl.lpl));
  return v;
}
Prop MakeMvBinary(ULONG tag, const std::vector<std::string>& xs) {
  Prop v = Alloc(CHANGE_PROP_TYPE(tag, PT_MV_BINARY));
  v->Value.MVbin.cValues = static_cast<ULONG>(xs.size());
  Check(More(xs.size(), v.get(), &v->Value.MVbin.lpbin));
  for (size_t i = 0; i < xs.size(); ++i) {
    SBinary b{static_cast<ULONG>(xs[i].size()), reinterpret_cast<LPBYTE>(const_cast<char*>(xs[i].data()))};
    Check(CopyBinary(b, v.get(), &v->Value.MVbin.lpbin[i]));
  }
  return v;
}

ULONG ListedTag(ULONG storedTag, ULONG flags) {
  const ULONG type = PROP_TYPE(storedTag);
  const ULONG base = type & ~MV_FLAG;
  if (!IsString(base)) return storedTag;
  const ULONG want = (flags & MAPI_UNICODE) ? PT_UNICODE : PT_STRING8;
  return CHANGE_PROP_TYPE(storedTag, want | (type & MV_FLAG));
}

SCODE AnswerProp(const SPropValue* stored, ULONG tag, ULONG flags, UINT codepage, void* parent,
                 SPropValue* out) {
  ULONG want = PROP_TYPE(tag);
  if (stored && want == PT_UNSPECIFIED) want = PROP_TYPE(ListedTag(stored->ulPropTag, flags));
  if (!stored || PROP_TYPE(stored->ulPropTag) == PT_ERROR) {
    SetError(tag, stored ? stored->Value.err : MAPI_E_NOT_FOUND, out);
    return MAPI_W_ERRORS_RETURNED;
  }
  const ULONG have = PROP_TYPE(stored->ulPropTag);
  if (have == PT_OBJECT) {
    SetError(tag, MAPI_E_NO_SUPPORT, out);
    return MAPI_W_ERRORS_RETURNED;
  }
  if (have == want) {
    SCODE sc = CopyProp(*stored, parent, out);
    out->ulPropTag = CHANGE_PROP_TYPE(tag, want);
    return FAILED(sc) ? sc : S_OK;
  }
  if ((have & MV_FLAG) == (want & MV_FLAG) && IsString(have & ~MV_FLAG) && IsString(want & ~MV_FLAG)) {
    SCODE sc = ConvertStrings(*stored, want, codepage, parent, out);
    return FAILED(sc) ? sc : S_OK;
  }
  SetError(tag, MAPI_E_NOT_FOUND, out);
  return MAPI_W_ERRORS_RETURNED;
}

std::u16string PropText(const SPropValue& v, UINT codepage) {
  switch (PROP_TYPE(v.ulPropTag)) {
    case PT_UNICODE: return std::u16string(win32::WideView(v.Value.lpszW));
    case PT_STRING8: {
      SPropValue out{};
      Prop holder = Alloc(PROP_TAG(PT_NULL, PROP_ID_NULL));
      if (FAILED(ConvertStrings(v, PT_UNICODE, codepage, holder.get(), &out))) return {};
      return std::u16string(win32::WideView(out.Value.lpszW));
    }
    default: return {};
  }
}

std::string_view PropBytes(const SPropValue& v) {
  if (PROP_TYPE(v.ulPropTag) != PT_BINARY || !v.Value.bin.lpb) return {};
  return {reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb};
}

}  // namespace mapi
