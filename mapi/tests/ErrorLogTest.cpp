// The check-and-log convention: the Win32-to-HRESULT rule, and that nothing
// is ever written.
#include <gtest/gtest.h>

#include <filesystem>

#include "mapisupport/ErrorLog.h"
#include "mapisupport/ImportProcs.h"
#include "testing/temp_machine.h"
#include "win32/errors.h"

namespace {

TEST(ErrorLog, LastErrorBecomesAnHResult) {
  struct Case {
    DWORD code;
    HRESULT expected;
  } const cases[] = {
      {0, 0},
      {5, static_cast<HRESULT>(0x80070005u)},
      {1168, static_cast<HRESULT>(0x80070490u)},
      {0x12345, static_cast<HRESULT>(0x80072345u)},      // only the low 16 bits
      {0x80004005u, static_cast<HRESULT>(0x80004005u)},  // already an HRESULT
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    SetLastError(c.code);
    EXPECT_EQ(CheckLastError(__FILE__, __LINE__, "call"), c.expected);
    SetLastError(c.code);
    EXPECT_EQ(WarnLastError(__FILE__, __LINE__, "call"), c.expected);
  }
}

TEST(ErrorLog, TracingIsOffAndWritesNothing) {
  testing_support::TempMachine machine;
  namespace fs = std::filesystem;
  const fs::path before = fs::current_path();
  fs::current_path(machine.scratch());
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();

  EXPECT_EQ(DebugTag(), 0u);
  EXPECT_EQ(DebugToFile(), FALSE);
  // Failing loads, lookups and log calls of every kind.
  AutoLoadMAPI();
  SetLastError(5);
  (void)CheckLastError(__FILE__, __LINE__, "call");
  LogHResult(E_FAIL, 0, __FILE__, __LINE__, true, true);
  TraceMessage(0xFFFFFFFFu, u"%d", 1);
  TraceClassMessage(0xFFFFFFFFu, u"Class", u"Function", u"%d", 1);
  OutputBinary(0xFFFFFFFFu, nullptr);

  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(fs::is_empty(machine.scratch()));
  fs::current_path(before);
}

TEST(UnicodeToAnsi, ConvertsToTheAnsiCodePage) {
  LPSTR text = reinterpret_cast<LPSTR>(1);
  EXPECT_EQ(UnicodeToAnsi(nullptr, &text), S_OK);
  EXPECT_EQ(text, nullptr);

  ASSERT_EQ(UnicodeToAnsi(u"/o=Org/cn=J\u00fcrgen", &text), S_OK);
  EXPECT_STREQ(text, "/o=Org/cn=J\xfcrgen");
  delete[] text;

  ASSERT_EQ(UnicodeToAnsi(u"", &text), S_OK);
  EXPECT_STREQ(text, "");
  delete[] text;
}

}  // namespace
