// How an item's property values become its values: the fixed property
// list by exact tag, the named ones by the markers in their name texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ItemValues.h"
#include "cressing_test_support.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "win32/text.h"

namespace {

SPropValue Text(ULONG tag, const char16_t* text) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(text));
  return v;
}
SPropValue Long(ULONG tag, LONG value) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.l = value;
  return v;
}
SPropValue Time(ULONG tag, FILETIME time) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.ft = time;
  return v;
}

TEST(ItemValues, FixedValuesGoWhereTheirExactTagSays) {
  const cressing_test::Zone zone("UTC");
  LPWSTR children[] = {const_cast<LPWSTR>(u"Gus"), const_cast<LPWSTR>(u"Hal")};
  SPropValue childList{};
  childList.ulPropTag = PR_CHILDRENS_NAMES_W;
  childList.Value.MVszW = {2, children};
  SPropValue noChildren{};
  noChildren.ulPropTag = PR_CHILDRENS_NAMES_W;
  SPropValue readReceipt{};
  readReceipt.ulPropTag = PR_READ_RECEIPT_REQUESTED;
  readReceipt.Value.b = 1;
  SPropValue nullSubject = Text(PR_SUBJECT_W, nullptr);
  const FILETIME kMarch15 = cressing_test::UtcTime(2024, 3, 15, 13, 5);
  const SPropValue props[] = {
      Text(PR_MESSAGE_CLASS_W, u"IPM.Contact"),
      nullSubject,
      Text(PR_SENT_REPRESENTING_NAME_W, u"Ann"),
      Time(PR_CLIENT_SUBMIT_TIME, kMarch15),
      Long(PR_IMPORTANCE, 2),
      Long(PR_PRIORITY, -1),
      readReceipt,
      Text(PR_HOME_TELEPHONE_NUMBER_W, u"0113 8"),
      Time(PR_BIRTHDAY, kMarch15),
      childList,
      Text(PR_COMMENT_W, u"A comment"),
      Long(PROP_TAG(PT_ERROR, PROP_ID(PR_BODY_W)), MAPI_E_NOT_FOUND),  // missing: matches nothing
      Text(PR_OFFICE_LOCATION_W, u"asked for, stored nowhere"),
      Text(PR_SENDER_NAME_W, u"not on the list"),
  };
  ItemValues v;
  int stored = 0;
  for (ULONG i = 0; i < std::size(props); ++i) stored += StoreFixedValue(v, props, i);
  EXPECT_EQ(stored, 11);
  EXPECT_EQ(v.messageClass, u"IPM.Contact");
  EXPECT_EQ(v.subject, u"");
  EXPECT_EQ(v.from, u"Ann");
  EXPECT_EQ(v.clientSubmitTime, u"3/15/2024 1:05 PM");
  EXPECT_EQ(v.DateText(), u"3/15/2024 1:05 PM");
  EXPECT_EQ(v.importance, u"2");
  EXPECT_EQ(v.priority, u"-1");
  EXPECT_EQ(v.readStatus, u"1");
  EXPECT_EQ(v.contact.homePhone, u"0113 8");
  EXPECT_EQ(v.contact.birthday, u"3/15/2024 1:05 PM");
  EXPECT_EQ(v.contact.children, u"Gus");
  EXPECT_EQ(v.contact.comment, u"A comment");
  EXPECT_EQ(v.body, u"");

  const SPropValue none[] = {noChildren};
  EXPECT_TRUE(StoreFixedValue(v, none, 0));
  EXPECT_EQ(v.contact.children, u"");
  // Every tag of the list is one GetProps asks for.
  EXPECT_EQ(FixedPropTags().size(), 18u + 36u);
  EXPECT_EQ(FixedPropTags()[0], PR_MESSAGE_CLASS_W);
}

TEST(ItemValues, NamedValuesAreRecognisedByTheirNameTexts) {
  const struct {
    std::u16string name, value;
    std::u16string ItemValues::*field;
    std::u16string expected;
  } cases[] = {
      {u"id: 0x820D=33293", u"14:05 PM 03/15/2024", &ItemValues::appointmentStart, u"14:05 PM 03/15/2024"},
      {u"id: 0x820E=33294", u"15:00 PM 03/15/2024", &ItemValues::appointmentEnd, u"15:00 PM 03/15/2024"},
      {u"id: 0x8208=33288", u"Room 4", &ItemValues::appointmentLocation, u"Room 4"},
      {u"id: 0x8104=33028", u"09:05 AM 03/04/2024", &ItemValues::taskStart, u" 03/04/2024"},
      {u"id: 0x8105=33029", u"00:00 AM 03/08/2024", &ItemValues::taskDue, u" 03/08/2024"},
      {u"id: 0x8104=33028", u"", &ItemValues::taskStart, u""},
      {u"id: 0x8101=33025", u"2", &ItemValues::taskStatus, u"2"},
      {u"id: 0x8506=34054", u"1", &ItemValues::taskPrivate, u"1"},
      {u"sz: \"Keywords\"", u"2: Red; Blue", &ItemValues::categories, u"2: Red; Blue"},
      {u"sz: \"Keywords\" IDS_NAMEWASANSI", u"1: Red", &ItemValues::categories, u"1: Red"},
      {u"id: 0x8084=32900", u"e1", &ItemValues::email1, u"e1"},
      {u"id: 0x8094=32916", u"e2", &ItemValues::email2, u"e2"},
      {u"id: 0x80A4=32932", u"e3", &ItemValues::email3, u"e3"},
      {u"id: 0x8049=32841", u"UK", &ItemValues::officeCountry, u"UK"},
      {u"id: 0x8046=32838", u"Leeds", &ItemValues::officeCity, u"Leeds"},
      {u"id: 0x8047=32839", u"WY", &ItemValues::officeState, u"WY"},
      {u"id: 0x8045=32837", u"1 Mill Lane", &ItemValues::officeStreet, u"1 Mill Lane"},
      {u"id: 0x8048=32840", u"LS1", &ItemValues::officeZip, u"LS1"},
  };
  for (const auto& c : cases) {
    ItemValues v;
    v.*c.field = u"before";
    EXPECT_TRUE(TakeNamedValue(v, c.name, c.value)) << win32::Utf16ToUtf8(c.name);
    EXPECT_EQ(v.*c.field, c.expected) << win32::Utf16ToUtf8(c.name);
  }
  ItemValues v;
  EXPECT_FALSE(TakeNamedValue(v, u"sz: \"keywords\"", u"x")) << "markers are case-sensitive";
  EXPECT_FALSE(TakeNamedValue(v, u"id: 0x8054=32852", u"x")) << "the member list is no value";
  EXPECT_FALSE(TakeNamedValue(v, u"", u"x"));
  EXPECT_TRUE(v.categories.empty());
}

TEST(ItemValues, TaskDatesAreCutAfterTheirFirstM) {
  const struct {
    std::u16string text, cut;
  } cases[] = {
      {u"09:05 AM 03/04/2024", u" 03/04/2024"},
      {u"14:30 PM 12/31/2023", u" 12/31/2023"},
      {u"M only first", u"M only first"},
      {u"no marker", u"no marker"},
      {u"", u""},
      {u"MAM", u"MAM"},
      {u"AMM", u"M"},
  };
  for (const auto& c : cases) EXPECT_EQ(CutTaskDate(c.text), c.cut) << win32::Utf16ToUtf8(c.text);
}

}  // namespace
