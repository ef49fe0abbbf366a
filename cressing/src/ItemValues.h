// The values the export loop gathers for one item, made fresh (all empty)
// for every item, and the tables that take them from the item's properties:
// the fixed property list and the named properties recognised by their name
// text. The item text writers read them (ComposeItemText).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ContactRecord.h"
#include "mapi/mapidefs.h"

struct ItemValues {
  // Header values.
  std::u16string clientSubmitTime;  // the three dates as local date and time texts
  std::u16string deliveryTime;
  std::u16string creationTime;
  std::u16string readStatus;
  std::u16string from;
  std::u16string senderAddress;
  std::u16string to;
  std::u16string cc;
  std::u16string bcc;
  std::u16string subject;
  std::u16string body;
  // Type values.
  std::u16string messageClass;
  std::u16string importance;
  std::u16string priority;
  std::u16string displayName;
  std::u16string givenName;
  std::u16string surname;
  std::u16string middleName;
  // Named values.
  std::u16string appointmentStart;
  std::u16string appointmentEnd;
  std::u16string appointmentLocation;
  std::u16string taskStart;  // cut after the first "M" (CutTaskDate)
  std::u16string taskDue;
  std::u16string taskStatus;
  std::u16string taskPrivate;
  std::u16string categories;
  std::u16string email1;
  std::u16string email2;
  std::u16string email3;
  std::u16string officeCountry;
  std::u16string officeCity;
  std::u16string officeState;
  std::u16string officeStreet;
  std::u16string officeZip;

  std::int32_t itemType = 0;  // 0 mail until the message class is seen
  bool skip = false;
  ContactRecord contact;

  // The item's date: the client-submit time, else the delivery time, else
  // the creation time; also the input of the date filter.
  const std::u16string& DateText() const;
};

// How a fixed property value becomes its text: a UTF-16 string, an 8-bit
// string widened from the ANSI code page, a local date and time text, "0" or
// "1", a signed or an unsigned decimal, the first value of a string list.
enum class PropTextAs { Text, Ansi, Time, Flag, Number, Unsigned, FirstText };
std::u16string FixedPropText(PropTextAs as, const SPropValue* props, ULONG index);

// The fixed property list, asked for in one GetProps call (flags 0).
std::span<const ULONG> FixedPropTags();
// Stores props[index] when its tag is one of the fixed list (a value that
// came back as an error matches none); false when it stored nothing.
bool StoreFixedValue(ItemValues& values, const SPropValue* props, ULONG index);

// Stores a named property's value text in every value whose marker its name
// text holds; false when it holds none.
bool TakeNamedValue(ItemValues& values, const std::u16string& nameText, const std::u16string& valueText);
// A task date text cut just after its first "M" when that is not its first
// character ("09:05 AM 03/04/2024" gives " 03/04/2024"); else unchanged.
std::u16string CutTaskDate(const std::u16string& text);

// Name texts of the named properties the loops look for.
inline constexpr char16_t kAppointmentStartName[] = u"id: 0x820D=33293";
inline constexpr char16_t kAppointmentEndName[] = u"id: 0x820E=33294";
inline constexpr char16_t kLocationName[] = u"id: 0x8208=33288";
inline constexpr char16_t kTaskStartName[] = u"id: 0x8104=33028";
inline constexpr char16_t kTaskDueName[] = u"id: 0x8105=33029";
inline constexpr char16_t kTaskStatusName[] = u"id: 0x8101=33025";
inline constexpr char16_t kPrivateName[] = u"id: 0x8506=34054";
inline constexpr char16_t kKeywordsName[] = u"sz: \"Keywords\"";
inline constexpr char16_t kEmail1Name[] = u"id: 0x8084=32900";
inline constexpr char16_t kEmail2Name[] = u"id: 0x8094=32916";
inline constexpr char16_t kEmail3Name[] = u"id: 0x80A4=32932";
inline constexpr char16_t kOfficeCountryName[] = u"id: 0x8049=32841";
inline constexpr char16_t kOfficeCityName[] = u"id: 0x8046=32838";
inline constexpr char16_t kOfficeStateName[] = u"id: 0x8047=32839";
inline constexpr char16_t kOfficeStreetName[] = u"id: 0x8045=32837";
inline constexpr char16_t kOfficeZipName[] = u"id: 0x8048=32840";
inline constexpr char16_t kMembersName[] = u"id: 0x8054=32852";
