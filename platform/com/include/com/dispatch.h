// IDispatch, its call records, and the base that lets an automation server
// declare its members as a table of DISPIDs.
#pragma once

#include <exception>
#include <span>
#include <string>
#include <vector>

#include "com/variant.h"

using DISPID = LONG;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

// Arguments travel last first: rgvarg[cArgs - 1] is the first argument. A
// property put names its value DISPID_PROPERTYPUT and it comes in rgvarg[0].
struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  PVOID pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

struct ITypeInfo;  // no type information is offered

struct IDispatch : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                                  DISPID* rgDispId) = 0;
  virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                           UINT* puArgErr) = 0;

 protected:
  ~IDispatch() = default;
};
using LPDISPATCH = IDispatch*;
inline constexpr const IID& IID_IDispatch = IDispatch::kIid;
inline constexpr IID IID_NULL = GUID_NULL;

// Frees the BSTRs of an EXCEPINFO and zeroes it.
void ClearExcepInfo(EXCEPINFO* info);

namespace com {

// Thrown by a member to raise an automation exception: Invoke answers
// DISP_E_EXCEPTION with this text, source and code in the EXCEPINFO.
struct DispatchError {
  std::u16string description;
  SCODE scode = E_FAIL;
  std::u16string source;
  WORD wCode = 0;
};

// Thrown by a member to fail the call with a plain HRESULT, no EXCEPINFO.
struct DispatchFailure {
  HRESULT hr;
};

// One call as a member sees it: the arguments in their natural order.
class DispatchCall {
 public:
  DispatchCall(WORD kind, const DISPPARAMS& params, VARIANT* result);

  WORD Kind() const { return kind_; }
  UINT ArgCount() const { return positional_; }
  // Argument i (0 = first), as passed; a left-out optional argument is
  // VT_ERROR/DISP_E_PARAMNOTFOUND.
  const VARIANT& Arg(UINT i) const;
  bool IsMissing(UINT i) const;
  // Argument i converted; a value that does not convert ends the call with
  // DISP_E_TYPEMISMATCH (or DISP_E_OVERFLOW) and puArgErr naming it.
  LONG Long(UINT i) const;
  double Double(UINT i) const;
  bool Bool(UINT i) const;
  std::u16string Text(UINT i) const;
  DATE Date(UINT i) const;
  ComPtr<IDispatch> Dispatch(UINT i) const;
  // The value of a property put.
  const VARIANT& PutValue() const;

  // The result, when the caller asked for one.
  void Return(const VARIANT& v) const;
  void ReturnLong(LONG v) const;
  void ReturnBool(bool v) const;
  void ReturnDouble(double v) const;
  void ReturnText(std::u16string_view v) const;
  void ReturnDispatch(IDispatch* v) const;

 private:
  VARIANT Converted(const VARIANT& v, UINT rgIndex, VARTYPE vt) const;
  UINT RgIndex(UINT i) const;

  WORD kind_;
  const DISPPARAMS& params_;
  VARIANT* result_;
  UINT positional_;
};

// Thrown out of DispatchCall's converters; Invoke turns it into a result.
struct DispatchArgError {
  HRESULT hr;
  UINT rgIndex;
};

template <class T>
struct DispatchMember {
  DISPID id;
  const char16_t* name;
  WORD kinds;  // DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT
  UINT minArgs;
  UINT maxArgs;  // positional arguments, the put value not counted
  void (T::*handler)(const DispatchCall&);
};

namespace detail {
struct MemberView {
  DISPID id;
  const char16_t* name;
  WORD kinds;
  UINT minArgs;
  UINT maxArgs;
};
HRESULT CheckCall(const MemberView* m, WORD wFlags, const DISPPARAMS* params, WORD* kind);
HRESULT Translate(std::exception_ptr e, EXCEPINFO* excep, UINT* argErr);
HRESULT NamesToIds(std::span<const MemberView> members, LPOLESTR* names, UINT count, DISPID* ids);
}  // namespace detail

// Base of an automation object. Derived lists its members:
//
//   class Session : public com::DispatchObject<Session> {
//    public:
//     static std::span<const com::DispatchMember<Session>> Members();
//     void Logon(const com::DispatchCall& call);
//   };
//
// I is the dispatch interface it implements (IDispatch or a dual interface
// derived from it), More any further interfaces.
template <class Derived, class I = IDispatch, class... More>
class DispatchObject : public ComObject<I, More...> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
    if (!pctinfo) return E_INVALIDARG;
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
    if (ppTInfo) *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    std::vector<detail::MemberView> views;
    for (const auto& m : Derived::Members()) views.push_back(View(m));
    return detail::NamesToIds(views, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excep, UINT* argErr) override {
    for (const auto& m : Derived::Members()) {
      if (m.id != id) continue;
      const detail::MemberView view = View(m);
      WORD kind = 0;
      if (HRESULT hr = detail::CheckCall(&view, wFlags, params, &kind); FAILED(hr)) return hr;
      if (result) VariantInit(result);
      try {
        DispatchCall call(kind, *params, result);
        (static_cast<Derived*>(this)->*m.handler)(call);
        return S_OK;
      } catch (...) {
        if (result) VariantClear(result);
        return detail::Translate(std::current_exception(), excep, argErr);
      }
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  static detail::MemberView View(const DispatchMember<Derived>& m) {
    return {m.id, m.name, m.kinds, m.minArgs, m.maxArgs};
  }
};

}  // namespace com
