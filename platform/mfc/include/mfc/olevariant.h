// COleVariant: a VARIANT that owns its value.
#pragma once

#include <string>
#include <string_view>

#include "com/variant.h"
#include "mfc/oledatetime.h"

class COleVariant : public VARIANT {
 public:
  COleVariant() { VariantInit(this); }
  COleVariant(const VARIANT& varSrc);
  COleVariant(const COleVariant& varSrc) : COleVariant(static_cast<const VARIANT&>(varSrc)) {}
  COleVariant(COleVariant&& varSrc) noexcept;
  // VT_BSTR (the framework's VT_BSTRT, 8-bit text, is not offered).
  COleVariant(LPCWSTR lpszSrc);
  COleVariant(LPCWSTR lpszSrc, VARTYPE vtSrc);
  COleVariant(std::u16string_view strSrc);
  COleVariant(BYTE nSrc);
  // VT_I2 or VT_BOOL.
  COleVariant(short nSrc, VARTYPE vtSrc = VT_I2);
  // VT_I4, VT_ERROR or VT_BOOL.
  COleVariant(LONG lSrc, VARTYPE vtSrc = VT_I4);
  COleVariant(long lSrc, VARTYPE vtSrc = VT_I4) : COleVariant(static_cast<LONG>(lSrc), vtSrc) {}
  COleVariant(float fltSrc);
  // VT_R8 or VT_DATE.
  COleVariant(double dblSrc, VARTYPE vtSrc = VT_R8);
  COleVariant(const COleDateTime& dateSrc);
  ~COleVariant() { VariantClear(this); }

  COleVariant& operator=(const VARIANT& varSrc);
  COleVariant& operator=(const COleVariant& varSrc) { return *this = static_cast<const VARIANT&>(varSrc); }
  COleVariant& operator=(COleVariant&& varSrc) noexcept;
  COleVariant& operator=(LPCWSTR lpszSrc) { return *this = COleVariant(lpszSrc); }
  COleVariant& operator=(LONG lSrc) { return *this = COleVariant(lSrc); }
  COleVariant& operator=(double dblSrc) { return *this = COleVariant(dblSrc); }
  COleVariant& operator=(const COleDateTime& dateSrc) { return *this = COleVariant(dateSrc); }

  // Same type and value (texts compared in full, interfaces by pointer).
  bool operator==(const VARIANT& varSrc) const;

  void Clear() { VariantClear(this); }
  // Converts in place, or from pSrc; throws COleException when the value
  // does not convert.
  void ChangeType(VARTYPE vartype, LPVARIANT pSrc = nullptr);
  // Takes over the value of varSrc, which is left VT_EMPTY.
  void Attach(VARIANT& varSrc);
  // Hands the value over; this is left VT_EMPTY.
  VARIANT Detach();
  void SetString(LPCWSTR lpszSrc, VARTYPE vtSrc);

  operator LPVARIANT() { return this; }
  operator const VARIANT*() const { return this; }
};
