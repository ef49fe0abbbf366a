// Property value text, as a table of values against texts.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "mapisupport/InterpretProp.h"
#include "mapisupport/InterpretProp2.h"
#include "mapisupport/MAPIFunctions.h"
#include "win32/text.h"

namespace {

constexpr ULONG Tag(ULONG type) { return PROP_TAG(type, 0x8001); }

SPropValue Value(ULONG type) {
  SPropValue v{};
  v.ulPropTag = Tag(type);
  return v;
}

std::string Text(const SPropValue& v) { return win32::Utf16ToUtf8(PropValueToStrings(&v)); }
std::string Take(LPWSTR owned) {
  const std::unique_ptr<WCHAR[]> holder(owned);
  return owned ? win32::Utf16ToUtf8(owned) : "(none)";
}

// Data the table's values point at.
BYTE kBytes[] = {0x00, 0x1F, 0xAB};
BYTE kOther[] = {0xFF};
WCHAR kX[] = u"x";
WCHAR kY[] = u"y";
WCHAR kEmpty[] = u"";
LPWSTR kStrings[] = {kX, kY};
char kNarrow[] = "narrow";
LPSTR kNarrowStrings[] = {kNarrow};
SBinary kBins[] = {{3, kBytes}, {1, kOther}};
SHORT kShorts[] = {-1, 7};
LONG kLongs[] = {-1};
GUID kGuid = {0x4E3A7680, 0xB77A, 0x11D0, {0x9D, 0xA5, 0x00, 0xC0, 0x4F, 0xD6, 0x56, 0x85}};
GUID kGuids[] = {kGuid};

struct Case {
  const char* name;
  SPropValue value;
  const char* text;
};

std::vector<Case> Cases() {
  std::vector<Case> c;
  auto add = [&](const char* name, ULONG type, auto fill, const char* text) {
    SPropValue v = Value(type);
    fill(v.Value);
    c.push_back({name, v, text});
  };
  add(
      "I2 -1", PT_I2, [](_PV& p) { p.i = -1; }, "-1");
  add(
      "LONG max", PT_LONG, [](_PV& p) { p.ul = 0xFFFFFFFFu; }, "4294967295");
  add(
      "R4", PT_R4, [](_PV& p) { p.flt = 1.5f; }, "1.500000");
  add(
      "DOUBLE", PT_DOUBLE, [](_PV& p) { p.dbl = -2.25; }, "-2.250000");
  // 2^500 is exact in a double: "%f" gives all 151 digits.
  add(
      "DOUBLE long", PT_DOUBLE, [](_PV& p) { p.dbl = std::ldexp(1.0, 500); },
      "3273390607896141870013189696827599152216642046043064789483291368096133796404674554883270092325904157150886684127"
      "560071009217256545885393053328527589376.000000");
  add(
      "APPTIME", PT_APPTIME, [](_PV& p) { p.at = 45000.5; }, "45000.500000");
  add(
      "ERROR", PT_ERROR, [](_PV& p) { p.err = static_cast<SCODE>(0x8004010Fu); }, "Err:0x8004010F=");
  add(
      "I8", PT_I8, [](_PV& p) { p.li.QuadPart = -9000000000LL; }, "-9000000000");
  add(
      "UNICODE", PT_UNICODE, [](_PV& p) { p.lpszW = kX; }, "x");
  add(
      "UNICODE null", PT_UNICODE, [](_PV& p) { p.lpszW = nullptr; }, "");
  add(
      "UNICODE empty", PT_UNICODE, [](_PV& p) { p.lpszW = kEmpty; }, "");
  add(
      "CLSID", PT_CLSID, [](_PV& p) { p.lpguid = &kGuid; }, "{4E3A7680-B77A-11D0-9DA5-00C04FD65685} = ");
  add(
      "BINARY", PT_BINARY,
      [](_PV& p) {
        p.bin = {3, kBytes};
      },
      "cb: 3 lpb: 001FAB");
  add(
      "BINARY empty", PT_BINARY,
      [](_PV& p) {
        p.bin = {0, nullptr};
      },
      "cb: 0 lpb: NULL");
  add(
      "BINARY no bytes", PT_BINARY,
      [](_PV& p) {
        p.bin = {2, nullptr};
      },
      "");
  // Types without a text.
  add(
      "BOOLEAN", PT_BOOLEAN, [](_PV& p) { p.b = 1; }, "");
  add(
      "STRING8", PT_STRING8, [](_PV& p) { p.lpszA = kNarrow; }, "");
  add(
      "SYSTIME", PT_SYSTIME,
      [](_PV& p) {
        p.ft = {1, 2};
      },
      "");
  add(
      "CURRENCY", PT_CURRENCY, [](_PV& p) { p.cur.int64 = 5; }, "");
  // Multi-valued.
  add(
      "MV_UNICODE", PT_MV_UNICODE,
      [](_PV& p) {
        p.MVszW = {2, kStrings};
      },
      "2: x; y");
  add(
      "MV_UNICODE none", PT_MV_UNICODE,
      [](_PV& p) {
        p.MVszW = {0, nullptr};
      },
      "0: ");
  add(
      "MV_BINARY", PT_MV_BINARY,
      [](_PV& p) {
        p.MVbin = {2, kBins};
      },
      "2: cb: 3 lpb: 001FAB; cb: 1 lpb: FF");
  add(
      "MV_I2", PT_MV_I2,
      [](_PV& p) {
        p.MVi = {2, kShorts};
      },
      "2: -1; 7");
  add(
      "MV_LONG", PT_MV_LONG,
      [](_PV& p) {
        p.MVl = {1, kLongs};
      },
      "1: 4294967295");
  add(
      "MV_CLSID", PT_MV_CLSID,
      [](_PV& p) {
        p.MVguid = {1, kGuids};
      },
      "1: {4E3A7680-B77A-11D0-9DA5-00C04FD65685} = ");
  add(
      "MV_STRING8", PT_MV_STRING8,
      [](_PV& p) {
        p.MVszA = {1, kNarrowStrings};
      },
      "1: ");
  // Another multi-valued type has zero-valued elements, read from nowhere.
  add(
      "MV of another type", MV_FLAG | PT_ERROR,
      [](_PV& p) {
        p.MVl = {2, nullptr};
      },
      "2: Err:0x00000000=; Err:0x00000000=");
  // A count with no array behind it gives no element text.
  add(
      "MV_UNICODE no array", PT_MV_UNICODE,
      [](_PV& p) {
        p.MVszW = {2, nullptr};
      },
      "2: ; ");
  return c;
}

TEST(InterpretProp, ValueTexts) {
  for (const Case& c : Cases()) EXPECT_EQ(Text(c.value), c.text) << c.name;
}

TEST(InterpretProp, ElementTextsAndIndexPastTheEnd) {
  SPropValue mv = Value(PT_MV_UNICODE);
  mv.Value.MVszW = {2, kStrings};
  EXPECT_EQ(win32::Utf16ToUtf8(MVElementToStrings(&mv, 1)), "y");
  EXPECT_EQ(MVElementToStrings(&mv, 2), u"");
  EXPECT_EQ(MVElementToStrings(nullptr, 0), u"");
  EXPECT_EQ(PropValueToStrings(nullptr), u"");
}

TEST(InterpretProp, BinaryAndHexTexts) {
  EXPECT_EQ(BinaryToHexText(nullptr), u"");
  LPWSTR hex = reinterpret_cast<LPWSTR>(1);
  MyHexFromBin(kBytes, 0, &hex);
  EXPECT_EQ(hex, nullptr);
  MyHexFromBin(nullptr, 3, &hex);
  EXPECT_EQ(hex, nullptr);
  MyHexFromBin(kBytes, 3, &hex);
  EXPECT_EQ(Take(hex), "001FAB");
}

TEST(InterpretProp, GuidTexts) {
  EXPECT_EQ(Take(GuidToText(&kGuid)), "{4E3A7680-B77A-11D0-9DA5-00C04FD65685}");
  EXPECT_EQ(Take(GuidToText(nullptr)), "{00000000-0000-0000-0000-000000000000}");
  const GUID lower = {0xabcdef01, 0x0a0b, 0x0c0d, {0xab, 1, 2, 3, 4, 5, 6, 0xef}};
  EXPECT_EQ(Take(GuidToDisplayString(lower)), "{ABCDEF01-0A0B-0C0D-AB01-0203040506EF} = ");
}

}  // namespace
