#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "testing/temp_machine.h"
#include "win32/errors.h"
#include "win32/library.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace {

using AddFn = int (*)(int, int);

fs::path TestLibrary() { return testing_support::BuildDir() / "tests" / "data" / "testlib.dll"; }

// "/a/b/c.dll" as a Windows program would write it: "\a\b\c.dll".
std::u16string WindowsForm(const fs::path& p) {
  std::u16string s = win32::Utf8ToUtf16(p.string());
  std::replace(s.begin(), s.end(), u'/', u'\\');
  return s;
}

std::u16string ModuleFile(HMODULE m) {
  WCHAR buf[1024];
  const DWORD n = GetModuleFileNameW(m, buf, 1024);
  return std::u16string(buf, n);
}

// Runs in a fresh machine whose system folder holds the test library.
class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(TestLibrary())) << TestLibrary();
    fs::copy_file(TestLibrary(), win32::SystemFolder() / "testlib.dll");
  }
  // Keeps the current folder out of the search unless a test moves there.
  void TearDown() override { fs::current_path(previous_); }

  testing_support::TempMachine machine_;
  fs::path previous_ = fs::current_path();
};

TEST_F(Library, LoadsByWindowsPathAndBindsExports) {
  win32::LibraryPtr lib(LoadLibraryW(WindowsForm(TestLibrary()).c_str()));
  ASSERT_TRUE(lib) << GetLastError();
  const auto add = win32::GetProc<AddFn>(lib.get(), "TestAdd");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 40), 42);
  const auto name = win32::GetProc<const char* (*)()>(lib.get(), "TestName");
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name(), "brackenford test library");
  EXPECT_EQ(ModuleFile(lib.get()), win32::Utf8ToUtf16(TestLibrary().string()));
}

TEST_F(Library, BareNamesComeFromCurrentThenSystemFolder) {
  const std::u16string systemCopy = win32::Utf8ToUtf16((win32::SystemFolder() / "testlib.dll").string());
  // Windows names ignore case and default to ".dll".
  for (const char16_t* name : {u"testlib.dll", u"TESTLIB.DLL", u"testlib"}) {
    win32::LibraryPtr lib(LoadLibraryW(name));
    ASSERT_TRUE(lib) << win32::Utf16ToUtf8(name) << " " << GetLastError();
    EXPECT_EQ(ModuleFile(lib.get()), systemCopy);
    EXPECT_NE(GetProcAddress(lib.get(), "TestAdd"), nullptr);
  }
  fs::copy_file(TestLibrary(), machine_.scratch() / "testlib.dll");
  fs::current_path(machine_.scratch());
  win32::LibraryPtr lib(LoadLibraryW(u"testlib.dll"));
  ASSERT_TRUE(lib);
  EXPECT_EQ(ModuleFile(lib.get()), win32::Utf8ToUtf16((machine_.scratch() / "testlib.dll").string()));
}

TEST_F(Library, LoadFailuresSetWindowsErrors) {
  { std::ofstream(machine_.scratch() / "text.dll") << "not a shared object\n"; }
  { std::ofstream(machine_.scratch() / "short.dll") << "\x7F" "ELF"; }
  fs::create_directory(machine_.scratch() / "folder.dll");
  const std::u16string scratch = WindowsForm(machine_.scratch());
  struct Case {
    std::u16string name;
    DWORD error;
  };
  const Case cases[] = {
      {u"mapi32.dll", ERROR_MOD_NOT_FOUND},
      {scratch + u"\\missing.dll", ERROR_MOD_NOT_FOUND},
      {scratch + u"\\nofolder\\testlib.dll", ERROR_MOD_NOT_FOUND},
      {scratch + u"\\text.dll", ERROR_BAD_EXE_FORMAT},
      {scratch + u"\\short.dll", ERROR_BAD_EXE_FORMAT},
      {scratch + u"\\folder.dll", ERROR_MOD_NOT_FOUND},
      {WindowsForm("/proc/self/exe."), ERROR_BAD_EXE_FORMAT},  // a program; the dot keeps ".dll" off
      {u"", ERROR_MOD_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(c.name.c_str()), nullptr) << win32::Utf16ToUtf8(c.name);
    EXPECT_EQ(GetLastError(), c.error) << win32::Utf16ToUtf8(c.name);
  }
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(LoadLibraryExW(u"testlib.dll", nullptr, 0x2 /* as data file */), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Library, MissingExportsAndStaleHandles) {
  HMODULE lib = LoadLibraryExW(u"testlib.dll", nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  ASSERT_NE(lib, nullptr);
  struct Case {
    const char* what;
    LPCSTR name;
  };
  const Case cases[] = {
      {"missing", "MAPIInitialize"},
      {"ordinal", reinterpret_cast<LPCSTR>(std::uintptr_t{3})},
      {"null", nullptr},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(lib, c.name), nullptr) << c.what;
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND) << c.what;
  }

  // Two loads give the same handle and need two frees.
  HMODULE again = LoadLibraryW(u"testlib");
  EXPECT_EQ(again, lib);
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_NE(GetProcAddress(lib, "TestAdd"), nullptr);
  EXPECT_TRUE(FreeLibrary(lib));
  SetLastError(0);
  EXPECT_FALSE(FreeLibrary(lib));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetProcAddress(lib, "TestAdd"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetModuleFileNameW(lib, nullptr, 0), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(Library, ModuleFileNameTruncatesLikeWindows) {
  win32::LibraryPtr lib(LoadLibraryW(u"testlib.dll"));
  ASSERT_TRUE(lib);
  const std::u16string full = ModuleFile(lib.get());
  WCHAR buf[8];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(lib.get(), buf, 8), 8u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::u16string(buf), full.substr(0, 7));
  EXPECT_EQ(ModuleFile(nullptr), win32::Utf8ToUtf16(fs::read_symlink("/proc/self/exe").string()));
}

}  // namespace
