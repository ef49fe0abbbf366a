#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "testing/temp_machine.h"
#include "win32/file.h"
#include "win32/files.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace {

void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
std::string Get(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string ReadAll(win32::File& f) {
  std::string out;
  char buf[7];  // small, so that reads take several calls
  for (std::size_t got = 0; f.Read(buf, sizeof buf, &got) == ERROR_SUCCESS && got;) out.append(buf, got);
  return out;
}

class FileObject : public ::testing::Test {
 protected:
  testing_support::TempMachine machine;
  const fs::path dir = machine.scratch();
  const fs::path path = dir / "f.bin";
  std::u16string Win(const fs::path& p) const { return win32::Utf8ToUtf16(p.string()); }
};

TEST_F(FileObject, OpenModesCreateTruncateKeepAndAppend) {
  using win32::FileAccess;
  using win32::FileCreation;
  const struct {
    const char* what;
    bool exists;
    win32::FileMode mode;
    DWORD rc;
    bool existed;
    std::string after;  // file content after writing "new"
  } cases[] = {
      {"write creates", false, win32::kFileWrite, ERROR_SUCCESS, false, "new"},
      {"write truncates", true, win32::kFileWrite, ERROR_SUCCESS, true, "new"},
      {"read-write keeps", true, win32::kFileReadWrite, ERROR_SUCCESS, true, "newsting"},  // written over from the start
      {"read-write needs the file", false, win32::kFileReadWrite, ERROR_FILE_NOT_FOUND, false, ""},
      {"append adds", true, win32::kFileAppend, ERROR_SUCCESS, true, "existingnew"},
      {"append creates", false, win32::kFileAppend, ERROR_SUCCESS, false, "new"},
      {"create-new refuses", true, {FileAccess::Write, FileCreation::CreateNew, false}, ERROR_FILE_EXISTS, true,
       "existing"},
      {"truncate-existing needs the file", false, {FileAccess::Write, FileCreation::TruncateExisting, false},
       ERROR_FILE_NOT_FOUND, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(path);
    if (c.exists) Put(path, "existing");
    win32::File f;
    bool existed = !c.existed;
    ASSERT_EQ(f.Open(Win(path), c.mode, &existed), c.rc);
    EXPECT_EQ(existed, c.existed);
    EXPECT_EQ(f.IsOpen(), c.rc == ERROR_SUCCESS);
    if (f.IsOpen()) {
      ASSERT_EQ(f.Write("new", 3), ERROR_SUCCESS);
      ASSERT_EQ(f.Close(), ERROR_SUCCESS);
    }
    EXPECT_EQ(fs::exists(path) ? Get(path) : "", c.after);
  }
}

TEST_F(FileObject, RefusesFoldersReadOnlyWritesAndMissingPaths) {
  Put(path, "keep me");
  ASSERT_TRUE(SetFileAttributesW(Win(path).c_str(), FILE_ATTRIBUTE_READONLY));
  const struct {
    const char* what;
    fs::path p;
    win32::FileMode mode;
    DWORD rc;
  } cases[] = {
      {"read-only for writing", path, win32::kFileWrite, ERROR_ACCESS_DENIED},
      {"read-only for appending", path, win32::kFileAppend, ERROR_ACCESS_DENIED},
      {"folder for reading", dir, win32::kFileRead, ERROR_ACCESS_DENIED},
      {"folder for writing", dir, win32::kFileWrite, ERROR_ACCESS_DENIED},
      {"missing file", dir / "none", win32::kFileRead, ERROR_FILE_NOT_FOUND},
      {"missing folder", dir / "none" / "x", win32::kFileWrite, ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    win32::File f;
    EXPECT_EQ(f.OpenPosix(c.p, c.mode), c.rc) << c.what;
    EXPECT_FALSE(f.IsOpen()) << c.what;
  }
  EXPECT_EQ(Get(path), "keep me");  // not truncated by the refused opens
  win32::File f;
  EXPECT_EQ(f.Open(Win(path), win32::kFileRead), ERROR_SUCCESS);
}

TEST_F(FileObject, WritesNeverFollowALinkPlantedAsTheFileName) {
  // As another user could plant them in a shared temporary folder: one link
  // to a file of ours, one to a file not there yet.
  const fs::path victim = dir / "victim.txt", absent = dir / "absent.txt";
  Put(victim, "victim");
  const fs::path toVictim = dir / "DisplayName.txt", toAbsent = dir / "FolderName.txt";
  fs::create_symlink(victim, toVictim);
  fs::create_symlink(absent, toAbsent);
  const struct {
    DWORD access, disposition, code;
  } cases[] = {
      {GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
      {GENERIC_WRITE, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
      {FILE_APPEND_DATA, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
      {GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_ACCESS_DENIED},
      {GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS},
  };
  for (const fs::path& link : {toVictim, toAbsent}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(link.filename().string() + " disposition " + std::to_string(c.disposition));
      EXPECT_EQ(CreateFileW(Win(link).c_str(), c.access, 0, nullptr, c.disposition, 0, nullptr),
                INVALID_HANDLE_VALUE);
      EXPECT_EQ(GetLastError(), c.code);
    }
  }
  EXPECT_EQ(Get(victim), "victim");
  EXPECT_FALSE(fs::exists(absent));
  win32::File reader;
  ASSERT_EQ(reader.Open(Win(toVictim), win32::kFileRead), ERROR_SUCCESS) << "reading may follow a link";
  EXPECT_EQ(ReadAll(reader), "victim");
}

TEST_F(FileObject, ReadWriteSeekAndLength) {
  win32::File f;
  ASSERT_EQ(f.Open(Win(path), {win32::FileAccess::ReadWrite, win32::FileCreation::CreateAlways, false}),
            ERROR_SUCCESS);
  ASSERT_EQ(f.Write("hello world", 11), ERROR_SUCCESS);
  std::uint64_t pos = 0, len = 0;
  ASSERT_EQ(f.Seek(-5, win32::SeekFrom::End, &pos), ERROR_SUCCESS);
  EXPECT_EQ(pos, 6u);
  EXPECT_EQ(ReadAll(f), "world");
  std::size_t got = 1;
  char c;
  EXPECT_EQ(f.Read(&c, 1, &got), ERROR_SUCCESS);
  EXPECT_EQ(got, 0u);  // the end
  EXPECT_EQ(f.Seek(-1, win32::SeekFrom::Begin), ERROR_INVALID_PARAMETER);
  ASSERT_EQ(f.Seek(2, win32::SeekFrom::End), ERROR_SUCCESS);
  ASSERT_EQ(f.Write("!", 1), ERROR_SUCCESS);
  ASSERT_EQ(f.Length(&len), ERROR_SUCCESS);
  EXPECT_EQ(len, 14u);
  ASSERT_EQ(f.SetLength(5), ERROR_SUCCESS);
  ASSERT_EQ(f.Flush(), ERROR_SUCCESS);
  ASSERT_EQ(f.Seek(0, win32::SeekFrom::Begin), ERROR_SUCCESS);
  EXPECT_EQ(ReadAll(f), "hello");
  Put(dir / "gap", "");
  win32::File g;
  ASSERT_EQ(g.OpenPosix(dir / "gap", win32::kFileReadWrite), ERROR_SUCCESS);
  ASSERT_EQ(g.Seek(3, win32::SeekFrom::Current), ERROR_SUCCESS);
  ASSERT_EQ(g.Write("x", 1), ERROR_SUCCESS);
  EXPECT_EQ(Get(dir / "gap"), std::string("\0\0\0x", 4));
}

TEST_F(FileObject, WrongDirectionClosedFilesAndOwnership) {
  Put(path, "data");
  win32::File r, w, closed;
  ASSERT_EQ(r.Open(Win(path), win32::kFileRead), ERROR_SUCCESS);
  ASSERT_EQ(w.Open(Win(dir / "w"), win32::kFileWrite), ERROR_SUCCESS);
  char buf[4];
  std::size_t got = 0;
  EXPECT_EQ(r.Write("x", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(r.SetLength(0), ERROR_ACCESS_DENIED);
  EXPECT_EQ(w.Read(buf, 4, &got), ERROR_ACCESS_DENIED);
  EXPECT_EQ(closed.Read(buf, 4, &got), ERROR_INVALID_HANDLE);
  EXPECT_EQ(closed.Close(), ERROR_SUCCESS);

  const int fd = r.fd();
  win32::File moved(std::move(r));
  EXPECT_FALSE(r.IsOpen());
  EXPECT_EQ(ReadAll(moved), "data");
  { win32::File gone(std::move(moved)); }
  EXPECT_EQ(::fcntl(fd, F_GETFD), -1);  // closed by the last owner
}

TEST_F(FileObject, HandleFunctions) {
  Put(path, "existing");
  SetLastError(0);
  HANDLE h = CreateFileW(Win(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);  // and still truncated
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "abcdef", 6, &n, nullptr));
  EXPECT_EQ(n, 6u);
  DWORD high = 9;
  EXPECT_EQ(GetFileSize(h, &high), 6u);
  EXPECT_EQ(high, 0u);
  LARGE_INTEGER to{}, now{};
  to.QuadPart = 2;
  ASSERT_TRUE(SetFilePointerEx(h, to, &now, FILE_BEGIN));
  EXPECT_EQ(now.QuadPart, 2);
  char buf[8] = {};
  ASSERT_TRUE(ReadFile(h, buf, 8, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "cdef");
  ASSERT_TRUE(SetFilePointerEx(h, to, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  ASSERT_TRUE(FlushFileBuffers(h));
  ASSERT_TRUE(CloseHandle(h));
  EXPECT_EQ(Get(path), "ab");
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  const struct {
    DWORD access, disposition, code;
  } failures[] = {
      {GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_FILE_NOT_FOUND},
      {GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : failures) {
    EXPECT_EQ(CreateFileW(Win(dir / "none").c_str(), c.access, 0, nullptr, c.disposition, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.code) << c.disposition;
  }
  h = CreateFileW(Win(path).c_str(), GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  h = CreateFileW(Win(path).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WriteFile(h, "++", 2, &n, nullptr));
  EXPECT_FALSE(ReadFile(h, buf, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(CloseHandle(h));
  EXPECT_EQ(Get(path), "ab++");
}

}  // namespace
