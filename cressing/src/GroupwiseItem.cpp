#include "GroupwiseItem.h"

#include <array>
#include <iterator>

#include "ItemText.h"
#include "ItemValues.h"
#include "mapi/mapitags.h"

namespace {

using As = PropTextAs;
using Field = std::u16string GroupwiseValues::*;

struct FixedValue {
  ULONG tag;
  As as;
  Field field;
};

const FixedValue kFixedValues[] = {
    {PR_MESSAGE_CLASS_W, As::Text, &GroupwiseValues::messageClass},
    {PR_SUBJECT_W, As::Text, &GroupwiseValues::subject},
    {PR_SENDER_NAME_W, As::Text, &GroupwiseValues::from},
    {PR_CREATION_TIME, As::Time, &GroupwiseValues::creationTime},
    {PR_BODY_W, As::Text, &GroupwiseValues::body},
    {PR_DISPLAY_TO_W, As::Text, &GroupwiseValues::to},
    {PR_DISPLAY_CC_W, As::Text, &GroupwiseValues::cc},
    {PR_DISPLAY_BCC_W, As::Text, &GroupwiseValues::bcc},
    {PR_READ_RECEIPT_REQUESTED, As::Flag, &GroupwiseValues::readStatus},
    {PR_PRIORITY, As::Number, &GroupwiseValues::priority},
    {PR_DISPLAY_NAME_W, As::Text, &GroupwiseValues::fullName},
    {PR_GIVEN_NAME_W, As::Text, &GroupwiseValues::firstName},
    {PR_SURNAME_W, As::Text, &GroupwiseValues::lastName},
    {PR_MIDDLE_NAME_W, As::Text, &GroupwiseValues::middleName},
    {PR_INITIALS_W, As::Text, &GroupwiseValues::initials},
    {PR_GENERATION_W, As::Text, &GroupwiseValues::suffix},
    {PR_TITLE_W, As::Text, &GroupwiseValues::title},
    {PR_COMPANY_NAME_W, As::Text, &GroupwiseValues::companyName},
    {PR_DEPARTMENT_NAME_W, As::Text, &GroupwiseValues::department},
    {PR_COMPANY_MAIN_PHONE_NUMBER_W, As::Text, &GroupwiseValues::companyMainPhone},
    {PR_HOME_TELEPHONE_NUMBER_W, As::Text, &GroupwiseValues::homePhone},
    {PR_PRIMARY_TELEPHONE_NUMBER_W, As::Text, &GroupwiseValues::primaryPhone},
    {PR_MOBILE_TELEPHONE_NUMBER_W, As::Text, &GroupwiseValues::mobilePhone},
    {PR_BUSINESS_TELEPHONE_NUMBER_W, As::Text, &GroupwiseValues::phoneNumber},
    {PR_PAGER_TELEPHONE_NUMBER_W, As::Text, &GroupwiseValues::pagerNumber},
    {PR_BUSINESS_FAX_NUMBER_W, As::Text, &GroupwiseValues::faxNumber},
    {PR_ISDN_NUMBER_W, As::Text, &GroupwiseValues::isdnNumber},
    {PR_BIRTHDAY, As::Time, &GroupwiseValues::birthday},
    {PR_BUSINESS_HOME_PAGE_W, As::Text, &GroupwiseValues::webPage},
    {PR_FTP_SITE_W, As::Text, &GroupwiseValues::officeWebSite},
    {PR_HOME_ADDRESS_CITY_W, As::Text, &GroupwiseValues::homeCity},
    {PR_HOME_ADDRESS_COUNTRY_W, As::Text, &GroupwiseValues::homeCountry},
    {PR_HOME_ADDRESS_POSTAL_CODE_W, As::Text, &GroupwiseValues::homePostalCode},
    {PR_HOME_ADDRESS_STATE_OR_PROVINCE_W, As::Text, &GroupwiseValues::homeState},
    {PR_COUNTRY_W, As::Text, &GroupwiseValues::country},
    {PR_LOCALITY_W, As::Text, &GroupwiseValues::city},
    {PR_STATE_OR_PROVINCE_W, As::Text, &GroupwiseValues::state},
    {PR_POSTAL_CODE_W, As::Text, &GroupwiseValues::postalCode},
    {PR_POST_OFFICE_BOX_W, As::Text, &GroupwiseValues::postOffice},
    {PR_RESOURCE_TYPE, As::Unsigned, &GroupwiseValues::resourceType},
    {kGroupwiseEmail1Tag, As::Ansi, &GroupwiseValues::email1},
    {kGroupwiseEmail2Tag, As::Ansi, &GroupwiseValues::email2},
    {kGroupwiseEmail3Tag, As::Ansi, &GroupwiseValues::email3},
};

const auto kFixedTags = [] {
  std::array<ULONG, std::size(kFixedValues)> tags{};
  for (std::size_t i = 0; i < tags.size(); ++i) tags[i] = kFixedValues[i].tag;
  return tags;
}();

// The lines of "GroupwiseContact.txt" in their order. "HomeAddress" carries
// the home city and "Address" the postal code: the street is not read.
const std::pair<const char16_t*, Field> kContactLines[] = {
    {u"FullName : ", &GroupwiseValues::fullName},
    {u"Email1Address : ", &GroupwiseValues::email1},
    {u"FirstName : ", &GroupwiseValues::firstName},
    {u"CompanyMainTelephoneNumber : ", &GroupwiseValues::companyMainPhone},
    {u"HomeTelephoneNumber :", &GroupwiseValues::homePhone},
    {u"LastName : ", &GroupwiseValues::lastName},
    {u"CompanyName : ", &GroupwiseValues::companyName},
    {u"Title : ", &GroupwiseValues::title},
    {u"Department : ", &GroupwiseValues::department},
    {u"PrimaryTelephoneNumber : ", &GroupwiseValues::primaryPhone},
    {u"MobileTelephoneNumber : ", &GroupwiseValues::mobilePhone},
    {u"Birthday : ", &GroupwiseValues::birthday},
    {u"MiddleName : ", &GroupwiseValues::middleName},
    {u"Initials : ", &GroupwiseValues::initials},
    {u"WebPage : ", &GroupwiseValues::webPage},
    {u"HomeAddressCity : ", &GroupwiseValues::homeCity},
    {u"HomeAddressCountry : ", &GroupwiseValues::homeCountry},
    {u"HomeAddressPostalCode : ", &GroupwiseValues::homePostalCode},
    {u"HomeAddressState : ", &GroupwiseValues::homeState},
    {u"HomeAddress : ", &GroupwiseValues::homeCity},
    {u"ISDNNumber : ", &GroupwiseValues::isdnNumber},
    {u"Suffix : ", &GroupwiseValues::suffix},
    {u"PhoneNumber : ", &GroupwiseValues::phoneNumber},
    {u"PagerNumber : ", &GroupwiseValues::pagerNumber},
    {u"FaxNumber : ", &GroupwiseValues::faxNumber},
    {u"Country : ", &GroupwiseValues::country},
    {u"City : ", &GroupwiseValues::city},
    {u"State : ", &GroupwiseValues::state},
    {u"Address : ", &GroupwiseValues::postalCode},
    {u"ZIPCode : ", &GroupwiseValues::postalCode},
    {u"OfficeWebsite : ", &GroupwiseValues::officeWebSite},
    {u"PostOffice : ", &GroupwiseValues::postOffice},
    {u"ResourceType : ", &GroupwiseValues::resourceType},
    {u"CreationDate : ", &GroupwiseValues::creationTime},
    {u"From : ", &GroupwiseValues::from},
    {u"To : ", &GroupwiseValues::to},
    {u"CC : ", &GroupwiseValues::cc},
    {u"Bcc : ", &GroupwiseValues::bcc},
    {u"Subject : ", &GroupwiseValues::subject},
};
static_assert(std::size(kContactLines) == 39);

}  // namespace

void GroupwiseValues::JoinEmails() {
  if (!email2.empty()) email1 += u", " + email2;
  if (!email3.empty()) email1 += u", " + email3;
}

std::span<const ULONG> GroupwisePropTags() { return kFixedTags; }

bool StoreGroupwiseValue(GroupwiseValues& values, const SPropValue* props, ULONG index) {
  if (!props) return false;
  for (const FixedValue& row : kFixedValues) {
    if (row.tag != props[index].ulPropTag) continue;
    values.*row.field = FixedPropText(row.as, props, index);
    return true;
  }
  return false;
}

// Every value stands on its own line: its line breaks are written as blanks
// so that each label keeps its line.
std::u16string WriteGroupwiseContact(const GroupwiseValues& values) {
  std::u16string text;
  for (const auto& [label, field] : kContactLines) text += LabelledLine(label, values.*field);
  return text;
}
