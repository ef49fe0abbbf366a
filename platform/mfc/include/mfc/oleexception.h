// The framework's exceptions for OLE: a failed COM call (COleException) and
// an exception raised by an automation server (COleDispatchException).
// They are thrown and caught by value (catch (COleDispatchException& e)).
#pragma once

#include <exception>
#include <string>

#include "win32/types.h"

class CException : public std::exception {
 public:
  ~CException() override = default;
  // Copies the message into lpszError (at most nMaxError - 1 characters and
  // a NUL); FALSE when there is no message.
  virtual BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const;
  // The whole message.
  virtual std::u16string Message() const = 0;
  const char* what() const noexcept override;

 private:
  mutable std::string what_;
};

class COleException : public CException {
 public:
  explicit COleException(SCODE sc = 0) : m_sc(sc) {}
  // The system's text for m_sc, as FormatMessageW gives it ("" for none).
  std::u16string Message() const override;
  // The SCODE an exception stands for: m_sc of a COleException, the server's
  // code of a COleDispatchException, E_UNEXPECTED otherwise.
  static SCODE Process(const std::exception* e);

  SCODE m_sc;
};

class COleDispatchException : public CException {
 public:
  COleDispatchException(std::u16string description, UINT helpContext, WORD wCode)
      : m_strDescription(std::move(description)), m_dwHelpContext(helpContext), m_wCode(wCode) {}
  // The server's description.
  std::u16string Message() const override { return m_strDescription; }

  std::u16string m_strDescription;
  DWORD m_dwHelpContext;
  WORD m_wCode;
  std::u16string m_strHelpFile;
  std::u16string m_strSource;
  SCODE m_scError = 0;
};

[[noreturn]] void AfxThrowOleException(SCODE sc);
[[noreturn]] void AfxThrowOleDispatchException(WORD wCode, LPCWSTR lpszDescription, UINT nHelpID = 0);
