// BSTR and VARIANT with the types automation and CDO pass around.
#pragma once

#include <string>
#include <string_view>

#include "com/unknown.h"
#include "win32/guid.h"
#include "win32/oledate.h"  // DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW, VarDateFromStr

// A BSTR points at its first character; the byte length sits in the four
// bytes before it and a NUL follows the last character.
using BSTR = OLECHAR*;

BSTR SysAllocString(const OLECHAR* psz);
BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);  // pch may be null: zeroed characters
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT cch);
void SysFreeString(BSTR bstr);
UINT SysStringLen(BSTR bstr);
UINT SysStringByteLen(BSTR bstr);

using VARTYPE = USHORT;
enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0xFFF,
};

using VARIANT_BOOL = SHORT;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// VariantChangeType flags.
constexpr USHORT VARIANT_NOVALUEPROP = 0x1;
constexpr USHORT VARIANT_ALPHABOOL = 0x2;  // VT_BOOL as "True"/"False" rather than "-1"/"0"

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x8002000Fu);

struct IDispatch;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    CHAR cVal;
    USHORT uiVal;
    ULONG ulVal;
    ULONGLONG ullVal;
    INT intVal;
    UINT uintVal;
    SHORT* piVal;
    LONG* plVal;
    DOUBLE* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    DATE* pdate;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    VARIANT* pvarVal;
    PVOID byref;
  };
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;

#define V_VT(X) ((X)->vt)
#define V_I2(X) ((X)->iVal)
#define V_I4(X) ((X)->lVal)
#define V_R8(X) ((X)->dblVal)
#define V_BOOL(X) ((X)->boolVal)
#define V_BSTR(X) ((X)->bstrVal)
#define V_DATE(X) ((X)->date)
#define V_ERROR(X) ((X)->scode)
#define V_DISPATCH(X) ((X)->pdispVal)
#define V_UNKNOWN(X) ((X)->punkVal)

void VariantInit(VARIANTARG* pvarg);
// Frees what the variant owns (a BSTR, a reference) and leaves VT_EMPTY.
HRESULT VariantClear(VARIANTARG* pvarg);
// Deep copy: a new BSTR, a new reference.
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src);
// Deep copy of what a VT_BYREF variant points at.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src);
// Converts among VT_EMPTY, VT_I2, VT_I4, VT_R8, VT_BOOL, VT_BSTR, VT_DATE,
// VT_DISPATCH and VT_UNKNOWN; dest may be src. On failure dest is unchanged.
HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID lcid, USHORT flags, VARTYPE vt);

namespace com {

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view s);
  ~Bstr() { SysFreeString(b_); }
  Bstr(Bstr&& o) noexcept : b_(o.Detach()) {}
  Bstr& operator=(Bstr&& o) noexcept;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  static Bstr Attach(BSTR b) {
    Bstr r;
    r.b_ = b;
    return r;
  }
  BSTR Detach() noexcept {
    BSTR b = b_;
    b_ = nullptr;
    return b;
  }
  BSTR Get() const { return b_; }
  BSTR* ReleaseAndGetAddressOf();
  std::u16string_view View() const { return {b_ ? b_ : u"", SysStringLen(b_)}; }

 private:
  BSTR b_ = nullptr;
};

// A VARIANT that clears itself.
struct Variant : VARIANT {
  Variant() { VariantInit(this); }
  ~Variant() { VariantClear(this); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// The value automation passes for an optional argument left out.
inline VARIANT MissingArgument() {
  VARIANT v{};
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

}  // namespace com
