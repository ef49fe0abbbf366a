#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "testing/temp_machine.h"
#include "win32/environment.h"
#include "win32/file.h"
#include "win32/files.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace {

std::u16string W(const fs::path& p) { return win32::Utf8ToUtf16(p.string()); }

// The same path written the Windows way, with backslashes.
std::u16string Backslashed(const fs::path& p) {
  std::u16string s = W(p);
  for (auto& c : s)
    if (c == u'/') c = u'\\';
  return s;
}

void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
std::string Get(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Sets an environment variable for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { had_ ? ::setenv(name_.c_str(), old_.c_str(), 1) : ::unsetenv(name_.c_str()); }

 private:
  std::string name_, old_;
  bool had_ = false;
};

class ScopedCwd {
 public:
  ScopedCwd() : old_(fs::current_path()) {}
  ~ScopedCwd() { fs::current_path(old_); }

 private:
  fs::path old_;
};

class Files : public ::testing::Test {
 protected:
  testing_support::TempMachine machine;
  const fs::path dir = machine.scratch();
};

TEST_F(Files, TempPathPlusBackslashAndNameOpensTheFileInTmpdir) {
  for (const std::string& tmpdir : {dir.string(), dir.string() + "/"}) {
    ScopedEnv env("TMPDIR", tmpdir.c_str());
    WCHAR buf[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, buf);
    ASSERT_EQ(std::u16string(buf, n), W(dir) + u"/");
    win32::File f;
    ASSERT_EQ(f.Open(std::u16string(buf) + u"\\DisplayName.txt", win32::kFileWrite), ERROR_SUCCESS);
    ASSERT_EQ(f.Write("x", 1), ERROR_SUCCESS);
    EXPECT_EQ(f.path(), dir / "DisplayName.txt");
    EXPECT_TRUE(fs::exists(dir / "DisplayName.txt"));
    fs::remove(dir / "DisplayName.txt");
  }
}

TEST_F(Files, WithoutTmpdirTheTempPathIsAPrivateFolderOfTheMachine) {
  ScopedEnv none("TMPDIR", nullptr);
  const fs::path temp = machine.root() / "temp";
  const std::u16string want = W(temp) + u"/";
  auto tempPath = [] {
    WCHAR buf[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, buf);
    return n < MAX_PATH ? std::u16string(buf, n) : std::u16string();
  };
  EXPECT_EQ(tempPath(), want);
  fs::remove(temp);
  EXPECT_EQ(tempPath(), want) << "made again when missing";
  ASSERT_EQ(::chmod(temp.c_str(), 0777), 0);
  EXPECT_EQ(tempPath(), want);
  EXPECT_EQ(fs::status(temp).permissions() & fs::perms::all, fs::perms::owner_all) << "closed to others";

  // A link planted in its place is not followed.
  fs::remove(temp);
  fs::create_directory_symlink(dir, temp);
  ::testing::internal::CaptureStderr();
  SetLastError(0);
  EXPECT_EQ(GetTempPathW(MAX_PATH, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("a link is not followed"), std::string::npos);

  // Without a machine root nothing is made in its place.
  win32::SetMachineRoot(dir / "no-machine");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(GetTempPathW(MAX_PATH, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(fs::exists(dir / "no-machine"));
}

TEST_F(Files, TextGettersFollowTheWindowsCountContract) {
  ScopedEnv tmp("TMPDIR", "/var/tmp/");
  ScopedEnv var("BRACKENFORD_TEST_VAR", "value");
  ScopedCwd cwd;
  fs::current_path(dir);
  struct Case {
    const char* what;
    std::function<DWORD(DWORD, LPWSTR)> call;
    std::u16string text;
  };
  const Case cases[] = {
      {"GetTempPathW", GetTempPathW, u"/var/tmp/"},
      {"GetCurrentDirectoryW", GetCurrentDirectoryW, W(dir)},
      {"GetSystemDirectoryW", [](DWORD n, LPWSTR b) { return GetSystemDirectoryW(b, n); },
       W(machine.root() / "system")},
      {"GetEnvironmentVariableW",
       [](DWORD n, LPWSTR b) { return GetEnvironmentVariableW(u"brackenford_test_var", b, n); }, u"value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DWORD len = DWORD(c.text.size());
    EXPECT_EQ(c.call(0, nullptr), len + 1);
    std::u16string buf(len + 1, u'#');
    EXPECT_EQ(c.call(len, buf.data()), len + 1);
    EXPECT_EQ(buf, std::u16string(len + 1, u'#'));  // untouched when too small
    EXPECT_EQ(c.call(len + 1, buf.data()), len);
    EXPECT_EQ(std::u16string(buf.c_str()), c.text);
  }
}

TEST_F(Files, FailuresSetTheCodeWindowsWould) {
  const fs::path file = dir / "a.txt", ro = dir / "ro.txt", sub = dir / "sub";
  Put(file, "a");
  Put(ro, "r");
  fs::create_directory(sub);
  Put(sub / "inner", "i");
  ASSERT_TRUE(SetFileAttributesW(W(ro).c_str(), FILE_ATTRIBUTE_READONLY));
  const std::u16string f = W(file), r = W(ro), s = W(sub);
  const std::u16string missing = W(dir / "none.txt"), missingDir = W(dir / "nodir" / "x.txt");
  const struct {
    const char* what;
    std::function<bool()> call;
    DWORD code;
  } cases[] = {
      {"CreateDirectoryW existing", [&] { return CreateDirectoryW(s.c_str(), nullptr); }, ERROR_ALREADY_EXISTS},
      {"CreateDirectoryW no parent", [&] { return CreateDirectoryW(missingDir.c_str(), nullptr); },
       ERROR_PATH_NOT_FOUND},
      {"RemoveDirectoryW not empty", [&] { return RemoveDirectoryW(s.c_str()); }, ERROR_DIR_NOT_EMPTY},
      {"DeleteFileW missing", [&] { return DeleteFileW(missing.c_str()); }, ERROR_FILE_NOT_FOUND},
      {"DeleteFileW missing folder", [&] { return DeleteFileW(missingDir.c_str()); }, ERROR_PATH_NOT_FOUND},
      {"DeleteFileW folder", [&] { return DeleteFileW(s.c_str()); }, ERROR_ACCESS_DENIED},
      {"DeleteFileW read-only", [&] { return DeleteFileW(r.c_str()); }, ERROR_ACCESS_DENIED},
      {"MoveFileW onto a file", [&] { return MoveFileW(f.c_str(), r.c_str()); }, ERROR_ALREADY_EXISTS},
      {"MoveFileW missing source", [&] { return MoveFileW(missing.c_str(), f.c_str()); }, ERROR_FILE_NOT_FOUND},
      {"MoveFileW no target folder", [&] { return MoveFileW(f.c_str(), missingDir.c_str()); },
       ERROR_PATH_NOT_FOUND},
      {"CopyFileW fail if exists", [&] { return CopyFileW(f.c_str(), r.c_str(), TRUE); }, ERROR_FILE_EXISTS},
      {"CopyFileW onto read-only", [&] { return CopyFileW(f.c_str(), r.c_str(), FALSE); }, ERROR_ACCESS_DENIED},
      {"CopyFileW onto itself", [&] { return CopyFileW(f.c_str(), f.c_str(), FALSE); }, ERROR_SHARING_VIOLATION},
      {"CopyFileW missing source", [&] { return CopyFileW(missing.c_str(), s.c_str(), FALSE); },
       ERROR_FILE_NOT_FOUND},
      {"CopyFileW source folder missing", [&] { return CopyFileW(missingDir.c_str(), missing.c_str(), FALSE); },
       ERROR_PATH_NOT_FOUND},
      {"CopyFileW of a folder", [&] { return CopyFileW(s.c_str(), missing.c_str(), FALSE); }, ERROR_ACCESS_DENIED},
      {"CopyFileW no target folder", [&] { return CopyFileW(f.c_str(), missingDir.c_str(), FALSE); },
       ERROR_PATH_NOT_FOUND},
      {"GetFileAttributesW missing",
       [&] { return GetFileAttributesW(missing.c_str()) != INVALID_FILE_ATTRIBUTES; }, ERROR_FILE_NOT_FOUND},
      {"GetFileAttributesW missing folder",
       [&] { return GetFileAttributesW(missingDir.c_str()) != INVALID_FILE_ATTRIBUTES; }, ERROR_PATH_NOT_FOUND},
      {"SetCurrentDirectoryW file", [&] { return SetCurrentDirectoryW(f.c_str()); }, ERROR_DIRECTORY},
      {"SetCurrentDirectoryW missing", [&] { return SetCurrentDirectoryW(missing.c_str()); },
       ERROR_FILE_NOT_FOUND},
      {"GetEnvironmentVariableW missing",
       [] { return GetEnvironmentVariableW(u"BRACKENFORD_NO_SUCH_VAR", nullptr, 0) != 0; }, ERROR_ENVVAR_NOT_FOUND},
      {"SetEnvironmentVariableW bad name", [] { return SetEnvironmentVariableW(u"A=B", u"x"); },
       ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(GetLastError(), c.code) << c.what;
  }
  EXPECT_EQ(Get(file), "a");  // nothing above changed the files
  EXPECT_EQ(Get(ro), "r");
}

TEST_F(Files, CopyFileWReplacesOnlyWhenAllowedAndKeepsTheTime) {
  const fs::path src = dir / "src.nsf", dst = dir / "dst.nsf";
  Put(src, std::string(300000, 's'));
  Put(dst, "old");
  const auto old = fs::last_write_time(src) - std::chrono::hours(24);
  fs::last_write_time(src, old);
  EXPECT_FALSE(CopyFileW(Backslashed(src).c_str(), Backslashed(dst).c_str(), TRUE));
  EXPECT_EQ(Get(dst), "old");
  ASSERT_TRUE(CopyFileW(Backslashed(src).c_str(), Backslashed(dst).c_str(), FALSE));
  EXPECT_EQ(Get(dst), Get(src));
  EXPECT_EQ(fs::last_write_time(dst), old);
  ASSERT_TRUE(CopyFileW(W(src).c_str(), W(dir / "new.nsf").c_str(), TRUE));
  EXPECT_EQ(Get(dir / "new.nsf"), Get(src));
}

TEST_F(Files, CopyFileWKeepsTheModeOnlyAsFarAsTheUmaskAllows) {
  const fs::path src = dir / "mail.nsf";
  Put(src, "mail");
  fs::permissions(src, fs::perms(0644));
  const struct {
    mode_t umask;
    fs::perms expected;
  } cases[] = {{077, fs::perms(0600)}, {022, fs::perms(0644)}, {027, fs::perms(0640)}};
  for (const auto& c : cases) {
    const fs::path dst = dir / ("copy" + std::to_string(c.umask) + ".nsf");
    const mode_t before = ::umask(c.umask);
    const BOOL copied = CopyFileW(W(src).c_str(), W(dst).c_str(), TRUE);
    ::umask(before);
    ASSERT_TRUE(copied) << c.umask;
    EXPECT_EQ(fs::status(dst).permissions() & fs::perms::all, c.expected) << std::oct << c.umask;
  }
}

TEST_F(Files, FoldersMovesAndAttributes) {
  const std::u16string folder = Backslashed(dir) + u"\\\\work";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), FILE_ATTRIBUTE_DIRECTORY);
  Put(dir / "work" / "m.txt", "moved");
  ASSERT_TRUE(MoveFileW((folder + u"\\m.txt").c_str(), W(dir / "n.txt").c_str()));
  EXPECT_EQ(Get(dir / "n.txt"), "moved");
  EXPECT_FALSE(fs::exists(dir / "work" / "m.txt"));
  ASSERT_TRUE(MoveFileW(folder.c_str(), W(dir / "work2").c_str()));
  EXPECT_EQ(GetFileAttributesW(W(dir / "work2").c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(RemoveDirectoryW(W(dir / "work2").c_str()));

  const std::u16string n = W(dir / "n.txt");
  EXPECT_EQ(GetFileAttributesW(n.c_str()), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(SetFileAttributesW(n.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(n.c_str()), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetFileAttributesW(n.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileW(n.c_str()));
  EXPECT_FALSE(fs::exists(dir / "n.txt"));
}

TEST_F(Files, MoveFileWCopiesAcrossFileSystems) {
  const fs::path other = fs::path("/dev/shm") / ("brackenford-move-" + std::to_string(::getpid()));
  struct stat a {}, b {};
  if (::stat("/dev/shm", &a) != 0 || ::stat(dir.c_str(), &b) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "needs /dev/shm on another file system";
  Put(other, "across");
  Put(dir / "taken", "t");
  EXPECT_FALSE(MoveFileW(W(other).c_str(), W(dir / "taken").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(Get(dir / "taken"), "t");
  ASSERT_TRUE(MoveFileW(W(other).c_str(), W(dir / "arrived").c_str()));
  EXPECT_EQ(Get(dir / "arrived"), "across");
  EXPECT_FALSE(fs::exists(other));
  fs::remove(other);
}

TEST_F(Files, CurrentDirectoryTakesWindowsPathsAndHasNoTrailingSeparator) {
  ScopedCwd keep;
  ASSERT_TRUE(SetCurrentDirectoryW((Backslashed(dir) + u"\\").c_str()));
  WCHAR buf[MAX_PATH];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
  EXPECT_EQ(std::u16string(buf, n), W(fs::canonical(dir)));
  Put(dir / "here.txt", "h");
  EXPECT_NE(GetFileAttributesW(u"here.txt"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Files, SystemDirectoryPlusNameIsInTheMachineRoot) {
  WCHAR buf[MAX_PATH];
  const UINT n = GetSystemDirectoryW(buf, MAX_PATH);
  ASSERT_GT(n, 0u);
  EXPECT_NE(buf[n - 1], u'/');
  win32::File f;
  ASSERT_EQ(f.Open(std::u16string(buf) + u"\\mapi32.dll", win32::kFileWrite), ERROR_SUCCESS);
  EXPECT_EQ(f.path(), win32::SystemFolder() / "mapi32.dll");
}

TEST_F(Files, EnvironmentNamesIgnoreCase) {
  ScopedEnv clean("BrackenfordVar", nullptr);
  ASSERT_TRUE(SetEnvironmentVariableW(u"BrackenfordVar", u"caf\u00e9"));
  ASSERT_TRUE(SetEnvironmentVariableW(u"BRACKENFORDVAR", u"two"));  // the same variable
  EXPECT_STREQ(std::getenv("BrackenfordVar"), "two");
  EXPECT_EQ(std::getenv("BRACKENFORDVAR"), nullptr);
  WCHAR buf[32];
  EXPECT_EQ(GetEnvironmentVariableW(u"brackenfordvar", buf, 32), 3u);
  EXPECT_EQ(std::u16string(buf), u"two");

  WCHAR out[64];
  EXPECT_EQ(ExpandEnvironmentStringsW(u"%BRACKENFORDVAR%\\x %NOPE_NOT_SET% 100%", out, 64), 26u);
  EXPECT_EQ(std::u16string(out), u"two\\x %NOPE_NOT_SET% 100%");

  ASSERT_TRUE(SetEnvironmentVariableW(u"BrackenfordVar", u""));
  SetLastError(99);
  EXPECT_EQ(GetEnvironmentVariableW(u"BrackenfordVar", buf, 32), 0u);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  ASSERT_TRUE(SetEnvironmentVariableW(u"brackenfordVAR", nullptr));
  EXPECT_EQ(std::getenv("BrackenfordVar"), nullptr);
}

}  // namespace
