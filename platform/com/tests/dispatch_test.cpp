#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/dispatch.h"

namespace {

using com::DispatchCall;
using com::Variant;

// A small automation server declared as a DISPID table.
class Server final : public com::DispatchObject<Server> {
 public:
  explicit Server(int* alive) : alive_(alive) { ++*alive_; }
  ~Server() override { --*alive_; }

  static std::span<const com::DispatchMember<Server>> Members() {
    static const com::DispatchMember<Server> kMembers[] = {
        {1, u"Count", DISPATCH_PROPERTYGET, 0, 0, &Server::Count},
        {2, u"Join", DISPATCH_METHOD, 2, 3, &Server::Join},
        {3, u"Value", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0, 0, &Server::Value},
        {4, u"Fail", DISPATCH_METHOD, 0, 0, &Server::Fail},
        {5, u"Self", DISPATCH_PROPERTYGET, 0, 0, &Server::Self},
    };
    return kMembers;
  }

  void Count(const DispatchCall& c) { c.ReturnLong(7); }
  // Join(text, number[, suffix]): "text:number" plus the suffix when given.
  void Join(const DispatchCall& c) {
    const std::string n = std::to_string(c.Long(1));
    std::u16string s = c.Text(0) + u":" + std::u16string(n.begin(), n.end());
    if (!c.IsMissing(2)) s += c.Text(2);
    c.ReturnText(s);
  }
  void Value(const DispatchCall& c) {
    if (c.Kind() == DISPATCH_PROPERTYPUT)
      VariantCopyInd(&stored_, &c.PutValue());
    else
      c.Return(stored_);
  }
  void Fail(const DispatchCall&) {
    throw com::DispatchError{u"Could not open\r\nError: the store is locked\r\nComponent: Store", E_ACCESSDENIED,
                             u"Test.Server"};
  }
  void Self(const DispatchCall& c) { c.ReturnDispatch(this); }

 private:
  int* alive_;
  Variant stored_;
};

// Builds DISPPARAMS the way callers do: arguments last first.
struct Args {
  explicit Args(std::vector<VARIANT> natural, bool put = false) : v(natural.rbegin(), natural.rend()) {
    p.rgvarg = v.data();
    p.cArgs = static_cast<UINT>(v.size());
    if (put) {
      p.rgdispidNamedArgs = &named;
      p.cNamedArgs = 1;
    }
  }
  ~Args() {
    for (VARIANT& x : v) VariantClear(&x);
  }
  std::vector<VARIANT> v;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS p{};
};

VARIANT Text(const char16_t* s) {
  VARIANT x{};
  x.vt = VT_BSTR;
  x.bstrVal = SysAllocString(s);
  return x;
}
VARIANT I4(LONG v) {
  VARIANT x{};
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}

HRESULT Call(IDispatch* d, DISPID id, WORD flags, Args& a, VARIANT* result, EXCEPINFO* ex = nullptr,
             UINT* argErr = nullptr) {
  if (result) VariantClear(result);  // the result is an out parameter: Invoke overwrites it
  return d->Invoke(id, IID_NULL, 0, flags, &a.p, result, ex, argErr);
}

TEST(Dispatch, CallsMembersWithArgumentsInNaturalOrder) {
  int alive = 0;
  {
    ComPtr<IDispatch> d = com::Make<Server>(&alive);
    Variant r;
    Args none({});
    ASSERT_EQ(Call(d.Get(), 1, DISPATCH_PROPERTYGET, none, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I4);
    EXPECT_EQ(r.lVal, 7);

    Args two({Text(u"name"), I4(12)});
    ASSERT_EQ(Call(d.Get(), 2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, two, &r), S_OK);
    EXPECT_EQ(std::u16string(r.bstrVal), u"name:12");

    Args missing({Text(u"a"), I4(1), com::MissingArgument()});
    ASSERT_EQ(Call(d.Get(), 2, DISPATCH_METHOD, missing, &r), S_OK);
    EXPECT_EQ(std::u16string(r.bstrVal), u"a:1");
    Args three({Text(u"a"), I4(1), Text(u"!")});
    ASSERT_EQ(Call(d.Get(), 2, DISPATCH_METHOD, three, nullptr), S_OK);  // no result wanted

    Args put({Text(u"stored")}, true);
    ASSERT_EQ(Call(d.Get(), 3, DISPATCH_PROPERTYPUT, put, nullptr), S_OK);
    ASSERT_EQ(Call(d.Get(), 3, DISPATCH_PROPERTYGET, none, &r), S_OK);
    EXPECT_EQ(std::u16string(r.bstrVal), u"stored");

    ASSERT_EQ(Call(d.Get(), 5, DISPATCH_PROPERTYGET, none, &r), S_OK);
    EXPECT_EQ(r.pdispVal, d.Get());
  }
  EXPECT_EQ(alive, 0);  // the returned reference and the holder's both came back
}

TEST(Dispatch, RejectsWhatTheTableDoesNotAllow) {
  int alive = 0;
  ComPtr<IDispatch> d = com::Make<Server>(&alive);
  Variant r;
  Args none({});
  Args one({I4(1)});
  Args put({I4(1)}, true);
  Args badNumber({Text(u"a"), Text(u"not a number")});
  UINT argErr = 99;
  struct Case {
    DISPID id;
    WORD flags;
    Args* args;
    HRESULT hr;
  };
  const Case cases[] = {
      {99, DISPATCH_METHOD, &none, DISP_E_MEMBERNOTFOUND},
      {1, DISPATCH_METHOD, &none, DISP_E_MEMBERNOTFOUND},    // a property, not a method
      {1, DISPATCH_PROPERTYPUT, &put, DISP_E_MEMBERNOTFOUND},  // read-only
      {2, DISPATCH_METHOD, &one, DISP_E_BADPARAMCOUNT},
      {1, DISPATCH_PROPERTYGET, &put, DISP_E_NONAMEDARGS},
      {3, DISPATCH_PROPERTYPUT, &one, DISP_E_PARAMNOTOPTIONAL},  // value not named
  };
  for (const Case& c : cases) EXPECT_EQ(Call(d.Get(), c.id, c.flags, *c.args, &r), c.hr) << c.id;
  EXPECT_EQ(Call(d.Get(), 2, DISPATCH_METHOD, badNumber, &r, nullptr, &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);  // rgvarg index: the second argument is rgvarg[0]
  EXPECT_EQ(r.vt, VT_EMPTY);
}

TEST(Dispatch, ServerExceptionArrivesInExcepInfo) {
  int alive = 0;
  ComPtr<IDispatch> d = com::Make<Server>(&alive);
  Args none({});
  EXCEPINFO ex{};
  Variant r;
  ASSERT_EQ(Call(d.Get(), 4, DISPATCH_METHOD, none, &r, &ex), DISP_E_EXCEPTION);
  EXPECT_EQ(std::u16string(ex.bstrDescription), u"Could not open\r\nError: the store is locked\r\nComponent: Store");
  EXPECT_EQ(std::u16string(ex.bstrSource), u"Test.Server");
  EXPECT_EQ(ex.scode, E_ACCESSDENIED);
  ClearExcepInfo(&ex);
  EXPECT_EQ(Call(d.Get(), 4, DISPATCH_METHOD, none, &r, nullptr), DISP_E_EXCEPTION);  // no EXCEPINFO given
}

// A dual interface: early-bound methods and the same members by DISPID.
struct IDual : IDispatch {
  using Base = IDispatch;
  static constexpr IID kIid = {0xD0A1, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
  virtual HRESULT STDMETHODCALLTYPE get_Size(LONG* size) = 0;
};

class Dual final : public com::DispatchObject<Dual, IDual> {
 public:
  static std::span<const com::DispatchMember<Dual>> Members() {
    static const com::DispatchMember<Dual> kMembers[] = {{1, u"Size", DISPATCH_PROPERTYGET, 0, 0, &Dual::Size}};
    return kMembers;
  }
  HRESULT STDMETHODCALLTYPE get_Size(LONG* size) override {
    *size = 3;
    return S_OK;
  }
  void Size(const DispatchCall& c) { c.ReturnLong(3); }
};

TEST(Dispatch, DualInterfaceAnswersBothWays) {
  ComPtr<IDual> dual = com::Make<Dual>();
  ComPtr<IDispatch> late = dual.As<IDispatch>();
  ASSERT_TRUE(late);
  EXPECT_EQ(late.As<IUnknown>().Get(), dual.As<IUnknown>().Get());
  LONG size = 0;
  ASSERT_EQ(dual->get_Size(&size), S_OK);
  Variant r;
  Args none({});
  ASSERT_EQ(Call(late.Get(), 1, DISPATCH_PROPERTYGET, none, &r), S_OK);
  EXPECT_EQ(r.lVal, size);
}

TEST(Dispatch, NamesResolveWithoutCase) {
  int alive = 0;
  ComPtr<IDispatch> d = com::Make<Server>(&alive);
  OLECHAR name[] = u"JOIN";
  OLECHAR bad[] = u"Nope";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 2);
  names[0] = bad;
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

}  // namespace
