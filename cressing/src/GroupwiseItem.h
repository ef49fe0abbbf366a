// One item of the second export mode: its values, made fresh (all empty)
// for every item, the fixed property list they come from, and the flat
// contact file "GroupwiseContact.txt" that its contacts are written as.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "mapi/mapidefs.h"

struct GroupwiseValues {
  // Header values.
  std::u16string creationTime;  // the only date this mode reads
  std::u16string readStatus;
  std::u16string from;  // the sender's name
  std::u16string to;
  std::u16string cc;
  std::u16string bcc;
  std::u16string subject;
  std::u16string body;
  std::u16string priority;
  std::u16string messageClass;
  // Contact values.
  std::u16string fullName;
  std::u16string firstName;
  std::u16string lastName;
  std::u16string middleName;
  std::u16string initials;
  std::u16string suffix;
  std::u16string title;
  std::u16string companyName;
  std::u16string department;
  std::u16string companyMainPhone;
  std::u16string homePhone;
  std::u16string primaryPhone;
  std::u16string mobilePhone;
  std::u16string phoneNumber;
  std::u16string pagerNumber;
  std::u16string faxNumber;
  std::u16string isdnNumber;
  std::u16string birthday;
  std::u16string webPage;
  std::u16string officeWebSite;
  std::u16string homeCity;
  std::u16string homeCountry;
  std::u16string homePostalCode;
  std::u16string homeState;
  std::u16string country;
  std::u16string city;
  std::u16string state;
  std::u16string postalCode;
  std::u16string postOffice;
  std::u16string resourceType;
  std::u16string email1;  // after JoinEmails, all three
  std::u16string email2;
  std::u16string email3;
  // Named values.
  std::u16string appointmentStart;
  std::u16string appointmentEnd;
  std::u16string location;
  std::u16string taskStart;  // cut after the first "M"
  std::u16string taskDue;
  std::u16string taskStatus;
  std::u16string categories;

  std::int32_t itemType = 0;  // 0 mail until the message class is seen

  // E-mail 1, then ", " and e-mail 2 when that is not empty, then ", " and
  // e-mail 3 when that is not empty.
  void JoinEmails();
};

// The three e-mail addresses: 8-bit strings under fixed tags of the named
// range, asked for as they stand.
inline constexpr ULONG kGroupwiseEmail1Tag = 0x8043001E;
inline constexpr ULONG kGroupwiseEmail2Tag = 0x8044001E;
inline constexpr ULONG kGroupwiseEmail3Tag = 0x8045001E;

inline constexpr char16_t kGroupwiseContactFile[] = u"GroupwiseContact.txt";

// The fixed property list of the second mode, asked for in one GetProps
// call (flags 0).
std::span<const ULONG> GroupwisePropTags();
// Stores props[index] when its tag is one of that list (a value that came
// back as an error matches none); false when it stored nothing.
bool StoreGroupwiseValue(GroupwiseValues& values, const SPropValue* props, ULONG index);

// The whole text of "GroupwiseContact.txt": 39 lines of a label and the
// value, each ending in CR LF, no type line and no header block.
std::u16string WriteGroupwiseContact(const GroupwiseValues& values);
