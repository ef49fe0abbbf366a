#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "com/com.h"
#include "com/stream.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

LARGE_INTEGER Li(LONGLONG v) {
  LARGE_INTEGER li;
  li.QuadPart = v;
  return li;
}
ULARGE_INTEGER Uli(ULONGLONG v) {
  ULARGE_INTEGER li;
  li.QuadPart = v;
  return li;
}

std::string ReadAll(IStream* s) {
  EXPECT_EQ(s->Seek(Li(0), STREAM_SEEK_SET, nullptr), S_OK);
  std::string out;
  char buf[7];
  ULONG got = 0;
  while (SUCCEEDED(s->Read(buf, sizeof buf, &got)) && got) out.append(buf, got);
  return out;
}

ComPtr<IStream> MemoryStream() {
  ComPtr<IStream> s;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, s.ReleaseAndGetAddressOf()), S_OK);
  return s;
}

ComPtr<IStream> FileStream(const std::filesystem::path& p, DWORD mode, HRESULT expect = S_OK) {
  ComPtr<IStream> s;
  std::u16string wide = win32::Utf8ToUtf16(p.string());
  EXPECT_EQ(SHCreateStreamOnFileW(wide.c_str(), mode, s.ReleaseAndGetAddressOf()), expect) << p;
  return s;
}

// The same contract for both kinds of stream.
void ExerciseStream(IStream* s) {
  ULONG n = 0;
  ASSERT_EQ(s->Write("hello world", 11, &n), S_OK);
  EXPECT_EQ(n, 11u);
  ULARGE_INTEGER pos;
  ASSERT_EQ(s->Seek(Li(-5), STREAM_SEEK_END, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 6u);
  char buf[16] = {};
  ASSERT_EQ(s->Read(buf, sizeof buf, &n), S_OK);
  EXPECT_EQ(std::string(buf, n), "world");
  ASSERT_EQ(s->Read(buf, sizeof buf, &n), S_OK);  // at the end: success, nothing read
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(s->Seek(Li(-1), STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);

  ASSERT_EQ(s->SetSize(Uli(5)), S_OK);
  EXPECT_EQ(ReadAll(s), "hello");
  ASSERT_EQ(s->Seek(Li(7), STREAM_SEEK_SET, nullptr), S_OK);  // write past the end fills with zeros
  ASSERT_EQ(s->Write("!", 1, nullptr), S_OK);
  EXPECT_EQ(ReadAll(s), std::string("hello\0\0!", 8));

  STATSTG st;
  ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.type, STGTY_STREAM);
  EXPECT_EQ(st.cbSize.QuadPart, 8u);
  EXPECT_EQ(st.pwcsName, nullptr);

  ComPtr<IStream> copy = MemoryStream();
  ASSERT_EQ(s->Seek(Li(1), STREAM_SEEK_SET, nullptr), S_OK);
  ULARGE_INTEGER r, w;
  ASSERT_EQ(s->CopyTo(copy.Get(), Uli(~0ull), &r, &w), S_OK);
  EXPECT_EQ(r.QuadPart, 7u);
  EXPECT_EQ(w.QuadPart, 7u);
  EXPECT_EQ(ReadAll(copy.Get()), std::string("ello\0\0!", 7));
  EXPECT_EQ(s->Commit(STGC_DEFAULT), S_OK);
}

TEST(MemoryStream, ReadWriteSeekSizeCopy) { ExerciseStream(MemoryStream().Get()); }

TEST(MemoryStream, QueryInterfaceAndClone) {
  ComPtr<IStream> s = MemoryStream();
  ComPtr<ISequentialStream> seq = s.As<ISequentialStream>();
  ComPtr<IUnknown> unk = s.As<IUnknown>();
  EXPECT_TRUE(seq && unk);
  ComPtr<IUnknown> none;
  EXPECT_EQ(s->QueryInterface(GUID{1, 2, 3, {}}, none.ReleaseAndGetAddressOfVoid()), E_NOINTERFACE);
  EXPECT_FALSE(none);
  ASSERT_EQ(s->Write("abc", 3, nullptr), S_OK);
  ComPtr<IStream> clone;
  ASSERT_EQ(s->Clone(clone.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(clone->Write("d", 1, nullptr), S_OK);  // clones share bytes, not the position
  EXPECT_EQ(ReadAll(s.Get()), "abcd");
}

TEST(FileStream, ReadWriteSeekSizeCopy) {
  testing_support::TempMachine m;
  ComPtr<IStream> s = FileStream(m.scratch() / "f.bin", STGM_CREATE | STGM_READWRITE);
  ASSERT_TRUE(s);
  ExerciseStream(s.Get());
  STATSTG st;
  ASSERT_EQ(s->Stat(&st, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(std::u16string(st.pwcsName), u"f.bin");
  CoTaskMemFree(st.pwcsName);
}

TEST(FileStream, ModesAndErrors) {
  testing_support::TempMachine m;
  const auto path = m.scratch() / "g.txt";
  std::ofstream(path) << "old content";
  ComPtr<IStream> ro = FileStream(path, STGM_READ);
  ASSERT_TRUE(ro);
  EXPECT_EQ(ro->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
  EXPECT_EQ(ReadAll(ro.Get()), "old content");

  ComPtr<IStream> created = FileStream(path, STGM_CREATE | STGM_READWRITE);  // truncates
  EXPECT_EQ(ReadAll(created.Get()), "");

  FileStream(m.scratch() / "missing.txt", STGM_READ, STG_E_FILENOTFOUND);
  FileStream(m.scratch() / "no" / "dir.txt", STGM_CREATE | STGM_READWRITE, STG_E_PATHNOTFOUND);
  FileStream(m.scratch(), STGM_READ, STG_E_ACCESSDENIED);
}

// What a committed stream wrote is there for another process, while the
// stream is still open.
TEST(FileStream, CommittedBytesReachOtherProcesses) {
  testing_support::TempMachine m;
  const auto path = m.scratch() / "committed.bin";
  ComPtr<IStream> s = FileStream(path, STGM_CREATE | STGM_READWRITE);
  ASSERT_TRUE(s);
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  ASSERT_EQ(s->Write(bytes.data(), 100000, nullptr), S_OK);
  ASSERT_EQ(s->Write(bytes.data() + 100000, 100000, nullptr), S_OK);
  ASSERT_EQ(s->Commit(STGC_DEFAULT), S_OK);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::ifstream in(path, std::ios::binary);
    const std::string seen((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ::_exit(seen == bytes ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process saw other bytes";
}

}  // namespace
