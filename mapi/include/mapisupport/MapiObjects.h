// MAPI session holders. CGlobalCache holds MAPI initialisation: MAPI is
// initialised at the first logon and uninitialised when the last reference
// to the cache goes. CMapiObjects holds the session and owns the cache.
#pragma once
#include <atomic>

#include "mapi/interfaces.h"

class CGlobalCache {
 public:
  CGlobalCache();
  CGlobalCache(const CGlobalCache&) = delete;
  CGlobalCache& operator=(const CGlobalCache&) = delete;

  ULONG AddRef();
  // Deletes the object at 0.
  ULONG Release();
  // MAPIInitialize once it succeeds; a failure is tried again next time.
  void InitializeMapi();
  BOOL IsMapiInitialized() const { return m_mapiInitialized; }

 protected:
  virtual ~CGlobalCache();

 private:
  std::atomic<LONG> m_refCount{1};
  BOOL m_mapiInitialized = FALSE;
};

class CMapiObjects {
 public:
  CMapiObjects();
  CMapiObjects(const CMapiObjects&) = delete;
  CMapiObjects& operator=(const CMapiObjects&) = delete;

  ULONG AddRef();
  ULONG Release();

  // The status of MAPILogonEx, or 2 when MAPI could not be initialised (a
  // plain value, not an HRESULT; the old session then stays). A held
  // session is released, not logged off, before the new logon. A null
  // profile lets MAPI choose.
  HRESULT Logon(HWND hwnd, LPSTR szProfile);
  // IMAPISession::Logoff (MAPI_LOGOFF_UI) and release; nothing without a session.
  void Logoff(HWND hwnd, ULONG ulFlags);
  // The current session (no reference added), or null.
  IMAPISession* GetSession() const { return m_lpMAPISession; }

 protected:
  virtual ~CMapiObjects();

 private:
  std::atomic<LONG> m_refCount{1};
  IMAPISession* m_lpMAPISession = nullptr;
  CGlobalCache* m_pGlobalCache = nullptr;
};

// The logon result when MAPI is not initialised.
constexpr HRESULT MAPI_NOT_INITIALIZED_RESULT = 2;
