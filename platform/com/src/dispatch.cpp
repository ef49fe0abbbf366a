#include "com/dispatch.h"

#include <new>

#include "win32/text.h"

void ClearExcepInfo(EXCEPINFO* info) {
  if (!info) return;
  SysFreeString(info->bstrSource);
  SysFreeString(info->bstrDescription);
  SysFreeString(info->bstrHelpFile);
  *info = EXCEPINFO{};
}

namespace com {

namespace {

const VARIANT& Missing() {
  static const VARIANT v = MissingArgument();
  return v;
}

bool IsMissingValue(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (up(a[i]) != up(b[i])) return false;
  return true;
}

void Fill(EXCEPINFO* excep, std::u16string_view description, std::u16string_view source, SCODE scode, WORD wCode) {
  if (!excep) return;
  *excep = EXCEPINFO{};
  excep->wCode = wCode;
  excep->scode = wCode ? 0 : scode;  // one or the other, as the contract says
  excep->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
  if (!source.empty()) excep->bstrSource = SysAllocStringLen(source.data(), static_cast<UINT>(source.size()));
}

}  // namespace

DispatchCall::DispatchCall(WORD kind, const DISPPARAMS& params, VARIANT* result)
    : kind_(kind),
      params_(params),
      result_(result),
      positional_(params.cArgs - params.cNamedArgs) {}

UINT DispatchCall::RgIndex(UINT i) const { return params_.cArgs - 1 - i; }

const VARIANT& DispatchCall::Arg(UINT i) const {
  return i < positional_ ? params_.rgvarg[RgIndex(i)] : Missing();
}

bool DispatchCall::IsMissing(UINT i) const { return IsMissingValue(Arg(i)); }

const VARIANT& DispatchCall::PutValue() const {
  return kind_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF) ? params_.rgvarg[0] : Missing();
}

VARIANT DispatchCall::Converted(const VARIANT& v, UINT rgIndex, VARTYPE vt) const {
  if (IsMissingValue(v)) throw DispatchArgError{DISP_E_PARAMNOTOPTIONAL, rgIndex};
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = VariantChangeType(&out, &v, 0, vt);
  if (FAILED(hr)) throw DispatchArgError{hr, rgIndex};
  return out;
}

LONG DispatchCall::Long(UINT i) const { return Converted(Arg(i), RgIndex(i), VT_I4).lVal; }
double DispatchCall::Double(UINT i) const { return Converted(Arg(i), RgIndex(i), VT_R8).dblVal; }
bool DispatchCall::Bool(UINT i) const { return Converted(Arg(i), RgIndex(i), VT_BOOL).boolVal != 0; }
DATE DispatchCall::Date(UINT i) const { return Converted(Arg(i), RgIndex(i), VT_DATE).date; }

std::u16string DispatchCall::Text(UINT i) const {
  VARIANT v = Converted(Arg(i), RgIndex(i), VT_BSTR);
  std::u16string s(v.bstrVal ? v.bstrVal : u"", SysStringLen(v.bstrVal));
  VariantClear(&v);
  return s;
}

ComPtr<IDispatch> DispatchCall::Dispatch(UINT i) const {
  VARIANT v = Converted(Arg(i), RgIndex(i), VT_DISPATCH);
  return ComPtr<IDispatch>::Attach(v.pdispVal);
}

void DispatchCall::Return(const VARIANT& v) const {
  if (result_) VariantCopyInd(result_, &v);
}

void DispatchCall::ReturnLong(LONG v) const {
  if (!result_) return;
  VariantClear(result_);
  result_->vt = VT_I4;
  result_->lVal = v;
}

void DispatchCall::ReturnBool(bool v) const {
  if (!result_) return;
  VariantClear(result_);
  result_->vt = VT_BOOL;
  result_->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
}

void DispatchCall::ReturnDouble(double v) const {
  if (!result_) return;
  VariantClear(result_);
  result_->vt = VT_R8;
  result_->dblVal = v;
}

void DispatchCall::ReturnText(std::u16string_view v) const {
  if (!result_) return;
  VariantClear(result_);
  result_->bstrVal = SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
  if (!result_->bstrVal) throw std::bad_alloc();
  result_->vt = VT_BSTR;
}

void DispatchCall::ReturnDispatch(IDispatch* v) const {
  if (!result_) return;
  VariantClear(result_);
  result_->vt = VT_DISPATCH;
  result_->pdispVal = v;
  if (v) v->AddRef();
}

namespace detail {

HRESULT CheckCall(const MemberView* m, WORD wFlags, const DISPPARAMS* params, WORD* kind) {
  if (!params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
      (params->cNamedArgs && !params->rgdispidNamedArgs))
    return E_INVALIDARG;
  const WORD put = wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  UINT positional = params->cArgs;
  if (put) {
    if (!(m->kinds & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTOPTIONAL;
    *kind = put;
    positional -= 1;
  } else {
    if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
    if ((wFlags & DISPATCH_METHOD) && (m->kinds & DISPATCH_METHOD))
      *kind = DISPATCH_METHOD;
    else if ((wFlags & DISPATCH_PROPERTYGET) && (m->kinds & DISPATCH_PROPERTYGET))
      *kind = DISPATCH_PROPERTYGET;
    else
      return DISP_E_MEMBERNOTFOUND;
  }
  if (positional < m->minArgs || positional > m->maxArgs) return DISP_E_BADPARAMCOUNT;
  return S_OK;
}

HRESULT Translate(std::exception_ptr e, EXCEPINFO* excep, UINT* argErr) {
  try {
    std::rethrow_exception(e);
  } catch (const DispatchArgError& a) {
    if (argErr) *argErr = a.rgIndex;
    return a.hr;
  } catch (const DispatchFailure& f) {
    return FAILED(f.hr) ? f.hr : E_FAIL;
  } catch (const DispatchError& d) {
    Fill(excep, d.description, d.source, d.scode, d.wCode);
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& x) {
    Fill(excep, win32::Utf8ToUtf16(x.what()), u"", E_FAIL, 0);
    return DISP_E_EXCEPTION;
  } catch (...) {
    Fill(excep, u"Unexpected error", u"", E_UNEXPECTED, 0);
    return DISP_E_EXCEPTION;
  }
}

HRESULT NamesToIds(std::span<const MemberView> members, LPOLESTR* names, UINT count, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (!names[0]) return DISP_E_UNKNOWNNAME;
  for (const MemberView& m : members) {
    if (m.name && SameName(m.name, names[0])) {
      ids[0] = m.id;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // named arguments are not offered
    }
  }
  return DISP_E_UNKNOWNNAME;
}

}  // namespace detail
}  // namespace com
