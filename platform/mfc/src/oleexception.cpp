#include "mfc/oleexception.h"

#include <algorithm>
#include <cstring>

#include "win32/errors.h"
#include "win32/message.h"
#include "win32/text.h"

BOOL CException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
  if (pnHelpContext) *pnHelpContext = 0;
  if (!lpszError || nMaxError == 0) return FALSE;
  const std::u16string text = Message();
  const size_t n = std::min<size_t>(text.size(), nMaxError - 1);
  std::copy_n(text.data(), n, lpszError);
  lpszError[n] = 0;
  return text.empty() ? FALSE : TRUE;
}

const char* CException::what() const noexcept {
  try {
    what_ = win32::Utf16ToUtf8(Message());
  } catch (...) {
    return "CException";
  }
  return what_.c_str();
}

std::u16string COleException::Message() const { return win32::SystemMessage(static_cast<DWORD>(m_sc)); }

SCODE COleException::Process(const std::exception* e) {
  if (auto* ole = dynamic_cast<const COleException*>(e)) return ole->m_sc;
  if (auto* disp = dynamic_cast<const COleDispatchException*>(e))
    return disp->m_wCode ? static_cast<SCODE>(0x80040200u + disp->m_wCode) : disp->m_scError;
  return E_UNEXPECTED;
}

void AfxThrowOleException(SCODE sc) { throw COleException(sc); }

void AfxThrowOleDispatchException(WORD wCode, LPCWSTR lpszDescription, UINT nHelpID) {
  throw COleDispatchException(std::u16string(win32::WideView(lpszDescription)), nHelpID, wCode);
}
