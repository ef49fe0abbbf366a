#include "ItemValues.h"

#include <array>
#include <iterator>
#include <string>

#include "CressingText.h"
#include "ItemTime.h"
#include "mapi/mapitags.h"

namespace {

using As = PropTextAs;

struct FixedValue {
  ULONG tag;
  As as;
  std::u16string& (*field)(ItemValues&);
};

#define TO(member) [](ItemValues& v) -> std::u16string& { return v.member; }
#define TO_CONTACT(member) [](ItemValues& v) -> std::u16string& { return v.contact.member; }

const FixedValue kFixedValues[] = {
    {PR_MESSAGE_CLASS_W, As::Text, TO(messageClass)},
    {PR_SUBJECT_W, As::Text, TO(subject)},
    {PR_SENT_REPRESENTING_NAME_W, As::Text, TO(from)},
    {PR_SENDER_EMAIL_ADDRESS_W, As::Text, TO(senderAddress)},
    {PR_CLIENT_SUBMIT_TIME, As::Time, TO(clientSubmitTime)},
    {PR_MESSAGE_DELIVERY_TIME, As::Time, TO(deliveryTime)},
    {PR_CREATION_TIME, As::Time, TO(creationTime)},
    {PR_BODY_W, As::Text, TO(body)},
    {PR_DISPLAY_TO_W, As::Text, TO(to)},
    {PR_DISPLAY_CC_W, As::Text, TO(cc)},
    {PR_DISPLAY_BCC_W, As::Text, TO(bcc)},
    {PR_READ_RECEIPT_REQUESTED, As::Flag, TO(readStatus)},
    {PR_IMPORTANCE, As::Number, TO(importance)},
    {PR_PRIORITY, As::Number, TO(priority)},
    {PR_DISPLAY_NAME_W, As::Text, TO(displayName)},
    {PR_GIVEN_NAME_W, As::Text, TO(givenName)},
    {PR_SURNAME_W, As::Text, TO(surname)},
    {PR_MIDDLE_NAME_W, As::Text, TO(middleName)},
    {PR_DISPLAY_NAME_PREFIX_W, As::Text, TO_CONTACT(title)},
    {PR_TITLE_W, As::Text, TO_CONTACT(jobTitle)},
    {PR_GENERATION_W, As::Text, TO_CONTACT(suffix)},
    {PR_COMPANY_NAME_W, As::Text, TO_CONTACT(organization)},
    {PR_BUSINESS_TELEPHONE_NUMBER_W, As::Text, TO_CONTACT(officePhone)},
    {PR_BUSINESS_FAX_NUMBER_W, As::Text, TO_CONTACT(faxNumber)},
    {PR_HOME_FAX_NUMBER_W, As::Text, TO_CONTACT(homeFax)},
    {PR_MOBILE_TELEPHONE_NUMBER_W, As::Text, TO_CONTACT(mobilePhone)},
    {PR_PAGER_TELEPHONE_NUMBER_W, As::Text, TO_CONTACT(pager)},
    {PR_ASSISTANT_TELEPHONE_NUMBER_W, As::Text, TO_CONTACT(assistantPhone)},
    {PR_HOME2_TELEPHONE_NUMBER_W, As::Text, TO_CONTACT(home2Phone)},
    {PR_HOME_TELEPHONE_NUMBER_W, As::Text, TO_CONTACT(homePhone)},
    {PR_BUSINESS2_TELEPHONE_NUMBER_W, As::Text, TO_CONTACT(business2Phone)},
    {PR_DEPARTMENT_NAME_W, As::Text, TO_CONTACT(department)},
    {PR_OFFICE_LOCATION_W, As::Text, nullptr},
    {PR_MANAGER_NAME_W, As::Text, TO_CONTACT(manager)},
    {PR_ASSISTANT_W, As::Text, TO_CONTACT(assistant)},
    {PR_SPOUSE_NAME_W, As::Text, TO_CONTACT(spouse)},
    {PR_BIRTHDAY, As::Time, TO_CONTACT(birthday)},
    {PR_CHILDRENS_NAMES_W, As::FirstText, TO_CONTACT(children)},
    {PR_WEDDING_ANNIVERSARY, As::Time, TO_CONTACT(anniversary)},
    {PR_NICKNAME_W, As::Text, TO_CONTACT(nickname)},
    {PR_BUSINESS_HOME_PAGE_W, As::Text, TO_CONTACT(webSite)},
    {PR_POST_OFFICE_BOX_W, As::Text, nullptr},
    {PR_HOME_ADDRESS_CITY_W, As::Text, TO_CONTACT(homeCity)},
    {PR_HOME_ADDRESS_COUNTRY_W, As::Text, TO_CONTACT(homeCountry)},
    {PR_HOME_ADDRESS_POSTAL_CODE_W, As::Text, TO_CONTACT(homeZip)},
    {PR_HOME_ADDRESS_STATE_OR_PROVINCE_W, As::Text, TO_CONTACT(homeState)},
    {PR_HOME_ADDRESS_STREET_W, As::Text, TO_CONTACT(homeStreet)},
    {PR_OTHER_ADDRESS_CITY_W, As::Text, TO_CONTACT(otherCity)},
    {PR_OTHER_ADDRESS_COUNTRY_W, As::Text, TO_CONTACT(otherCountry)},
    {PR_OTHER_ADDRESS_POSTAL_CODE_W, As::Text, TO_CONTACT(otherZip)},
    {PR_OTHER_ADDRESS_STATE_OR_PROVINCE_W, As::Text, TO_CONTACT(otherState)},
    {PR_OTHER_ADDRESS_STREET_W, As::Text, TO_CONTACT(otherStreet)},
    {PR_OTHER_ADDRESS_POST_OFFICE_BOX_W, As::Text, nullptr},
    {PR_COMMENT_W, As::Text, TO_CONTACT(comment)},
};

struct NamedValue {
  const char16_t* marker;
  std::u16string& (*field)(ItemValues&);
  bool cut;
};

const NamedValue kNamedValues[] = {
    {kAppointmentStartName, TO(appointmentStart), false},
    {kAppointmentEndName, TO(appointmentEnd), false},
    {kLocationName, TO(appointmentLocation), false},
    {kTaskStartName, TO(taskStart), true},
    {kTaskDueName, TO(taskDue), true},
    {kTaskStatusName, TO(taskStatus), false},
    {kPrivateName, TO(taskPrivate), false},
    {kKeywordsName, TO(categories), false},
    {kEmail1Name, TO(email1), false},
    {kEmail2Name, TO(email2), false},
    {kEmail3Name, TO(email3), false},
    {kOfficeCountryName, TO(officeCountry), false},
    {kOfficeCityName, TO(officeCity), false},
    {kOfficeStateName, TO(officeState), false},
    {kOfficeStreetName, TO(officeStreet), false},
    {kOfficeZipName, TO(officeZip), false},
};

#undef TO
#undef TO_CONTACT

const auto kFixedTags = [] {
  std::array<ULONG, std::size(kFixedValues)> tags{};
  for (std::size_t i = 0; i < tags.size(); ++i) tags[i] = kFixedValues[i].tag;
  return tags;
}();

std::u16string Decimal(long long value) {
  const std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

}  // namespace

const std::u16string& ItemValues::DateText() const {
  if (!clientSubmitTime.empty()) return clientSubmitTime;
  if (!deliveryTime.empty()) return deliveryTime;
  return creationTime;
}

std::u16string FixedPropText(PropTextAs as, const SPropValue* props, ULONG index) {
  const SPropValue& value = props[index];
  switch (as) {
    case As::Text:
      return WideValue(value);
    case As::Ansi:
      return AnsiValue(value);
    case As::Time:
      return FileTimePropToText(props, index);
    case As::Flag:
      return Decimal(value.Value.b ? 1 : 0);
    case As::Number:
      return Decimal(value.Value.l);
    case As::Unsigned:
      return Decimal(static_cast<ULONG>(value.Value.l));
    case As::FirstText:
      return value.Value.MVszW.cValues && value.Value.MVszW.lppszW && value.Value.MVszW.lppszW[0]
                 ? std::u16string(value.Value.MVszW.lppszW[0])
                 : std::u16string();
  }
  return {};
}

std::span<const ULONG> FixedPropTags() { return kFixedTags; }

bool StoreFixedValue(ItemValues& values, const SPropValue* props, ULONG index) {
  if (!props) return false;
  for (const FixedValue& row : kFixedValues) {
    if (row.tag != props[index].ulPropTag) continue;
    if (!row.field) return false;
    row.field(values) = FixedPropText(row.as, props, index);
    return true;
  }
  return false;
}

bool TakeNamedValue(ItemValues& values, const std::u16string& nameText, const std::u16string& valueText) {
  bool taken = false;
  for (const NamedValue& row : kNamedValues) {
    if (nameText.find(row.marker) == std::u16string::npos) continue;
    row.field(values) = row.cut ? CutTaskDate(valueText) : valueText;
    taken = true;
  }
  return taken;
}

std::u16string CutTaskDate(const std::u16string& text) {
  const std::size_t m = text.find(u'M');
  return m != std::u16string::npos && m > 0 ? text.substr(m + 1) : text;
}
