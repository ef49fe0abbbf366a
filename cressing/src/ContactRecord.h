// The fields of one contact on their way from the item's properties to the
// contact's tag lines. The export loop makes a fresh record for every item
// and assigns the fields directly; the writer reads them through the getters.
#pragma once

#include <string>

class ContactRecord {
 public:
  // The property behind each field and the tag line that writes it are in
  // ItemText.cpp (kContactTags) and ItemValues.cpp (kFixedValues).
  std::u16string title;           // PR_DISPLAY_NAME_PREFIX_W
  std::u16string jobTitle;        // PR_TITLE_W
  std::u16string suffix;          // PR_GENERATION_W
  std::u16string organization;    // PR_COMPANY_NAME_W
  std::u16string email1Display;   // named, contacts only
  std::u16string email2Display;   // named, contacts only
  std::u16string email3Display;   // named, contacts only
  std::u16string officePhone;     // PR_BUSINESS_TELEPHONE_NUMBER_W
  std::u16string officePhone2;    // no source
  std::u16string faxNumber;       // PR_BUSINESS_FAX_NUMBER_W
  std::u16string homeFax;         // PR_HOME_FAX_NUMBER_W
  std::u16string mobilePhone;     // PR_MOBILE_TELEPHONE_NUMBER_W
  std::u16string pager;           // PR_PAGER_TELEPHONE_NUMBER_W
  std::u16string assistantPhone;  // PR_ASSISTANT_TELEPHONE_NUMBER_W
  std::u16string home2Phone;      // PR_HOME2_TELEPHONE_NUMBER_W
  std::u16string homePhone;       // PR_HOME_TELEPHONE_NUMBER_W
  std::u16string business2Phone;  // PR_BUSINESS2_TELEPHONE_NUMBER_W
  std::u16string cellularPhone;   // no source
  std::u16string department;      // PR_DEPARTMENT_NAME_W
  std::u16string manager;         // PR_MANAGER_NAME_W
  std::u16string assistant;       // PR_ASSISTANT_W
  std::u16string spouse;          // PR_SPOUSE_NAME_W
  std::u16string birthday;        // PR_BIRTHDAY as local date and time text
  std::u16string children;        // first value of PR_CHILDRENS_NAMES_W
  std::u16string anniversary;     // PR_WEDDING_ANNIVERSARY as local date and time text
  std::u16string categories;      // Keywords text, contacts only
  std::u16string officeCountry;   // named, contacts only
  std::u16string officeCity;      // named, contacts only
  std::u16string officeState;     // named, contacts only
  std::u16string officeStreet;    // named, contacts only
  std::u16string officeZip;       // named, contacts only
  std::u16string homeCity;        // PR_HOME_ADDRESS_CITY_W
  std::u16string homeCountry;     // PR_HOME_ADDRESS_COUNTRY_W
  std::u16string homeZip;         // PR_HOME_ADDRESS_POSTAL_CODE_W
  std::u16string homeState;       // PR_HOME_ADDRESS_STATE_OR_PROVINCE_W
  std::u16string homeStreet;      // PR_HOME_ADDRESS_STREET_W
  std::u16string otherCity;       // PR_OTHER_ADDRESS_CITY_W
  std::u16string otherCountry;    // PR_OTHER_ADDRESS_COUNTRY_W
  std::u16string otherZip;        // PR_OTHER_ADDRESS_POSTAL_CODE_W
  std::u16string otherState;      // PR_OTHER_ADDRESS_STATE_OR_PROVINCE_W
  std::u16string otherStreet;     // PR_OTHER_ADDRESS_STREET_W
  std::u16string webSite;         // PR_BUSINESS_HOME_PAGE_W
  std::u16string nickname;        // PR_NICKNAME_W
  std::u16string comment;         // PR_COMMENT_W; a contact's body replaces it

  std::u16string GetTitle() const { return title; }
  std::u16string GetJobTitle() const { return jobTitle; }
  std::u16string GetSuffix() const { return suffix; }
  std::u16string GetOrganization() const { return organization; }
  std::u16string GetEmail1Display() const { return email1Display; }
  std::u16string GetEmail2Display() const { return email2Display; }
  std::u16string GetEmail3Display() const { return email3Display; }
  std::u16string GetOfficePhone() const { return officePhone; }
  std::u16string GetOfficePhone2() const { return officePhone2; }
  std::u16string GetFaxNumber() const { return faxNumber; }
  std::u16string GetHomeFax() const { return homeFax; }
  std::u16string GetMobilePhone() const { return mobilePhone; }
  std::u16string GetPager() const { return pager; }
  std::u16string GetAssistantPhone() const { return assistantPhone; }
  std::u16string GetHome2Phone() const { return home2Phone; }
  std::u16string GetHomePhone() const { return homePhone; }
  std::u16string GetBusiness2Phone() const { return business2Phone; }
  std::u16string GetCellularPhone() const { return cellularPhone; }
  std::u16string GetDepartment() const { return department; }
  std::u16string GetManager() const { return manager; }
  std::u16string GetAssistant() const { return assistant; }
  std::u16string GetSpouse() const { return spouse; }
  std::u16string GetBirthday() const { return birthday; }
  std::u16string GetChildren() const { return children; }
  std::u16string GetAnniversary() const { return anniversary; }
  std::u16string GetCategories() const { return categories; }
  std::u16string GetOfficeCountry() const { return officeCountry; }
  std::u16string GetOfficeCity() const { return officeCity; }
  std::u16string GetOfficeState() const { return officeState; }
  std::u16string GetOfficeStreet() const { return officeStreet; }
  std::u16string GetOfficeZip() const { return officeZip; }
  std::u16string GetHomeCity() const { return homeCity; }
  std::u16string GetHomeCountry() const { return homeCountry; }
  std::u16string GetHomeZip() const { return homeZip; }
  std::u16string GetHomeState() const { return homeState; }
  std::u16string GetHomeStreet() const { return homeStreet; }
  std::u16string GetOtherCity() const { return otherCity; }
  std::u16string GetOtherCountry() const { return otherCountry; }
  std::u16string GetOtherZip() const { return otherZip; }
  std::u16string GetOtherState() const { return otherState; }
  std::u16string GetOtherStreet() const { return otherStreet; }
  std::u16string GetWebSite() const { return webSite; }
  std::u16string GetNickname() const { return nickname; }
  std::u16string GetComment() const { return comment; }
};
