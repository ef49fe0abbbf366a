#include <gtest/gtest.h>

#include "mfc/oleexception.h"
#include "mfc/olevariant.h"

namespace {

TEST(COleVariant, ConstructorsPickTheType) {
  struct Case {
    COleVariant v;
    VARTYPE vt;
  };
  const Case cases[] = {
      {COleVariant(), VT_EMPTY},
      {COleVariant(u"text"), VT_BSTR},
      {COleVariant(std::u16string_view(u"view")), VT_BSTR},
      {COleVariant(static_cast<short>(3)), VT_I2},
      {COleVariant(static_cast<short>(1), VT_BOOL), VT_BOOL},
      {COleVariant(LONG{7}), VT_I4},
      {COleVariant(7L), VT_I4},
      {COleVariant(LONG{DISP_E_PARAMNOTFOUND}, VT_ERROR), VT_ERROR},
      {COleVariant(LONG{1}, VT_BOOL), VT_BOOL},
      {COleVariant(2.5), VT_R8},
      {COleVariant(45366.0, VT_DATE), VT_DATE},
      {COleVariant(COleDateTime(2024, 3, 15, 0, 0, 0)), VT_DATE},
  };
  for (const Case& c : cases) EXPECT_EQ(c.v.vt, c.vt);
  EXPECT_EQ(cases[7].v.scode, DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(cases[8].v.boolVal, VARIANT_TRUE);
}

TEST(COleVariant, CopiesOwnTheirValue) {
  COleVariant a(u"shared?");
  COleVariant b = a;
  EXPECT_NE(a.bstrVal, b.bstrVal);
  EXPECT_TRUE(a == b);
  b = LONG{5};
  EXPECT_EQ(b.vt, VT_I4);
  COleVariant moved = std::move(a);
  EXPECT_EQ(a.vt, VT_EMPTY);
  EXPECT_EQ(std::u16string(moved.bstrVal), u"shared?");

  VARIANT raw = moved.Detach();
  EXPECT_EQ(moved.vt, VT_EMPTY);
  COleVariant back;
  back.Attach(raw);
  EXPECT_EQ(raw.vt, VT_EMPTY);
  EXPECT_EQ(std::u16string(back.bstrVal), u"shared?");
}

TEST(COleVariant, ChangeTypeThrowsWhenTheValueDoesNotConvert) {
  COleVariant v(u"42");
  v.ChangeType(VT_I4);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 42);
  COleVariant text(u"forty-two");
  try {
    text.ChangeType(VT_I4);
    FAIL() << "no exception";
  } catch (const COleException& e) {
    EXPECT_EQ(e.m_sc, DISP_E_TYPEMISMATCH);
  }
  EXPECT_EQ(text.vt, VT_BSTR);  // left as it was
}

}  // namespace
