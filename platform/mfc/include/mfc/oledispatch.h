// COleDispatchDriver: calls an automation object by DISPID, turning failures
// into COleException and server exceptions into COleDispatchException.
#pragma once

#include <cstdarg>

#include "com/dispatch.h"
#include "mfc/oleexception.h"

// Parameter-type lists for InvokeHelper: one byte per argument, in order.
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R4 "\x04"
#define VTS_R8 "\x05"
#define VTS_DATE "\x07"
#define VTS_BSTR "\x08"
#define VTS_DISPATCH "\x09"
#define VTS_SCODE "\x0A"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_UNKNOWN "\x0D"
#define VTS_UI1 "\x11"
#define VTS_PI2 "\x42"
#define VTS_PI4 "\x43"
#define VTS_PR8 "\x45"
#define VTS_PBSTR "\x48"
#define VTS_PDISPATCH "\x49"
#define VTS_PBOOL "\x4B"
#define VTS_PVARIANT "\x4C"

// Initialises COM for the calling thread once; it is uninitialised when the
// thread ends. FALSE when COM cannot be initialised.
BOOL AfxOleInit();

class COleDispatchDriver {
 public:
  COleDispatchDriver() = default;
  explicit COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);
  COleDispatchDriver(const COleDispatchDriver& other);
  COleDispatchDriver& operator=(const COleDispatchDriver& other);
  ~COleDispatchDriver() { ReleaseDispatch(); }

  // Creates the object by ProgID or class id. FALSE on failure, with the
  // code in *pError when given; nothing is thrown.
  BOOL CreateDispatch(LPCWSTR lpszProgID, COleException* pError = nullptr);
  BOOL CreateDispatch(REFCLSID clsid, COleException* pError = nullptr);
  // Holds lpDispatch (taking over the caller's reference); what was held
  // before is released.
  void AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);
  // Hands the reference to the caller.
  LPDISPATCH DetachDispatch();
  void ReleaseDispatch();

  // Calls member dwDispID. pbParamInfo lists the argument types (VTS_*),
  // followed by the arguments in order, as these C types:
  //   VTS_I2 short, VTS_I4 LONG (a long is read as its low 32 bits),
  //   VTS_BOOL BOOL, VTS_R8 / VTS_DATE double, VTS_BSTR const WCHAR*,
  //   VTS_DISPATCH IDispatch*, VTS_UNKNOWN IUnknown*, VTS_VARIANT const VARIANT*,
  //   VTS_P* a pointer to the value.
  // vtRet names the result and pvRet where it goes:
  //   VT_EMPTY nothing, VT_I2 short*, VT_I4 LONG*, VT_BOOL BOOL*, VT_R8 double*,
  //   VT_DATE DATE*, VT_BSTR std::u16string*, VT_DISPATCH IDispatch** (a
  //   reference the caller owns, null when the server gave none),
  //   VT_UNKNOWN IUnknown**, VT_VARIANT VARIANT* (overwritten: pass an empty one).
  // A server exception throws COleDispatchException with the server's text;
  // any other failure, and calling with no object held, throws COleException.
  void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);
  void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                     va_list argList);
  // Property get and put: the value as for InvokeHelper's result and argument.
  void GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) const;
  void SetProperty(DISPID dwDispID, VARTYPE vtProp, ...);

  operator LPDISPATCH() const { return m_lpDispatch; }

  LPDISPATCH m_lpDispatch = nullptr;
  BOOL m_bAutoRelease = TRUE;
};
