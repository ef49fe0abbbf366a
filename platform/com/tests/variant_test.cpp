#include <gtest/gtest.h>

#include <cmath>

#include "com/dispatch.h"
#include "com/variant.h"

namespace {

using com::Bstr;
using com::Variant;

TEST(Bstr, LengthPrefixTerminatorAndEmbeddedNul) {
  BSTR b = SysAllocStringLen(u"ab\0cd", 5);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 5u);
  EXPECT_EQ(SysStringByteLen(b), 10u);
  EXPECT_EQ(b[5], 0);
  EXPECT_EQ(std::u16string(b, 5), std::u16string(u"ab\0cd", 5));
  ASSERT_TRUE(SysReAllocString(&b, b + 3));  // source inside the old string
  EXPECT_EQ(std::u16string(b), u"cd");
  SysFreeString(b);

  BSTR odd = SysAllocStringByteLen("xyz", 3);
  EXPECT_EQ(SysStringByteLen(odd), 3u);
  EXPECT_EQ(SysStringLen(odd), 1u);
  SysFreeString(odd);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  Bstr empty(u"");
  EXPECT_NE(empty.Get(), nullptr);
  EXPECT_EQ(empty.View(), u"");
}

// Counts its references so tests can see VARIANTs give every one back.
class Counted final : public com::ComObject<IDispatch> {
 public:
  explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
  ~Counted() override { --*alive_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 private:
  int* alive_;
};

TEST(Variant, CopyIsDeepAndClearGivesBackWhatItOwns) {
  int alive = 0;
  {
    Variant text, copy, obj, objCopy;
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"hello");
    ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
    EXPECT_NE(copy.bstrVal, text.bstrVal);
    EXPECT_EQ(std::u16string(copy.bstrVal), u"hello");

    obj.vt = VT_DISPATCH;
    obj.pdispVal = com::Make<Counted>(&alive).Detach();
    ASSERT_EQ(VariantCopy(&objCopy, &obj), S_OK);
    ASSERT_EQ(VariantCopy(&copy, &obj), S_OK);  // frees the old BSTR of copy
    EXPECT_EQ(copy.pdispVal, obj.pdispVal);
    EXPECT_EQ(alive, 1);

    // A by-reference variant owns nothing; VariantCopyInd copies its target.
    VARIANT ref;
    ref.vt = VT_BSTR | VT_BYREF;
    ref.pbstrVal = &text.bstrVal;
    Variant deref;
    ASSERT_EQ(VariantCopyInd(&deref, &ref), S_OK);
    EXPECT_EQ(deref.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(deref.bstrVal), u"hello");
    VariantClear(&ref);
  }
  EXPECT_EQ(alive, 0);
}

struct Conversion {
  VARIANT in;
  VARTYPE to;
  HRESULT hr;
  VARIANT out;  // compared when hr is S_OK
};

VARIANT I2(SHORT v) { VARIANT x{}; x.vt = VT_I2; x.iVal = v; return x; }
VARIANT I4(LONG v) { VARIANT x{}; x.vt = VT_I4; x.lVal = v; return x; }
VARIANT R8(double v) { VARIANT x{}; x.vt = VT_R8; x.dblVal = v; return x; }
VARIANT Bool(bool v) { VARIANT x{}; x.vt = VT_BOOL; x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return x; }
VARIANT Date(double v) { VARIANT x{}; x.vt = VT_DATE; x.date = v; return x; }
VARIANT Of(VARTYPE vt) { VARIANT x{}; x.vt = vt; return x; }
// The tables free these BSTRs when they are done.
VARIANT Text(const char16_t* s) { VARIANT x{}; x.vt = VT_BSTR; x.bstrVal = SysAllocString(s); return x; }

std::string Show(const VARIANT& v) {
  switch (v.vt) {
    case VT_I2: return "I2 " + std::to_string(v.iVal);
    case VT_I4: return "I4 " + std::to_string(v.lVal);
    case VT_R8: return "R8 " + std::to_string(v.dblVal);
    case VT_BOOL: return "BOOL " + std::to_string(v.boolVal);
    case VT_DATE: return "DATE " + std::to_string(v.date);
    case VT_BSTR: {
      std::string s = "BSTR ";
      for (UINT i = 0; i < SysStringLen(v.bstrVal); ++i) s += static_cast<char>(v.bstrVal[i]);
      return s;
    }
    default: return "vt " + std::to_string(v.vt);
  }
}

TEST(Variant, ChangeTypeTable) {
  const Conversion cases[] = {
      {I4(42), VT_BSTR, S_OK, Text(u"42")},
      {I2(-7), VT_I4, S_OK, I4(-7)},
      {I4(70000), VT_I2, DISP_E_OVERFLOW, {}},
      {R8(2.5), VT_I4, S_OK, I4(2)},  // halves round to even
      {R8(3.5), VT_I4, S_OK, I4(4)},
      {R8(-2.5), VT_I2, S_OK, I2(-2)},
      {R8(1.5), VT_BSTR, S_OK, Text(u"1.5")},
      {R8(1e20), VT_BSTR, S_OK, Text(u"1E+20")},
      {Bool(true), VT_I4, S_OK, I4(-1)},
      {Bool(true), VT_BSTR, S_OK, Text(u"-1")},
      {I4(5), VT_BOOL, S_OK, Bool(true)},
      {I4(0), VT_BOOL, S_OK, Bool(false)},
      {Text(u" 1,234 "), VT_I4, S_OK, I4(1234)},
      {Text(u"2.5"), VT_I2, S_OK, I2(2)},
      {Text(u"12abc"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Text(u""), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Text(u"true"), VT_BOOL, S_OK, Bool(true)},
      {Text(u"False"), VT_BOOL, S_OK, Bool(false)},
      {Text(u"3000000000"), VT_I4, DISP_E_OVERFLOW, {}},
      {Of(VT_EMPTY), VT_I4, S_OK, I4(0)},
      {Of(VT_EMPTY), VT_BSTR, S_OK, Text(u"")},
      {Of(VT_NULL), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {com::MissingArgument(), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {I4(36526), VT_DATE, S_OK, Date(36526)},
      {Date(36526.5), VT_R8, S_OK, R8(36526.5)},
      {R8(1e9), VT_DATE, DISP_E_OVERFLOW, {}},
      {I4(1), VT_DISPATCH, DISP_E_TYPEMISMATCH, {}},
      // Text and dates in the user's locale, both ways.
      {Text(u"3/15/2024"), VT_DATE, S_OK, Date(45366)},
      {Text(u"3/15/2024 6:00 PM"), VT_DATE, S_OK, Date(45366.75)},
      {Text(u"12/29/1899 6:00 AM"), VT_DATE, S_OK, Date(-1.25)},
      {Text(u"no date"), VT_DATE, DISP_E_TYPEMISMATCH, {}},
      {Date(45366), VT_BSTR, S_OK, Text(u"3/15/2024")},
      {Date(45366.75), VT_BSTR, S_OK, Text(u"3/15/2024 6:00:00 PM")},
      {Date(0.25), VT_BSTR, S_OK, Text(u"6:00:00 AM")},
      {Date(0), VT_BSTR, S_OK, Text(u"12:00:00 AM")},
  };
  for (const Conversion& c : cases) {
    Variant out;
    out.vt = VT_I4;
    out.lVal = 99;
    EXPECT_EQ(VariantChangeType(&out, &c.in, 0, c.to), c.hr) << Show(c.in) << " to " << c.to;
    if (c.hr == S_OK) {
      EXPECT_EQ(Show(out), Show(c.out)) << Show(c.in);
    } else {
      EXPECT_EQ(Show(out), "I4 99") << "a failed conversion leaves the target alone";
    }
  }
  for (const Conversion& c : cases) {
    if (c.in.vt == VT_BSTR) SysFreeString(c.in.bstrVal);
    if (c.out.vt == VT_BSTR) SysFreeString(c.out.bstrVal);
  }
}

TEST(Variant, ChangeTypeInPlaceAndByReference) {
  Variant v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(u"17");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);  // the old BSTR is freed, not leaked
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 17);

  LONG target = 5;
  VARIANT ref;
  ref.vt = VT_I4 | VT_BYREF;
  ref.plVal = &target;
  Variant text;
  ASSERT_EQ(VariantChangeType(&text, &ref, 0, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string(text.bstrVal), u"5");

  Variant b;
  b.vt = VT_BOOL;
  b.boolVal = VARIANT_TRUE;
  ASSERT_EQ(VariantChangeType(&text, &b, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string(text.bstrVal), u"True");
}

}  // namespace
