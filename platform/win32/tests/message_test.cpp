#include <gtest/gtest.h>

#include "win32/errors.h"
#include "win32/message.h"
#include "win32/text.h"

namespace {

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

// The allocated text of a code, as the engines ask for it; "" on failure.
std::u16string Allocated(DWORD code, DWORD language = 0) {
  WCHAR stale = 0;
  LPWSTR raw = &stale;  // a failure must reset it
  const DWORD n = FormatMessageW(kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, language,
                                 reinterpret_cast<LPWSTR>(&raw), 0, nullptr);
  if (n == 0) {
    EXPECT_EQ(raw, nullptr);
    return u"";
  }
  win32::LocalPtr<WCHAR> owner(raw);
  EXPECT_EQ(n, win32::WideLength(raw));
  return std::u16string(raw, n);
}

TEST(FormatMessage, KnownCodesHaveSystemText) {
  struct Case {
    DWORD code;
    std::u16string text;
  };
  const Case cases[] = {
      {ERROR_SUCCESS, u"The operation completed successfully.\r\n"},
      {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\r\n"},
      {ERROR_NETWORK_UNREACHABLE, u"The network location cannot be reached.\r\n"},
      {static_cast<DWORD>(E_FAIL), u"Unspecified error.\r\n"},
      {static_cast<DWORD>(REGDB_E_CLASSNOTREG), u"Class not registered.\r\n"},
      // HRESULT_FROM_WIN32 forms share the Win32 code's text.
      {static_cast<DWORD>(E_INVALIDARG), u"The parameter is incorrect.\r\n"},
      {static_cast<DWORD>(E_ACCESSDENIED), u"Access is denied.\r\n"},
      {static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)), u"The specified module could not be found.\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Allocated(c.code), c.text) << std::hex << c.code;
    EXPECT_EQ(win32::SystemMessage(c.code), c.text) << std::hex << c.code;
  }
  // Every code the system meets has a text in the system's style.
  const DWORD codes[] = {
      ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_PARAMETER,
      ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS, ERROR_INVALID_WINDOW_HANDLE, ERROR_PROC_NOT_FOUND,
      static_cast<DWORD>(E_NOINTERFACE), static_cast<DWORD>(E_OUTOFMEMORY), static_cast<DWORD>(E_NOTIMPL),
      static_cast<DWORD>(E_POINTER), static_cast<DWORD>(E_UNEXPECTED), static_cast<DWORD>(CLASS_E_CLASSNOTAVAILABLE),
      static_cast<DWORD>(CO_E_NOTINITIALIZED),
  };
  for (DWORD code : codes) {
    const std::u16string text = Allocated(code, 0x400);
    ASSERT_GT(text.size(), 3u) << std::hex << code;
    EXPECT_EQ(text.substr(text.size() - 3), u".\r\n") << std::hex << code;
  }
}

TEST(FormatMessage, CodesWithoutTextFail) {
  const DWORD codes[] = {0x8004010F, 0x80040113, 0x80040102, 0x12345, 0x80070000 | 0x4242};
  for (DWORD code : codes) {
    SetLastError(0);
    EXPECT_EQ(Allocated(code), u"") << std::hex << code;
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND) << std::hex << code;
    EXPECT_EQ(win32::SystemMessage(code), u"");
  }
}

TEST(FormatMessage, CallerBufferMustHoldTextAndTerminator) {
  const std::u16string expected = u"Access is denied.\r\n";
  const auto size = static_cast<DWORD>(expected.size());
  WCHAR buf[64];
  EXPECT_EQ(FormatMessageW(kFromSystem, nullptr, ERROR_ACCESS_DENIED, 0, buf, size + 1, nullptr), size);
  EXPECT_EQ(std::u16string(buf), expected);

  SetLastError(0);
  EXPECT_EQ(FormatMessageW(kFromSystem, nullptr, ERROR_ACCESS_DENIED, 0, buf, size, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(FormatMessage, RefusedRequests) {
  WCHAR buf[64];
  struct Case {
    const char* what;
    DWORD flags;
    DWORD language;
    LPWSTR buffer;
    DWORD error;
  };
  const Case cases[] = {
      {"no source", FORMAT_MESSAGE_IGNORE_INSERTS, 0, buf, ERROR_INVALID_PARAMETER},
      {"from string", kFromSystem | FORMAT_MESSAGE_FROM_STRING, 0, buf, ERROR_INVALID_PARAMETER},
      {"null buffer", kFromSystem, 0, nullptr, ERROR_INVALID_PARAMETER},
      {"german", kFromSystem, 0x407, buf, 1815},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(c.flags, nullptr, ERROR_FILE_NOT_FOUND, c.language, c.buffer, 64, nullptr), 0u) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  EXPECT_EQ(FormatMessageW(kFromSystem, nullptr, ERROR_FILE_NOT_FOUND, 0x409, buf, 64, nullptr), 44u);
}

TEST(FormatMessage, AllocatedBufferHonoursMinimumSize) {
  LPWSTR raw = nullptr;
  const DWORD n = FormatMessageW(kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, ERROR_FILE_EXISTS, 0,
                                 reinterpret_cast<LPWSTR>(&raw), 200, nullptr);
  win32::LocalPtr<WCHAR> owner(raw);
  ASSERT_EQ(n, 18u);
  raw[199] = u'x';  // the buffer holds at least nSize units (ASan checks)
  EXPECT_EQ(LocalFree(owner.release()), nullptr);
}

}  // namespace
