#include "mfc/oledispatch.h"

#include <cstring>
#include <vector>

#include "com/com.h"

namespace {

// Uninitialises COM when the thread that AfxOleInit ran on ends.
struct ThreadOle {
  bool initialized = false;
  ~ThreadOle() {
    if (initialized) CoUninitialize();
  }
};
thread_local ThreadOle t_ole;

constexpr BYTE kByRef = 0x40;  // a VTS_P* code: the argument is a pointer

// The arguments of one call, last first as DISPPARAMS wants them, and the
// BSTRs made for them.
class Arguments {
 public:
  Arguments(const BYTE* info, va_list args) {
    const size_t n = info ? std::strlen(reinterpret_cast<const char*>(info)) : 0;
    values_.resize(n);
    va_list ap;
    va_copy(ap, args);
    try {
      for (size_t i = 0; i < n; ++i) Read(info[i], &ap, &values_[n - 1 - i]);
    } catch (...) {
      va_end(ap);
      Free();
      throw;
    }
    va_end(ap);
  }
  ~Arguments() { Free(); }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  VARIANT* data() { return values_.data(); }
  UINT size() const { return static_cast<UINT>(values_.size()); }

 private:
  void Free() {
    for (BSTR b : owned_) SysFreeString(b);
    owned_.clear();
  }

  void Read(BYTE code, va_list* ap, VARIANT* v) {
    VariantInit(v);
    if (code & kByRef) {
      v->vt = static_cast<VARTYPE>((code & ~kByRef) | VT_BYREF);
      v->byref = va_arg(*ap, void*);
      return;
    }
    v->vt = code;
    switch (code) {
      case VT_I2: v->iVal = static_cast<SHORT>(va_arg(*ap, int)); break;
      case VT_I4: v->lVal = static_cast<LONG>(va_arg(*ap, int)); break;
      case VT_UI1: v->bVal = static_cast<BYTE>(va_arg(*ap, int)); break;
      case VT_BOOL: v->boolVal = va_arg(*ap, int) ? VARIANT_TRUE : VARIANT_FALSE; break;
      case VT_ERROR: v->scode = static_cast<SCODE>(va_arg(*ap, int)); break;
      case VT_R4: v->fltVal = static_cast<FLOAT>(va_arg(*ap, double)); break;
      case VT_R8: v->dblVal = va_arg(*ap, double); break;
      case VT_DATE: v->date = va_arg(*ap, double); break;
      case VT_BSTR: {
        const WCHAR* s = va_arg(*ap, const WCHAR*);
        v->bstrVal = SysAllocString(s ? s : u"");
        if (!v->bstrVal) AfxThrowOleException(E_OUTOFMEMORY);
        owned_.push_back(v->bstrVal);
        break;
      }
      case VT_DISPATCH: v->pdispVal = va_arg(*ap, IDispatch*); break;
      case VT_UNKNOWN: v->punkVal = va_arg(*ap, IUnknown*); break;
      case VT_VARIANT: {
        // Passed through as it is; the caller keeps ownership.
        const VARIANT* src = va_arg(*ap, const VARIANT*);
        if (src) *v = *src;
        break;
      }
      default: AfxThrowOleException(DISP_E_BADVARTYPE);
    }
  }

  std::vector<VARIANT> values_;
  std::vector<BSTR> owned_;
};

[[noreturn]] void ThrowDispatchException(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  auto text = [](BSTR b) { return std::u16string(b ? b : u"", SysStringLen(b)); };
  COleDispatchException e(text(info.bstrDescription), info.dwHelpContext, info.wCode);
  e.m_strSource = text(info.bstrSource);
  e.m_strHelpFile = text(info.bstrHelpFile);
  e.m_scError = info.wCode ? 0 : info.scode;
  ClearExcepInfo(&info);
  throw e;
}

// Moves an already converted result into the caller's slot.
void StoreResult(VARTYPE vtRet, VARIANT& r, void* pvRet) {
  switch (vtRet) {
    case VT_I2: *static_cast<SHORT*>(pvRet) = r.iVal; break;
    case VT_I4: *static_cast<LONG*>(pvRet) = r.lVal; break;
    case VT_UI1: *static_cast<BYTE*>(pvRet) = r.bVal; break;
    case VT_BOOL: *static_cast<BOOL*>(pvRet) = r.boolVal != 0; break;
    case VT_ERROR: *static_cast<SCODE*>(pvRet) = r.scode; break;
    case VT_R4: *static_cast<FLOAT*>(pvRet) = r.fltVal; break;
    case VT_R8: *static_cast<double*>(pvRet) = r.dblVal; break;
    case VT_DATE: *static_cast<DATE*>(pvRet) = r.date; break;
    case VT_BSTR:
      static_cast<std::u16string*>(pvRet)->assign(r.bstrVal ? r.bstrVal : u"", SysStringLen(r.bstrVal));
      VariantClear(&r);
      return;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      *static_cast<IUnknown**>(pvRet) = r.punkVal;  // the reference goes to the caller
      VariantInit(&r);
      return;
    case VT_VARIANT:
      *static_cast<VARIANT*>(pvRet) = r;
      VariantInit(&r);
      return;
    default: VariantClear(&r); AfxThrowOleException(DISP_E_BADVARTYPE);
  }
}

}  // namespace

BOOL AfxOleInit() {
  if (t_ole.initialized) return TRUE;
  if (FAILED(CoInitialize(nullptr))) return FALSE;
  t_ole.initialized = true;
  return TRUE;
}

COleDispatchDriver::COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease)
    : m_lpDispatch(lpDispatch), m_bAutoRelease(bAutoRelease) {}

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other)
    : m_lpDispatch(other.m_lpDispatch), m_bAutoRelease(TRUE) {
  if (m_lpDispatch) m_lpDispatch->AddRef();
}

COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other) {
  if (this != &other) {
    if (other.m_lpDispatch) other.m_lpDispatch->AddRef();
    AttachDispatch(other.m_lpDispatch, TRUE);
  }
  return *this;
}

BOOL COleDispatchDriver::CreateDispatch(REFCLSID clsid, COleException* pError) {
  IDispatch* created = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&created));
  if (FAILED(hr)) {
    if (pError) pError->m_sc = hr;
    return FALSE;
  }
  AttachDispatch(created, TRUE);
  return TRUE;
}

BOOL COleDispatchDriver::CreateDispatch(LPCWSTR lpszProgID, COleException* pError) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(lpszProgID, &clsid);
  if (FAILED(hr)) {
    if (pError) pError->m_sc = hr;
    return FALSE;
  }
  return CreateDispatch(clsid, pError);
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease) {
  ReleaseDispatch();
  m_lpDispatch = lpDispatch;
  m_bAutoRelease = bAutoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch() {
  LPDISPATCH d = m_lpDispatch;
  m_lpDispatch = nullptr;
  return d;
}

void COleDispatchDriver::ReleaseDispatch() {
  if (m_lpDispatch && m_bAutoRelease) m_lpDispatch->Release();
  m_lpDispatch = nullptr;
}

void COleDispatchDriver::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                      const BYTE* pbParamInfo, ...) {
  va_list args;
  va_start(args, pbParamInfo);
  try {
    InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
}

void COleDispatchDriver::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                       const BYTE* pbParamInfo, va_list argList) {
  // Calling with nothing held would otherwise return as if it had worked.
  if (!m_lpDispatch) AfxThrowOleException(E_POINTER);
  Arguments args(pbParamInfo, argList);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{args.data(), nullptr, args.size(), 0};
  if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  com::Variant result;
  EXCEPINFO excep{};
  UINT argErr = 0;
  HRESULT hr = m_lpDispatch->Invoke(dwDispID, IID_NULL, 0, wFlags, &params, vtRet == VT_EMPTY ? nullptr : &result,
                                    &excep, &argErr);
  if (hr == DISP_E_EXCEPTION) ThrowDispatchException(excep);
  ClearExcepInfo(&excep);
  if (FAILED(hr)) AfxThrowOleException(hr);
  if (vtRet == VT_EMPTY) return;
  const bool interfaceWanted = vtRet == VT_DISPATCH || vtRet == VT_UNKNOWN;
  if (interfaceWanted && result.vt == VT_EMPTY) {
    result.vt = vtRet;  // no object: a null pointer
    result.punkVal = nullptr;
  }
  if (vtRet != VT_VARIANT && result.vt != vtRet) {
    hr = VariantChangeType(&result, &result, 0, vtRet);
    if (FAILED(hr)) AfxThrowOleException(hr);
  }
  StoreResult(vtRet, result, pvRet);
}

void COleDispatchDriver::GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) const {
  const_cast<COleDispatchDriver*>(this)->InvokeHelper(dwDispID, DISPATCH_PROPERTYGET, vtProp, pvProp, nullptr);
}

void COleDispatchDriver::SetProperty(DISPID dwDispID, VARTYPE vtProp, ...) {
  const BYTE info[2] = {static_cast<BYTE>(vtProp), 0};
  const WORD flags = vtProp == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  va_list args;
  va_start(args, vtProp);
  try {
    InvokeHelperV(dwDispID, flags, VT_EMPTY, nullptr, info, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
}
