// The profile manager: makes and removes the temporary MAPI profiles that
// Cressing logs on to, as a late-bound client of ProfMan (profiles and their
// services) and Redemption (a session on a new PST profile that adds its
// stores). Failures come back as FALSE with a last-error text.
#pragma once

#include "mfc/afxole.h"
#include "mfc/strings.h"
#include "win32/window.h"

class CCorvidOutlookProfileManager {
 public:
  CCorvidOutlookProfileManager();
  virtual ~CCorvidOutlookProfileManager();
  CCorvidOutlookProfileManager(const CCorvidOutlookProfileManager&) = delete;
  CCorvidOutlookProfileManager& operator=(const CCorvidOutlookProfileManager&) = delete;

  // A new profile holding the PST files; its name in profileName.
  BOOL CreatePstProfile(const CStringArray& pstPaths, CString& profileName, HWND parent);
  // Logs the session on to the profile and adds a store for each path; TRUE
  // when at least one store was added.
  BOOL LogonAndAddPstStores(const CString& profileName, const CStringArray& pstPaths, HWND parent,
                            BOOL setParentWindow);
  // A new profile for the mailbox on the Exchange server.
  BOOL CreateExchangeProfile(const CString& mailbox, const CString& server, CString& profileName, HWND parent);
  // Writes the server and the mailbox into every provider's profile section
  // of the service. FALSE (with the error text) when a section refuses them.
  BOOL SetProviderSectionProps(const CString& mailbox, const CString& server, COleDispatchDriver& service);
  // TRUE when a profile object is held afterwards.
  BOOL FindProfile(const CString& profileName);
  // Deletes the profile found by name, else the one held; TRUE.
  BOOL DeleteProfile(const CString& profileName);
  // Whether a Redemption session can be made; a box tells why not.
  BOOL CheckSession(HWND owner);

  void SetErrorText(const CString& text) { m_errorText = text; }
  CString GetErrorText() const { return m_errorText; }

 private:
  // Adds a profile named `name` into ProfileObject; FALSE with the error
  // text when there is none.
  BOOL AddNewProfile(const CString& name, HWND parent);
  // Steps 4 on of an Exchange profile: the service, its configuration or,
  // when the service cannot configure itself, its profile sections.
  BOOL AddExchangeService(const CString& mailbox, const CString& server, HWND parent);
  // Deletes the profile a failed request added, so that none is left behind.
  void DeleteNewProfile();
  // Logs off a session an earlier request logged on.
  void LogoffSession();

  CString m_errorText;
  COleDispatchDriver Profiles;
  COleDispatchDriver ProfileObject;
  COleDispatchDriver RDOSession;
  COleDispatchDriver SessionStores;
  COleDispatchDriver PstStore;
  COleDispatchDriver ProfileServices;
  COleDispatchDriver ProfileService;
  COleDispatchDriver PropertyBag;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" of a new GUID.
CString NewGuidString();

// The part of a failure message of adding a PST store that the error text
// keeps: the text between "\r\nError: " and a later "\r\nComponent: ",
// each found past the message's first character, in its first 511
// characters. Empty when there is none.
CString CutAddStoreMessage(const CString& message);
