#include "mfc/olevariant.h"

#include <cstring>

#include "mfc/oleexception.h"

namespace {
void Check(HRESULT hr) {
  if (FAILED(hr)) AfxThrowOleException(hr);
}
}  // namespace

COleVariant::COleVariant(const VARIANT& varSrc) {
  VariantInit(this);
  Check(VariantCopy(this, &varSrc));
}

COleVariant::COleVariant(COleVariant&& varSrc) noexcept : VARIANT(varSrc) { VariantInit(&varSrc); }

COleVariant::COleVariant(LPCWSTR lpszSrc) : COleVariant(lpszSrc, VT_BSTR) {}

COleVariant::COleVariant(LPCWSTR lpszSrc, VARTYPE vtSrc) {
  VariantInit(this);
  SetString(lpszSrc, vtSrc);
}

COleVariant::COleVariant(std::u16string_view strSrc) {
  VariantInit(this);
  bstrVal = SysAllocStringLen(strSrc.data(), static_cast<UINT>(strSrc.size()));
  if (!bstrVal) AfxThrowOleException(E_OUTOFMEMORY);
  vt = VT_BSTR;
}

COleVariant::COleVariant(BYTE nSrc) {
  VariantInit(this);
  vt = VT_UI1;
  bVal = nSrc;
}

COleVariant::COleVariant(short nSrc, VARTYPE vtSrc) {
  VariantInit(this);
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = nSrc ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    vt = VT_I2;
    iVal = nSrc;
  }
}

COleVariant::COleVariant(LONG lSrc, VARTYPE vtSrc) {
  VariantInit(this);
  switch (vtSrc) {
    case VT_BOOL:
      vt = VT_BOOL;
      boolVal = lSrc ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VT_ERROR:
      vt = VT_ERROR;
      scode = lSrc;
      break;
    default:
      vt = VT_I4;
      lVal = lSrc;
  }
}

COleVariant::COleVariant(float fltSrc) {
  VariantInit(this);
  vt = VT_R4;
  fltVal = fltSrc;
}

COleVariant::COleVariant(double dblSrc, VARTYPE vtSrc) {
  VariantInit(this);
  vt = vtSrc == VT_DATE ? VT_DATE : VT_R8;
  dblVal = dblSrc;
}

COleVariant::COleVariant(const COleDateTime& dateSrc) {
  VariantInit(this);
  vt = VT_DATE;
  date = dateSrc.m_dt;
}

COleVariant& COleVariant::operator=(const VARIANT& varSrc) {
  if (&varSrc != this) Check(VariantCopy(this, &varSrc));
  return *this;
}

COleVariant& COleVariant::operator=(COleVariant&& varSrc) noexcept {
  if (&varSrc != this) {
    VariantClear(this);
    static_cast<VARIANT&>(*this) = varSrc;
    VariantInit(&varSrc);
  }
  return *this;
}

bool COleVariant::operator==(const VARIANT& o) const {
  if (vt != o.vt) return false;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_I2: return iVal == o.iVal;
    case VT_I4: return lVal == o.lVal;
    case VT_R4: return fltVal == o.fltVal;
    case VT_R8: return dblVal == o.dblVal;
    case VT_DATE: return date == o.date;
    case VT_BOOL: return boolVal == o.boolVal;
    case VT_ERROR: return scode == o.scode;
    case VT_UI1: return bVal == o.bVal;
    case VT_BSTR:
      return SysStringByteLen(bstrVal) == SysStringByteLen(o.bstrVal) &&
             (SysStringByteLen(bstrVal) == 0 || std::memcmp(bstrVal, o.bstrVal, SysStringByteLen(bstrVal)) == 0);
    case VT_DISPATCH:
    case VT_UNKNOWN: return punkVal == o.punkVal;
    default: return llVal == o.llVal;
  }
}

void COleVariant::ChangeType(VARTYPE vartype, LPVARIANT pSrc) {
  if (!pSrc) pSrc = this;
  if (pSrc == this && vt == vartype) return;
  Check(VariantChangeType(this, pSrc, 0, vartype));
}

void COleVariant::Attach(VARIANT& varSrc) {
  VariantClear(this);
  static_cast<VARIANT&>(*this) = varSrc;
  VariantInit(&varSrc);
}

VARIANT COleVariant::Detach() {
  VARIANT v = *this;
  VariantInit(this);
  return v;
}

void COleVariant::SetString(LPCWSTR lpszSrc, VARTYPE vtSrc) {
  if (vtSrc != VT_BSTR) AfxThrowOleException(DISP_E_BADVARTYPE);
  BSTR b = SysAllocString(lpszSrc ? lpszSrc : u"");
  if (!b) AfxThrowOleException(E_OUTOFMEMORY);
  VariantClear(this);
  vt = VT_BSTR;
  bstrVal = b;
}
