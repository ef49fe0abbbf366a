#include <gtest/gtest.h>

#include <set>

#include "win32/errors.h"
#include "win32/guid.h"
#include "win32/text.h"

namespace {

constexpr GUID kDispatch = win32::GuidLiteral("{00020400-0000-0000-C000-000000000046}");
DEFINE_GUID(kSample, 0x12AB34CD, 0x5E6F, 0x7A8B, 0x9C, 0x0D, 0xE1, 0xF2, 0x03, 0x14, 0x25, 0x36);
static_assert(kSample.Data4[7] == 0x36);
constexpr GUID kSampleLower = win32::GuidLiteral("12ab34cd-5e6f-7a8b-9c0d-e1f203142536");
static_assert(kSampleLower.Data1 == 0x12AB34CD && kSampleLower.Data3 == 0x7A8B && kSampleLower.Data4[0] == 0x9C);

TEST(Guid, TextFormAndRoundTrip) {
  WCHAR buf[39];
  ASSERT_EQ(StringFromGUID2(kSample, buf, 39), 39);
  EXPECT_EQ(std::u16string(buf), u"{12AB34CD-5E6F-7A8B-9C0D-E1F203142536}");
  EXPECT_EQ(win32::GuidToString(kDispatch), u"{00020400-0000-0000-C000-000000000046}");
  EXPECT_EQ(StringFromGUID2(kSample, buf, 38), 0);

  GUID back{};
  EXPECT_EQ(CLSIDFromString(buf, &back), S_OK);
  EXPECT_EQ(back, kSample);
  EXPECT_EQ(IIDFromString(u"{12ab34cd-5e6f-7a8b-9c0d-e1f203142536}", &back), S_OK);
  EXPECT_EQ(back, kSample);
  EXPECT_TRUE(win32::ParseGuid(u"12AB34CD-5E6F-7A8B-9C0D-E1F203142536", back));
  EXPECT_EQ(back, kSample);
}

TEST(Guid, MalformedTextIsRefused) {
  const char16_t* bad[] = {
      u"",
      u"12AB34CD-5E6F-7A8B-9C0D-E1F203142536",     // no braces
      u"{12AB34CD-5E6F-7A8B-9C0D-E1F20314253}",    // short
      u"{12AB34CD-5E6F-7A8B-9C0D-E1F2031425366}",  // long
      u"{12AB34CD-5E6F-7A8B-9C0DE-1F203142536}",   // hyphen moved
      u"{12AB34CG-5E6F-7A8B-9C0D-E1F203142536}",   // not hex
      u"(12AB34CD-5E6F-7A8B-9C0D-E1F203142536)",
      u"Outlook.Application",
  };
  for (const char16_t* text : bad) {
    GUID g = kSample;
    EXPECT_EQ(CLSIDFromString(text, &g), CO_E_CLASSSTRING) << win32::Utf16ToUtf8(text);
    EXPECT_EQ(g, GUID_NULL);
    EXPECT_EQ(IIDFromString(text, &g), E_INVALIDARG);
  }
  GUID g = kSample;
  EXPECT_FALSE(win32::ParseGuid(u"{12AB34CD-5E6F}", g));
  EXPECT_EQ(g, kSample);
  EXPECT_EQ(CLSIDFromString(nullptr, &g), S_OK);
  EXPECT_EQ(g, GUID_NULL);
  EXPECT_EQ(CLSIDFromString(u"{12AB34CD-5E6F-7A8B-9C0D-E1F203142536}", nullptr), E_INVALIDARG);
}

TEST(Guid, CreatedGuidsAreRandomVersion4) {
  std::set<GUID, win32::GuidLess> seen;
  for (int i = 0; i < 64; ++i) {
    GUID g;
    ASSERT_EQ(CoCreateGuid(&g), S_OK);
    EXPECT_EQ(g.Data3 >> 12, 4);
    EXPECT_EQ(g.Data4[0] & 0xC0, 0x80);
    seen.insert(g);
  }
  EXPECT_EQ(seen.size(), 64u);
  EXPECT_EQ(CoCreateGuid(nullptr), E_INVALIDARG);
}

}  // namespace
