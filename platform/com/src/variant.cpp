#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "com/dispatch.h"
#include "com/variant.h"
#include "variant_date.h"
#include "win32/text.h"

void VariantInit(VARIANTARG* v) {
  if (!v) return;
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->llVal = 0;
}

HRESULT VariantClear(VARIANTARG* v) {
  if (!v) return E_INVALIDARG;
  if (!(v->vt & VT_BYREF)) {
    switch (v->vt) {
      case VT_BSTR: SysFreeString(v->bstrVal); break;
      case VT_DISPATCH:
      case VT_UNKNOWN:
        if (v->punkVal) v->punkVal->Release();
        break;
      default: break;
    }
  }
  VariantInit(v);
  return S_OK;
}

namespace {

// Copies src into dest, which holds nothing.
HRESULT CopyInto(VARIANT* dest, const VARIANT* src) {
  *dest = *src;
  if (src->vt == VT_BSTR && src->bstrVal) {
    dest->bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
    if (!dest->bstrVal) {
      VariantInit(dest);
      return E_OUTOFMEMORY;
    }
  } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
    src->punkVal->AddRef();
  }
  return S_OK;
}

// The value a VT_BYREF variant points at, as a plain variant that shares
// (does not own) any BSTR or interface.
HRESULT Deref(const VARIANT* src, VARIANT* out) {
  VariantInit(out);
  if (!(src->vt & VT_BYREF)) {
    *out = *src;
    return S_OK;
  }
  if (!src->byref) return E_INVALIDARG;
  const VARTYPE base = src->vt & ~VT_BYREF;
  out->vt = base;
  switch (base) {
    case VT_I2: out->iVal = *src->piVal; break;
    case VT_I4: out->lVal = *src->plVal; break;
    case VT_R8: out->dblVal = *src->pdblVal; break;
    case VT_BOOL: out->boolVal = *src->pboolVal; break;
    case VT_ERROR: out->scode = *src->pscode; break;
    case VT_DATE: out->date = *src->pdate; break;
    case VT_BSTR: out->bstrVal = *src->pbstrVal; break;
    case VT_UNKNOWN: out->punkVal = *src->ppunkVal; break;
    case VT_DISPATCH: out->pdispVal = *src->ppdispVal; break;
    case VT_VARIANT:
      if (src->pvarVal->vt & VT_BYREF) return DISP_E_BADVARTYPE;
      *out = *src->pvarVal;
      break;
    default: return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

struct IntegerRange {
  VARTYPE vt;
  double min, max;
};
constexpr IntegerRange kIntegers[] = {
    {VT_I2, -32768.0, 32767.0},
    {VT_I4, -2147483648.0, 2147483647.0},
    {VT_INT, -2147483648.0, 2147483647.0},
    {VT_UI1, 0.0, 255.0},
    {VT_UI2, 0.0, 65535.0},
    {VT_UI4, 0.0, 4294967295.0},
    {VT_UINT, 0.0, 4294967295.0},
    {VT_I1, -128.0, 127.0},
};

// Dates run from 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

bool NumberOf(const VARIANT& v, double* out) {
  switch (v.vt) {
    case VT_EMPTY: *out = 0; return true;
    case VT_I2: *out = v.iVal; return true;
    case VT_I4: *out = v.lVal; return true;
    case VT_INT: *out = v.intVal; return true;
    case VT_R4: *out = v.fltVal; return true;
    case VT_R8: *out = v.dblVal; return true;
    case VT_DATE: *out = v.date; return true;
    case VT_BOOL: *out = v.boolVal ? -1 : 0; return true;
    case VT_UI1: *out = v.bVal; return true;
    case VT_I1: *out = v.cVal; return true;
    case VT_UI2: *out = v.uiVal; return true;
    case VT_UI4: *out = v.ulVal; return true;
    case VT_UINT: *out = v.uintVal; return true;
    case VT_I8: *out = static_cast<double>(v.llVal); return true;
    default: return false;
  }
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= u'a' && a[i] <= u'z' ? a[i] - 32 : a[i];
    char16_t y = b[i] >= u'a' && b[i] <= u'z' ? b[i] - 32 : b[i];
    if (x != y) return false;
  }
  return true;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
  return s;
}

HRESULT ParseNumber(std::u16string_view text, VARTYPE target, double* out) {
  text = Trim(text);
  if (target == VT_BOOL) {
    if (SameText(text, u"True")) return *out = -1, S_OK;
    if (SameText(text, u"False")) return *out = 0, S_OK;
  }
  std::string narrow;
  for (char16_t c : text) {
    if (c == u',') continue;  // thousands separator of the English locale
    if (c > 0x7F) return DISP_E_TYPEMISMATCH;
    narrow += static_cast<char>(c);
  }
  if (narrow.empty()) return DISP_E_TYPEMISMATCH;
  char* end = nullptr;
  const double d = std::strtod(narrow.c_str(), &end);
  if (end != narrow.c_str() + narrow.size() || std::isnan(d) || std::isinf(d)) return DISP_E_TYPEMISMATCH;
  *out = d;
  return S_OK;
}

std::u16string NumberText(const VARIANT& v, USHORT flags) {
  char buf[64];
  switch (v.vt) {
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL) return v.boolVal ? u"True" : u"False";
      return v.boolVal ? u"-1" : u"0";
    case VT_R4:
    case VT_R8: {
      double d = v.vt == VT_R4 ? v.fltVal : v.dblVal;
      std::snprintf(buf, sizeof buf, v.vt == VT_R4 ? "%.7G" : "%.15G", d);
      break;
    }
    case VT_I8: std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v.llVal)); break;
    default: {
      double d = 0;
      NumberOf(v, &d);
      std::snprintf(buf, sizeof buf, "%.0f", d);
    }
  }
  return win32::Utf8ToUtf16(buf);
}

HRESULT StoreNumber(double d, VARTYPE vt, VARIANT* out) {
  VariantInit(out);
  out->vt = vt;
  for (const IntegerRange& r : kIntegers) {
    if (r.vt != vt) continue;
    const double n = std::nearbyint(d);  // ties go to even, as Windows rounds
    if (n < r.min || n > r.max) return DISP_E_OVERFLOW;
    switch (vt) {
      case VT_I2: out->iVal = static_cast<SHORT>(n); break;
      case VT_I4: out->lVal = static_cast<LONG>(n); break;
      case VT_INT: out->intVal = static_cast<INT>(n); break;
      case VT_UI1: out->bVal = static_cast<BYTE>(n); break;
      case VT_UI2: out->uiVal = static_cast<USHORT>(n); break;
      case VT_UI4: out->ulVal = static_cast<ULONG>(n); break;
      case VT_UINT: out->uintVal = static_cast<UINT>(n); break;
      case VT_I1: out->cVal = static_cast<CHAR>(n); break;
    }
    return S_OK;
  }
  switch (vt) {
    case VT_R8: out->dblVal = d; return S_OK;
    case VT_R4:
      if (std::fabs(d) > 3.402823466e38) return DISP_E_OVERFLOW;
      out->fltVal = static_cast<FLOAT>(d);
      return S_OK;
    case VT_BOOL: out->boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case VT_DATE:
      if (d < kMinDate || d >= kMaxDate) return DISP_E_OVERFLOW;
      out->date = d;
      return S_OK;
    case VT_I8:
      if (std::fabs(d) >= 9.2233720368547758e18) return DISP_E_OVERFLOW;
      out->llVal = static_cast<LONGLONG>(std::nearbyint(d));
      return S_OK;
    default: return DISP_E_BADVARTYPE;
  }
}

bool IsNumericType(VARTYPE vt) {
  for (const IntegerRange& r : kIntegers)
    if (r.vt == vt) return true;
  return vt == VT_R4 || vt == VT_R8 || vt == VT_BOOL || vt == VT_DATE || vt == VT_I8;
}

HRESULT MakeText(std::u16string_view text, VARIANT* out) {
  VariantInit(out);
  out->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!out->bstrVal) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  return S_OK;
}

HRESULT ToText(const VARIANT& src, LCID lcid, USHORT flags, VARIANT* out) {
  if (src.vt == VT_EMPTY) return MakeText(u"", out);
  if (src.vt == VT_DATE) {
    std::u16string text;
    HRESULT hr = com::TextFromDate(src.date, lcid, &text);
    return FAILED(hr) ? hr : MakeText(text, out);
  }
  double ignored;
  if (!NumberOf(src, &ignored)) return DISP_E_TYPEMISMATCH;
  return MakeText(NumberText(src, flags), out);
}

HRESULT ToInterface(const VARIANT& src, VARTYPE vt, VARIANT* out) {
  if (src.vt != VT_DISPATCH && src.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  VariantInit(out);
  out->vt = vt;
  if (!src.punkVal) return S_OK;
  HRESULT hr = src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                           reinterpret_cast<void**>(&out->punkVal));
  if (FAILED(hr)) {
    VariantInit(out);
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

// Converts the plain value src into a fresh variant of type vt.
HRESULT Convert(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt, VARIANT* out) {
  if (src.vt == vt) return CopyInto(out, &src);
  if (vt == VT_EMPTY) return VariantInit(out), S_OK;
  if (src.vt == VT_NULL || vt == VT_NULL || vt == VT_ERROR || src.vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  if (vt == VT_BSTR) return ToText(src, lcid, flags, out);
  if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return ToInterface(src, vt, out);
  if (!IsNumericType(vt)) return DISP_E_BADVARTYPE;
  double d = 0;
  if (src.vt == VT_BSTR) {
    const std::u16string_view text(src.bstrVal ? src.bstrVal : u"", SysStringLen(src.bstrVal));
    if (vt == VT_DATE) {
      HRESULT hr = com::DateFromText(text, lcid, &d);
      return FAILED(hr) ? hr : StoreNumber(d, VT_DATE, out);
    }
    HRESULT hr = ParseNumber(text, vt, &d);
    if (FAILED(hr)) return hr;
  } else if (!NumberOf(src, &d)) {
    return DISP_E_TYPEMISMATCH;
  }
  return StoreNumber(d, vt, out);
}

}  // namespace

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  VARIANT copy;
  HRESULT hr = CopyInto(&copy, src);
  if (FAILED(hr)) return hr;
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src) {
  if (!dest || !src) return E_INVALIDARG;
  VARIANT plain, copy;
  HRESULT hr = Deref(src, &plain);
  if (SUCCEEDED(hr)) hr = CopyInto(&copy, &plain);
  if (FAILED(hr)) return hr;
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID lcid, USHORT flags, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  VARIANT plain, result;
  HRESULT hr = Deref(src, &plain);
  if (SUCCEEDED(hr)) hr = Convert(plain, lcid, flags, vt, &result);
  if (FAILED(hr)) return hr;
  VariantClear(dest);  // src may be dest: its value was copied first
  *dest = result;
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt) {
  return VariantChangeTypeEx(dest, src, 0x0400 /* LOCALE_USER_DEFAULT */, flags, vt);
}
