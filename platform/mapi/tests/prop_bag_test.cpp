// GetProps, string widths, names and value streams of the property bag.
#include <gtest/gtest.h>

#include "mapi/defaults.h"
#include "mapi_test_util.h"

namespace {

using mapi_test::A;
using mapi_test::Tags;
using mapi_test::W;

class Bag final : public mapi::PropObject<IMAPIProp> {};

constexpr GUID kSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

ComPtr<Bag> MakeBag() {
  auto bag = com::Make<Bag>();
  bag->SetCodePage(1252);
  bag->props().Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Caf\u00e9"));
  bag->props().Set(mapi::MakeString8(PR_DISPLAY_NAME_A, "R\xe9sum\xe9"));
  bag->props().Set(mapi::MakeLong(PR_IMPORTANCE, 2));
  bag->props().Set(mapi::MakeBinary(PR_ENTRYID, std::string("\0\1\2", 3)));
  return bag;
}

TEST(PropBag, TaggedRequestKeepsOrderAndMarksMissingProperties) {
  auto bag = MakeBag();
  auto tags = Tags({PR_IMPORTANCE, PR_BODY_W, PR_SUBJECT_W, PR_HASATTACH});
  ULONG n = 0;
  LPSPropValue raw = nullptr;
  ASSERT_EQ(bag->GetProps(tags.get(), 0, &n, &raw), MAPI_W_ERRORS_RETURNED);
  mapi::Buffer<SPropValue> v(raw);
  ASSERT_EQ(n, 4u);
  EXPECT_EQ(v.get()[0].ulPropTag, PR_IMPORTANCE);
  EXPECT_EQ(v.get()[0].Value.l, 2);
  EXPECT_EQ(v.get()[1].ulPropTag, CHANGE_PROP_TYPE(PR_BODY_W, PT_ERROR));
  EXPECT_EQ(v.get()[1].Value.err, MAPI_E_NOT_FOUND);
  EXPECT_EQ(W(v.get()[2]), u"Caf\u00e9");
  EXPECT_EQ(v.get()[3].Value.err, MAPI_E_NOT_FOUND);

  auto present = Tags({PR_ENTRYID});
  ASSERT_EQ(bag->GetProps(present.get(), 0, &n, &raw), S_OK);
  mapi::Buffer<SPropValue> e(raw);
  EXPECT_EQ(mapi_test::Bin(*e), std::string("\0\1\2", 3));
}

TEST(PropBag, StringsConvertToTheWidthAsked) {
  auto bag = MakeBag();
  auto tags = Tags({PR_SUBJECT_A, PR_DISPLAY_NAME_W, PROP_TAG(PT_UNSPECIFIED, PROP_ID(PR_SUBJECT_W))});
  ULONG n = 0;
  LPSPropValue raw = nullptr;
  ASSERT_EQ(bag->GetProps(tags.get(), 0, &n, &raw), S_OK);
  mapi::Buffer<SPropValue> v(raw);
  EXPECT_EQ(A(v.get()[0]), "Caf\xe9");
  EXPECT_EQ(W(v.get()[1]), u"R\u00e9sum\u00e9");
  EXPECT_EQ(v.get()[2].ulPropTag, PR_SUBJECT_A);  // no MAPI_UNICODE: 8-bit
}

TEST(PropBag, AllPropertiesFollowMapiUnicode) {
  auto bag = MakeBag();
  for (ULONG flags : {0u, ULONG(MAPI_UNICODE)}) {
    ULONG n = 0;
    LPSPropValue raw = nullptr;
    ASSERT_EQ(bag->GetProps(nullptr, flags, &n, &raw), S_OK);
    mapi::Buffer<SPropValue> v(raw);
    ASSERT_EQ(n, 4u);
    const ULONG want = flags ? PT_UNICODE : PT_STRING8;
    auto* subject = PpropFindProp(v.get(), n, CHANGE_PROP_TYPE(PR_SUBJECT_W, want));
    auto* name = PpropFindProp(v.get(), n, CHANGE_PROP_TYPE(PR_DISPLAY_NAME_W, want));
    ASSERT_TRUE(subject && name) << flags;
    if (flags) EXPECT_EQ(W(*name), u"R\u00e9sum\u00e9");
    else EXPECT_EQ(A(*subject), "Caf\xe9");
  }
}

TEST(PropBag, NamesMapBothWays) {
  auto bag = MakeBag();
  bag->SetNameMap(std::make_shared<mapi::NameMap>());
  GUID set = kSet;
  MAPINAMEID byId{&set, MNID_ID, {}};
  byId.Kind.lID = 0x8503;
  WCHAR keywords[] = u"Keywords";
  MAPINAMEID byName{&set, MNID_STRING, {}};
  byName.Kind.lpwstrName = keywords;
  LPMAPINAMEID asked[] = {&byId, &byName};

  LPSPropTagArray raw = nullptr;
  EXPECT_EQ(bag->GetIDsFromNames(2, asked, 0, &raw), MAPI_W_ERRORS_RETURNED);  // unknown, not created
  MAPIFreeBuffer(raw);
  ASSERT_EQ(bag->GetIDsFromNames(2, asked, MAPI_CREATE, &raw), S_OK);
  mapi::Buffer<SPropTagArray> ids(raw);
  ASSERT_EQ(ids->cValues, 2u);
  EXPECT_GE(PROP_ID(ids->aulPropTag[0]), 0x8000u);
  EXPECT_NE(ids->aulPropTag[0], ids->aulPropTag[1]);

  auto back = Tags({PROP_TAG(PT_LONG, PROP_ID(ids->aulPropTag[1])), PROP_TAG(PT_LONG, 0x9999),
                    PROP_TAG(PT_BOOLEAN, PROP_ID(ids->aulPropTag[0]))});
  LPSPropTagArray askedTags = back.get();
  ULONG n = 0;
  LPMAPINAMEID* names = nullptr;
  ASSERT_EQ(bag->GetNamesFromIDs(&askedTags, nullptr, 0, &n, &names), MAPI_W_ERRORS_RETURNED);
  mapi::Buffer<LPMAPINAMEID> holder(names);
  ASSERT_EQ(n, 3u);
  ASSERT_TRUE(names[0] && names[2]);
  EXPECT_EQ(names[0]->ulKind, MNID_STRING);
  EXPECT_EQ(std::u16string(names[0]->Kind.lpwstrName), u"Keywords");
  EXPECT_EQ(names[1], nullptr);
  EXPECT_EQ(names[2]->Kind.lID, 0x8503);
  EXPECT_TRUE(*names[2]->lpguid == kSet);
}

TEST(PropBag, ValuesOpenAsStreams) {
  auto bag = MakeBag();
  struct Case {
    ULONG tag;
    std::string bytes;
  } cases[] = {
      {PR_ENTRYID, std::string("\0\1\2", 3)},
      {PR_SUBJECT_A, "Caf\xe9"},
      {PR_DISPLAY_NAME_W, std::string("R\0\xe9\0s\0u\0m\0\xe9\0", 12)},
  };
  for (const auto& c : cases) {
    ComPtr<IUnknown> unk;
    ASSERT_EQ(bag->OpenProperty(c.tag, &IID_IStream, 0, 0, unk.ReleaseAndGetAddressOf()), S_OK) << c.tag;
    auto stream = unk.As<IStream>();
    EXPECT_EQ(mapi_test::ReadAll(stream.Get()), c.bytes) << c.tag;
  }
  ComPtr<IUnknown> unk;
  EXPECT_EQ(bag->OpenProperty(PR_BODY_W, &IID_IStream, 0, 0, unk.ReleaseAndGetAddressOf()), MAPI_E_NOT_FOUND);
  EXPECT_EQ(bag->OpenProperty(PR_ENTRYID, &IID_IMessage, 0, 0, unk.ReleaseAndGetAddressOf()),
            MAPI_E_INTERFACE_NOT_SUPPORTED);
}

TEST(PropBag, OnePropertyHelpers) {
  auto bag = MakeBag();
  LPSPropValue raw = nullptr;
  EXPECT_EQ(HrGetOneProp(bag.Get(), PR_BODY_W, &raw), MAPI_E_NOT_FOUND);
  EXPECT_EQ(raw, nullptr);
  ASSERT_EQ(HrGetOneProp(bag.Get(), PR_IMPORTANCE, &raw), S_OK);
  mapi::Buffer<SPropValue> v(raw);
  EXPECT_EQ(v->Value.l, 2);
  EXPECT_EQ(PpropFindProp(v.get(), 1, PROP_TAG(PT_UNSPECIFIED, PROP_ID(PR_IMPORTANCE))), v.get());
  EXPECT_EQ(PpropFindProp(v.get(), 1, CHANGE_PROP_TYPE(PR_IMPORTANCE, PT_I2)), nullptr);
  EXPECT_EQ(PpropFindProp(nullptr, 3, PR_IMPORTANCE), nullptr);
}

}  // namespace
