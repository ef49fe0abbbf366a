// MAPI session holders.
#include "mapisupport/MapiObjects.h"

#include <new>

#include "mapisupport/ErrorLog.h"
#include "mapisupport/ImportProcs.h"

namespace {

HRESULT CallMAPIInitialize() {
  MAPIINIT_0 init{MAPI_INIT_VERSION, 0};
  const auto fn = MAPISlot<LPMAPIINITIALIZE>(pfnMAPIInitialize);
  return fn ? fn(&init) : E_FAIL;
}

}  // namespace

CGlobalCache::CGlobalCache() = default;

CGlobalCache::~CGlobalCache() {
  if (!m_mapiInitialized) return;
  if (const auto fn = MAPISlot<LPMAPIUNINITIALIZE>(pfnMAPIUninitialize)) fn();
  m_mapiInitialized = FALSE;
}

ULONG CGlobalCache::AddRef() { return static_cast<ULONG>(++m_refCount); }

ULONG CGlobalCache::Release() {
  const LONG left = --m_refCount;
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

void CGlobalCache::InitializeMapi() {
  if (m_mapiInitialized) return;
  HRESULT hRes = S_OK;
  WC_H(CallMAPIInitialize());
  m_mapiInitialized = SUCCEEDED(hRes);
}

CMapiObjects::CMapiObjects() : m_pGlobalCache(new (std::nothrow) CGlobalCache) {}

CMapiObjects::~CMapiObjects() {
  if (m_lpMAPISession) m_lpMAPISession->Release();
  m_lpMAPISession = nullptr;
  if (m_pGlobalCache) m_pGlobalCache->Release();
  m_pGlobalCache = nullptr;
}

ULONG CMapiObjects::AddRef() { return static_cast<ULONG>(++m_refCount); }

ULONG CMapiObjects::Release() {
  const LONG left = --m_refCount;
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT CMapiObjects::Logon(HWND hwnd, LPSTR szProfile) {
  if (m_pGlobalCache) m_pGlobalCache->InitializeMapi();
  if (!m_pGlobalCache || !m_pGlobalCache->IsMapiInitialized()) return MAPI_NOT_INITIALIZED_RESULT;
  if (m_lpMAPISession) m_lpMAPISession->Release();
  m_lpMAPISession = nullptr;
  HRESULT hRes = S_OK;
  WC_H(MAPILogonEx(reinterpret_cast<ULONG_PTR>(hwnd), szProfile, nullptr,
                   MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_ALLOW_OTHERS | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED,
                   &m_lpMAPISession));
  return hRes;
}

void CMapiObjects::Logoff(HWND hwnd, ULONG) {
  if (!m_lpMAPISession) return;
  HRESULT hRes = S_OK;
  WC_H(m_lpMAPISession->Logoff(reinterpret_cast<ULONG_PTR>(hwnd), MAPI_LOGOFF_UI, 0));
  m_lpMAPISession->Release();
  m_lpMAPISession = nullptr;
}
