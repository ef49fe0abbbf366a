#include "CorvidOutlookProfileManager.h"

#include <exception>

#include "com/com.h"
#include "win32/ui.h"

namespace {

// Members of the automation servers.
constexpr DISPID kSessionLoggedOn = 2;
constexpr DISPID kSessionLogon = 4;
constexpr DISPID kSessionStores = 6;
constexpr DISPID kSessionLogoff = 18;
constexpr DISPID kSessionParentWindow = 0x6002002B;
constexpr DISPID kStoresAddPst = 5;
constexpr DISPID kStoreClose = 6;
constexpr DISPID kProfilesCount = 1;
constexpr DISPID kProfilesItem = 2;
constexpr DISPID kProfilesAdd = 3;
constexpr DISPID kProfileDelete = 3;
constexpr DISPID kProfileServices = 5;
constexpr DISPID kServicesAdd = 3;
constexpr DISPID kBagAdd = 3;
constexpr DISPID kServiceConfigure = 7;
constexpr DISPID kServiceProviders = 1;
constexpr DISPID kProvidersCount = 1;
constexpr DISPID kProvidersItem = 2;
constexpr DISPID kProviderSection = 7;
constexpr DISPID kSectionItem = 5;

// MAPI profile properties of an Exchange service.
constexpr LONG PR_PROFILE_UNRESOLVED_SERVER = 0x6608001E;
constexpr LONG PR_PROFILE_UNRESOLVED_NAME = 0x6607001E;
constexpr LONG PR_PROFILE_CONFIG_FLAGS = 0x66010003;
constexpr LONG kConfigFlags = 17;

constexpr char16_t kProfilesProgId[] = u"ProfMan.Profiles";
constexpr char16_t kPropertyBagProgId[] = u"ProfMan.PropertyBag";
constexpr char16_t kSessionProgId[] = u"Redemption.RDOSession";

constexpr char16_t kCreateDispatchFailed[] = u"Create Dispatch failed.";
constexpr char16_t kAddProfileFailed[] = u"Fail to add profile.";
constexpr char16_t kAddMsemsFailed[] = u"Add MSEMS Failed.";
constexpr char16_t kAddBagPropertyFailed[] = u"Fail to add property in property bag.";
// Texts of failures that are not left uncaught any more.
constexpr char16_t kAddStoreFailed[] = u"Fail to add PST store.";
constexpr char16_t kSectionPropertyFailed[] = u"Fail to set profile section property.";

// Messages of the servers: error texts keep their first 254 characters, the
// cut of a failed store add looks at the first 511.
constexpr UINT kErrorTextBuffer = 255;
constexpr UINT kAddStoreMessageBuffer = 512;

CString MessageOf(const CException& e, UINT buffer) {
  std::u16string text(buffer, u'\0');
  e.GetErrorMessage(text.data(), buffer);
  text.resize(text.find(u'\0'));
  return text;
}

// How a failed step picks its error text.
enum class Texts {
  kMessage,  // a dispatch exception's message, else the step's text
  kFixed,    // the step's text whatever was thrown
};

// The error text of a failed step from the exception it threw.
CString FailureText(std::exception_ptr thrown, Texts texts, const CString& text, const CString& otherText) {
  try {
    std::rethrow_exception(thrown);
  } catch (const COleDispatchException& e) {
    if (texts == Texts::kFixed) return text;
    const CString message = MessageOf(e, kErrorTextBuffer);
    return message.empty() ? text : message;
  } catch (...) {
    return otherText.empty() ? text : otherText;
  }
}

// The argument types of a call, as the dispatch driver takes them.
const BYTE* Params(const char* types) { return reinterpret_cast<const BYTE*>(types); }

LONG WindowValue(HWND hwnd) { return static_cast<LONG>(win32::HandleValue(hwnd)); }

IDispatch* GetDispatch(COleDispatchDriver& object, DISPID id) {
  IDispatch* result = nullptr;
  object.GetProperty(id, VT_DISPATCH, &result);
  return result;
}

void PutSectionProperty(COleDispatchDriver& section, LONG tag, const CString& value) {
  COleVariant variant(std::u16string_view{value});
  section.InvokeHelper(kSectionItem, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, Params(VTS_I4 VTS_VARIANT), tag,
                       &variant);
}

void AddBagProperty(COleDispatchDriver& bag, LONG tag, const COleVariant& value) {
  bag.InvokeHelper(kBagAdd, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_I4 VTS_VARIANT), tag, &value);
}

// Runs one step of an operation: TRUE when it ran; when it threw, FALSE
// with the error text the step gives for what was thrown.
template <class Call>
BOOL RunStep(CCorvidOutlookProfileManager& manager, Call call, const CString& text, Texts texts = Texts::kMessage,
             const CString& otherText = CString()) {
  try {
    call();
    return TRUE;
  } catch (...) {
    manager.SetErrorText(FailureText(std::current_exception(), texts, text, otherText));
    return FALSE;
  }
}

// CreateDispatch as a step: FALSE, with `notCreated`, when no object is made.
BOOL CreateStep(CCorvidOutlookProfileManager& manager, COleDispatchDriver& driver, LPCWSTR progId,
                const CString& notCreated, const CString& thrown, Texts texts = Texts::kMessage) {
  BOOL created = FALSE;
  const auto create = [&] { created = driver.CreateDispatch(progId); };
  if (!RunStep(manager, create, thrown, texts)) return FALSE;
  if (!created) manager.SetErrorText(notCreated);
  return created;
}

}  // namespace

CString NewGuidString() {
  GUID guid;
  CoCreateGuid(&guid);
  WCHAR text[260] = {};
  StringFromGUID2(guid, text, 260);
  return text;
}

CString CutAddStoreMessage(const CString& message) {
  static constexpr std::u16string_view kError = u"\r\nError: ";
  static constexpr std::u16string_view kComponent = u"\r\nComponent: ";
  const std::size_t error = message.find(kError);
  if (error == CString::npos || error == 0) return {};
  const std::size_t from = error + kError.size();
  const std::size_t component = message.find(kComponent, from);
  if (component == CString::npos) return {};
  return message.substr(from, component - from);
}

CCorvidOutlookProfileManager::CCorvidOutlookProfileManager() {
  AfxOleInit();
  RDOSession.CreateDispatch(kSessionProgId);
}

CCorvidOutlookProfileManager::~CCorvidOutlookProfileManager() {
  ProfileObject.ReleaseDispatch();
  Profiles.ReleaseDispatch();
  if (PstStore.m_lpDispatch) {
    try {
      PstStore.InvokeHelper(kStoreClose, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_NONE));
    } catch (...) {
    }
    PstStore.ReleaseDispatch();
  }
  SessionStores.ReleaseDispatch();
  if (RDOSession.m_lpDispatch) {
    LogoffSession();
    RDOSession.ReleaseDispatch();
  }
}

BOOL CCorvidOutlookProfileManager::CreatePstProfile(const CStringArray& pstPaths, CString& profileName, HWND parent) {
  SetErrorText(CString());
  const CString name = NewGuidString();
  if (!CreateStep(*this, Profiles, kProfilesProgId, kCreateDispatchFailed, kCreateDispatchFailed)) return FALSE;
  if (!AddNewProfile(name, parent)) return FALSE;
  profileName = name;
  if (LogonAndAddPstStores(name, pstPaths, parent, TRUE)) return TRUE;
  DeleteNewProfile();
  return FALSE;
}

BOOL CCorvidOutlookProfileManager::LogonAndAddPstStores(const CString& profileName, const CStringArray& pstPaths,
                                                        HWND parent, BOOL setParentWindow) {
  SetErrorText(CString());
  if (!RDOSession.m_lpDispatch) {
    SetErrorText(kCreateDispatchFailed);
    return FALSE;
  }
  // A session still on the profile of an earlier request would take the
  // new stores into that profile.
  LogoffSession();
  const COleVariant name(std::u16string_view{profileName}), zero(0L), one(1L), window(WindowValue(parent));
  try {
    RDOSession.InvokeHelper(kSessionLogon, DISPATCH_METHOD, VT_EMPTY, nullptr,
                            Params(VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT), &name,
                            &zero, &zero, &one, &window, &zero);
  } catch (...) {
  }
  if (setParentWindow) {
    try {
      RDOSession.SetProperty(kSessionParentWindow, VT_VARIANT, &window);
    } catch (...) {
    }
  }

  BOOL added = FALSE;
  const auto addStores = [&] {
    SessionStores.AttachDispatch(GetDispatch(RDOSession, kSessionStores));
    for (const CString& path : pstPaths) {
      try {
        const COleVariant displayName(std::u16string_view{path});
        IDispatch* store = nullptr;
        SessionStores.InvokeHelper(kStoresAddPst, DISPATCH_METHOD, VT_DISPATCH, &store,
                                   Params(VTS_BSTR VTS_VARIANT VTS_VARIANT), path.c_str(), &one, &displayName);
        PstStore.AttachDispatch(store);
        added = TRUE;
      } catch (const COleDispatchException& e) {
        const CString cut = CutAddStoreMessage(MessageOf(e, kAddStoreMessageBuffer));
        if (!cut.empty()) SetErrorText(cut);
      }
    }
  };
  const BOOL ran = RunStep(*this, addStores, kAddStoreFailed);
  if (added) return TRUE;
  if (ran && GetErrorText().empty()) SetErrorText(kAddStoreFailed);
  return FALSE;
}

BOOL CCorvidOutlookProfileManager::CreateExchangeProfile(const CString& mailbox, const CString& server,
                                                         CString& profileName, HWND parent) {
  SetErrorText(CString());
  if (!CreateStep(*this, Profiles, kProfilesProgId, kCreateDispatchFailed, kCreateDispatchFailed)) return FALSE;
  LONG count = 0;
  const auto readCount = [&] { Profiles.GetProperty(kProfilesCount, VT_I4, &count); };
  if (!RunStep(*this, readCount, u"Could not retrieve profiles count.")) return FALSE;
  const CString name = NewGuidString();
  profileName = name;
  if (!AddNewProfile(name, parent)) return FALSE;
  if (AddExchangeService(mailbox, server, parent)) return TRUE;
  DeleteNewProfile();
  return FALSE;
}

BOOL CCorvidOutlookProfileManager::AddExchangeService(const CString& mailbox, const CString& server, HWND parent) {
  const auto getServices = [&] { ProfileServices.AttachDispatch(GetDispatch(ProfileObject, kProfileServices)); };
  if (!RunStep(*this, getServices, u"Get Profile Services Failed.")) return FALSE;
  if (!ProfileServices.m_lpDispatch) {
    SetErrorText(u"Services Dispatch Failed.");
    return FALSE;
  }
  const auto addService = [&] {
    IDispatch* service = nullptr;
    ProfileServices.InvokeHelper(kServicesAdd, DISPATCH_METHOD, VT_DISPATCH, &service,
                                 Params(VTS_BSTR VTS_BSTR VTS_BOOL VTS_I4), u"MSEMS", u"Microsoft Exchange", FALSE,
                                 WindowValue(parent));
    ProfileService.AttachDispatch(service);
  };
  if (!RunStep(*this, addService, kAddMsemsFailed)) return FALSE;
  if (!ProfileService.m_lpDispatch) {
    SetErrorText(kAddMsemsFailed);
    return FALSE;
  }

  if (!CreateStep(*this, PropertyBag, kPropertyBagProgId, u"Create dispatch  Failed.",
                  u"Create dispatch failed for property bag.", Texts::kFixed))
    return FALSE;
  const auto addNames = [&] {
    AddBagProperty(PropertyBag, PR_PROFILE_UNRESOLVED_SERVER, COleVariant(std::u16string_view{server}));
    AddBagProperty(PropertyBag, PR_PROFILE_UNRESOLVED_NAME, COleVariant(std::u16string_view{mailbox}));
  };
  if (!RunStep(*this, addNames, kAddBagPropertyFailed, Texts::kFixed)) return FALSE;
  const auto addFlags = [&] { AddBagProperty(PropertyBag, PR_PROFILE_CONFIG_FLAGS, COleVariant(kConfigFlags)); };
  if (!RunStep(*this, addFlags, kAddBagPropertyFailed, Texts::kMessage, u"Fail to add profile property.")) return FALSE;

  try {
    ProfileService.InvokeHelper(kServiceConfigure, DISPATCH_METHOD, VT_EMPTY, nullptr,
                                Params(VTS_I4 VTS_I4 VTS_DISPATCH), 0, WindowValue(parent), PropertyBag.m_lpDispatch);
  } catch (...) {
    // The service stays as added: its providers get the names directly.
    return SetProviderSectionProps(mailbox, server, ProfileService);
  }
  return TRUE;
}

BOOL CCorvidOutlookProfileManager::SetProviderSectionProps(const CString& mailbox, const CString& server,
                                                           COleDispatchDriver& service) {
  COleDispatchDriver providers;
  LONG count = 0;
  try {
    providers.AttachDispatch(GetDispatch(service, kServiceProviders));
    providers.GetProperty(kProvidersCount, VT_I4, &count);
  } catch (...) {
    count = 0;
  }
  for (LONG index = 1; index <= count; ++index) {
    COleDispatchDriver provider, section;
    try {
      IDispatch* found = nullptr;
      providers.InvokeHelper(kProvidersItem, DISPATCH_PROPERTYGET, VT_DISPATCH, &found, Params(VTS_I4), index);
      provider.AttachDispatch(found);
      section.AttachDispatch(GetDispatch(provider, kProviderSection));
    } catch (...) {
      continue;
    }
    if (!section.m_lpDispatch) continue;
    const auto putNames = [&] {
      PutSectionProperty(section, PR_PROFILE_UNRESOLVED_SERVER, server);
      PutSectionProperty(section, PR_PROFILE_UNRESOLVED_NAME, mailbox);
    };
    if (!RunStep(*this, putNames, kSectionPropertyFailed)) return FALSE;
  }
  return TRUE;
}

BOOL CCorvidOutlookProfileManager::FindProfile(const CString& profileName) {
  if (profileName.empty()) return FALSE;
  if (!Profiles.CreateDispatch(kProfilesProgId)) return FALSE;
  LONG count = 0;
  Profiles.GetProperty(kProfilesCount, VT_I4, &count);
  const COleVariant name(std::u16string_view{profileName});
  IDispatch* found = nullptr;
  Profiles.InvokeHelper(kProfilesItem, DISPATCH_PROPERTYGET, VT_DISPATCH, &found, Params(VTS_VARIANT), &name);
  ProfileObject.AttachDispatch(found);
  return ProfileObject.m_lpDispatch != nullptr;
}

// A lookup that fails leaves the profile object held before, which is then
// the one deleted.
BOOL CCorvidOutlookProfileManager::DeleteProfile(const CString& profileName) {
  try {
    FindProfile(profileName);
  } catch (...) {
  }
  try {
    if (ProfileObject.m_lpDispatch)
      ProfileObject.InvokeHelper(kProfileDelete, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_NONE));
  } catch (...) {
  }
  return TRUE;
}

BOOL CCorvidOutlookProfileManager::CheckSession(HWND owner) {
  COleException error;
  const BOOL created = RDOSession.CreateDispatch(kSessionProgId, &error);
  if (!created) MessageBoxW(owner, MessageOf(error, kErrorTextBuffer).c_str(), u"Brackenford Engine", MB_ICONERROR);
  return created;
}

BOOL CCorvidOutlookProfileManager::AddNewProfile(const CString& name, HWND parent) {
  const auto add = [&] {
    IDispatch* profile = nullptr;
    Profiles.InvokeHelper(kProfilesAdd, DISPATCH_METHOD, VT_DISPATCH, &profile,
                          Params(VTS_BSTR VTS_BOOL VTS_BOOL VTS_I4), name.c_str(), FALSE, FALSE, WindowValue(parent));
    ProfileObject.AttachDispatch(profile);
  };
  if (!RunStep(*this, add, kAddProfileFailed)) return FALSE;
  if (!ProfileObject.m_lpDispatch) SetErrorText(kAddProfileFailed);
  return ProfileObject.m_lpDispatch != nullptr;
}

void CCorvidOutlookProfileManager::DeleteNewProfile() {
  try {
    ProfileObject.InvokeHelper(kProfileDelete, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_NONE));
  } catch (...) {
  }
  ProfileObject.ReleaseDispatch();
}

void CCorvidOutlookProfileManager::LogoffSession() {
  try {
    BOOL loggedOn = FALSE;
    RDOSession.GetProperty(kSessionLoggedOn, VT_BOOL, &loggedOn);
    if (loggedOn) RDOSession.InvokeHelper(kSessionLogoff, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_NONE));
  } catch (...) {
  }
}
