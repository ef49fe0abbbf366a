#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "com/com.h"
#include "com/storage.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

constexpr CLSID kMailMessage = {0x00020D0B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr CLSID kSubClass = {0x12345678, 0x9ABC, 0xDEF0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
constexpr DWORD kCreate = STGM_READWRITE | STGM_TRANSACTED | STGM_CREATE;  // 0x11002
constexpr DWORD kChild = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

std::u16string W(const std::filesystem::path& p) { return win32::Utf8ToUtf16(p.string()); }

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + n) & 0xFF);
  return s;
}

uint32_t Crc32(const std::string& s) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : s) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

std::string ClsidText(const CLSID& id) {
  if (id == GUID_NULL) return "-";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", id.Data1, id.Data2, id.Data3,
                id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                id.Data4[7]);
  return buf;
}

ComPtr<IStorage> Create(const std::filesystem::path& p, DWORD mode = kCreate, HRESULT expect = S_OK) {
  ComPtr<IStorage> s;
  EXPECT_EQ(StgCreateDocfile(W(p).c_str(), mode, 0, s.ReleaseAndGetAddressOf()), expect) << p;
  return s;
}

ComPtr<IStorage> Open(const std::filesystem::path& p, DWORD mode = STGM_READ | STGM_SHARE_DENY_WRITE,
                      HRESULT expect = S_OK) {
  ComPtr<IStorage> s;
  EXPECT_EQ(StgOpenStorage(W(p).c_str(), nullptr, mode, nullptr, 0, s.ReleaseAndGetAddressOf()), expect) << p;
  return s;
}

void PutStream(IStorage* stg, const char16_t* name, const std::string& bytes) {
  ComPtr<IStream> s;
  ASSERT_EQ(stg->CreateStream(name, kChild | STGM_CREATE, 0, 0, s.ReleaseAndGetAddressOf()), S_OK);
  ULONG n = 0;
  ASSERT_EQ(s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &n), S_OK);
}

ComPtr<IStorage> PutStorage(IStorage* parent, const char16_t* name, const CLSID& clsid = GUID_NULL) {
  ComPtr<IStorage> s;
  EXPECT_EQ(parent->CreateStorage(name, kChild, 0, 0, s.ReleaseAndGetAddressOf()), S_OK);
  if (s && clsid != GUID_NULL) {
    EXPECT_EQ(WriteClassStg(s.Get(), clsid), S_OK);
  }
  return s;
}

std::string StreamText(IStream* s) {
  std::string out;
  char buf[4096];
  ULONG got = 0;
  while (SUCCEEDED(s->Read(buf, sizeof buf, &got)) && got) out.append(buf, got);
  return out;
}

// One line per element: "path type size clsid crc", sorted; the root first
// as "/ clsid". Built from our reader here and from olefile below.
void Dump(IStorage* stg, const std::string& prefix, std::vector<std::string>* lines) {
  ComPtr<IEnumSTATSTG> e;
  ASSERT_EQ(stg->EnumElements(0, nullptr, 0, e.ReleaseAndGetAddressOf()), S_OK);
  STATSTG st;
  while (e->Next(1, &st, nullptr) == S_OK) {
    std::unique_ptr<WCHAR, decltype(&CoTaskMemFree)> name(st.pwcsName, &CoTaskMemFree);
    const std::string path = prefix + win32::Utf16ToUtf8(name.get());
    std::ostringstream line;
    if (st.type == STGTY_STORAGE) {
      ComPtr<IStorage> sub;
      ASSERT_EQ(stg->OpenStorage(name.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                 sub.ReleaseAndGetAddressOf()),
                S_OK);
      line << path << " storage " << ClsidText(st.clsid);
      lines->push_back(line.str());
      Dump(sub.Get(), path + "/", lines);
    } else {
      ComPtr<IStream> s;
      ASSERT_EQ(stg->OpenStream(name.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, s.ReleaseAndGetAddressOf()),
                S_OK);
      line << path << " stream " << st.cbSize.QuadPart << " " << Crc32(StreamText(s.Get()));
      lines->push_back(line.str());
    }
  }
}

std::vector<std::string> DumpOurs(IStorage* stg) {
  std::vector<std::string> lines;
  CLSID root;
  EXPECT_EQ(ReadClassStg(stg, &root), S_OK);
  lines.push_back("/ " + ClsidText(root));
  Dump(stg, "", &lines);
  std::sort(lines.begin() + 1, lines.end());
  return lines;
}

// The independent reader: Debian's python3-olefile.
std::vector<std::string> DumpWithOlefile(const std::filesystem::path& file, const std::filesystem::path& scratch) {
  const auto script = scratch / "ole_dump.py";
  std::ofstream(script) << R"(import sys, zlib, olefile
ole = olefile.OleFileIO(sys.argv[1])
print('/ ' + (ole.root.clsid or '-'))
lines = []
for parts in ole.listdir(streams=True, storages=True):
    path = '/'.join(parts)
    if ole.get_type(parts) == olefile.STGTY_STORAGE:
        lines.append('%s storage %s' % (path, ole.getclsid(parts) or '-'))
    else:
        data = ole.openstream(parts).read()
        lines.append('%s stream %d %d' % (path, len(data), zlib.crc32(data)))
for l in sorted(lines):
    print(l)
)";
  const std::string cmd = "/usr/bin/python3 '" + script.string() + "' '" + file.string() + "' 2>&1";
  std::vector<std::string> lines;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return lines;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) {
    std::string l(buf);
    while (!l.empty() && l.back() == '\n') l.pop_back();
    lines.push_back(l);
  }
  EXPECT_EQ(::pclose(p), 0) << (lines.empty() ? "" : lines.back());
  return lines;
}

TEST(Docfile, WrittenTreeReadsBackHereAndInOlefile) {
  testing_support::TempMachine m;
  const auto file = m.scratch() / "tree.msg";
  {
    ComPtr<IStorage> root = Create(file);
    ASSERT_TRUE(root);
    ASSERT_EQ(WriteClassStg(root.Get(), kMailMessage), S_OK);
    PutStream(root.Get(), u"empty", "");
    PutStream(root.Get(), u"small", Pattern(100));
    PutStream(root.Get(), u"below", Pattern(4095));   // mini stream
    PutStream(root.Get(), u"at", Pattern(4096));      // regular sectors
    PutStream(root.Get(), u"large", Pattern(70000));  // several sectors, a FAT chain
    PutStream(root.Get(), u"__substg1.0_0037001F", Pattern(31));
    ComPtr<IStorage> sub = PutStorage(root.Get(), u"sub", kSubClass);
    PutStream(sub.Get(), u"inside", Pattern(5000));
    ComPtr<IStorage> inner = PutStorage(sub.Get(), u"inner", kMailMessage);
    PutStream(inner.Get(), u"deep", Pattern(12));
    PutStorage(root.Get(), u"hollow");
    ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
  }
  const std::vector<std::string> expected = {
      "/ 00020D0B-0000-0000-C000-000000000046",
      "__substg1.0_0037001F stream 31 " + std::to_string(Crc32(Pattern(31))),
      "at stream 4096 " + std::to_string(Crc32(Pattern(4096))),
      "below stream 4095 " + std::to_string(Crc32(Pattern(4095))),
      "empty stream 0 0",
      "hollow storage -",
      "large stream 70000 " + std::to_string(Crc32(Pattern(70000))),
      "small stream 100 " + std::to_string(Crc32(Pattern(100))),
      "sub storage 12345678-9ABC-DEF0-0123-456789ABCDEF",
      "sub/inner storage 00020D0B-0000-0000-C000-000000000046",
      "sub/inner/deep stream 12 " + std::to_string(Crc32(Pattern(12))),
      "sub/inside stream 5000 " + std::to_string(Crc32(Pattern(5000))),
  };
  ComPtr<IStorage> back = Open(file);
  ASSERT_TRUE(back);
  EXPECT_EQ(DumpOurs(back.Get()), expected);
  EXPECT_EQ(DumpWithOlefile(file, m.scratch()), expected);
  EXPECT_EQ(StgIsStorageFile(W(file).c_str()), S_OK);
}

TEST(Docfile, TransactedCreateLeavesOldFileUntilCommit) {
  testing_support::TempMachine m;
  const auto file = m.scratch() / "old.msg";
  std::ofstream(file) << "precious";
  Create(file, STGM_READWRITE | STGM_TRANSACTED, STG_E_FILEALREADYEXISTS);  // no STGM_CREATE
  {
    ComPtr<IStorage> root = Create(file);
    PutStream(root.Get(), u"s", "x");
    EXPECT_EQ(StgIsStorageFile(W(file).c_str()), S_FALSE);
    ASSERT_EQ(root->Revert(), S_OK);  // the stream goes away
    PutStream(root.Get(), u"kept", "y");
    ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
    PutStream(root.Get(), u"dropped", "z");  // released without a second commit
  }
  ComPtr<IStorage> back = Open(file);
  ASSERT_TRUE(back);
  EXPECT_EQ(DumpOurs(back.Get()), (std::vector<std::string>{"/ -", "kept stream 1 " + std::to_string(Crc32("y"))}));

  const auto untouched = m.scratch() / "untouched.msg";
  std::ofstream(untouched) << "precious";
  { ComPtr<IStorage> never = Create(untouched); }
  std::ifstream in(untouched);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
}

TEST(Docfile, RefusesNamesThatWouldCorruptTheFile) {
  testing_support::TempMachine m;
  const auto file = m.scratch() / "names.msg";
  ComPtr<IStorage> root = Create(file);
  ASSERT_TRUE(root);
  struct Case {
    std::u16string name;
    HRESULT expect;
  };
  const Case cases[] = {
      {std::u16string(31, u'a'), S_OK},
      {std::u16string(31, u'\u00e9'), S_OK},  // 31 characters, 62 bytes of UTF-8
      {std::u16string(32, u'b'), STG_E_INVALIDNAME},
      {u"", STG_E_INVALIDNAME},
      {u"a/b", STG_E_INVALIDNAME},
      {u"a\\b", STG_E_INVALIDNAME},
      {u"Dup", S_OK},
      {u"Dup", STG_E_FILEALREADYEXISTS},
      {u"DUP", STG_E_FILEALREADYEXISTS},  // names compare without case
  };
  for (const Case& c : cases) {
    ComPtr<IStream> s;
    EXPECT_EQ(root->CreateStream(c.name.c_str(), kChild, 0, 0, s.ReleaseAndGetAddressOf()), c.expect)
        << win32::Utf16ToUtf8(c.name);
    ComPtr<IStorage> g;
    if (c.expect != S_OK) {
      EXPECT_EQ(root->CreateStorage(c.name.c_str(), kChild, 0, 0, g.ReleaseAndGetAddressOf()), c.expect);
    }
  }
  ComPtr<IStorage> clash;
  EXPECT_EQ(root->CreateStorage(u"dup", kChild, 0, 0, clash.ReleaseAndGetAddressOf()), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(root->RenameElement(std::u16string(31, u'a').c_str(), u"dUp"), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(root->RenameElement(u"Dup", std::u16string(40, u'c').c_str()), STG_E_INVALIDNAME);
  // STGM_CREATE replaces the element, stream or storage alike.
  ASSERT_EQ(root->CreateStorage(u"dup", kChild | STGM_CREATE, 0, 0, clash.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
  std::string accented;
  for (int i = 0; i < 31; ++i) accented += "\xC3\xA9";
  const std::vector<std::string> expected = {"/ -", std::string(31, 'a') + " stream 0 0", "dup storage -",
                                             accented + " stream 0 0"};
  EXPECT_EQ(DumpWithOlefile(file, m.scratch()), expected);
}

TEST(Docfile, CopyToWithExclusions) {
  testing_support::TempMachine m;
  ComPtr<IStorage> src;
  ASSERT_EQ(StgCreateDocfile(nullptr, kCreate, 0, src.ReleaseAndGetAddressOf()), S_OK);  // in memory
  ASSERT_EQ(WriteClassStg(src.Get(), kMailMessage), S_OK);
  PutStream(src.Get(), u"keep", Pattern(10));
  PutStream(src.Get(), u"__properties_version1.0", Pattern(6000));
  PutStream(src.Get(), u"skip", "gone");
  ComPtr<IStorage> sub = PutStorage(src.Get(), u"sub", kSubClass);
  PutStream(sub.Get(), u"skip", "nested names are not excluded");

  // Whole tree minus one name, into a file.
  const auto file = m.scratch() / "copy.msg";
  {
    ComPtr<IStorage> dst = Create(file);
    OLECHAR skip[] = u"SKIP";
    LPOLESTR exclude[] = {skip, nullptr};
    ASSERT_EQ(src->CopyTo(0, nullptr, exclude, dst.Get()), S_OK);
    ASSERT_EQ(dst->Commit(STGC_DEFAULT), S_OK);
  }
  const std::vector<std::string> expected = {
      "/ 00020D0B-0000-0000-C000-000000000046",
      "__properties_version1.0 stream 6000 " + std::to_string(Crc32(Pattern(6000))),
      "keep stream 10 " + std::to_string(Crc32(Pattern(10))),
      "sub storage 12345678-9ABC-DEF0-0123-456789ABCDEF",
      "sub/skip stream 29 " + std::to_string(Crc32("nested names are not excluded")),
  };
  EXPECT_EQ(DumpWithOlefile(file, m.scratch()), expected);

  // Excluding IID_IStorage copies the streams only.
  ComPtr<IStorage> flat;
  ASSERT_EQ(StgCreateDocfile(nullptr, kCreate, 0, flat.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(src->CopyTo(1, &IID_IStorage, nullptr, flat.Get()), S_OK);
  EXPECT_EQ(DumpOurs(flat.Get()).size(), 4u);  // root line and the three streams

  // Into itself or below itself would never end.
  EXPECT_EQ(src->CopyTo(0, nullptr, nullptr, sub.Get()), STG_E_ACCESSDENIED);
}

TEST(Docfile, OpenErrorsAndReadOnlyAccess) {
  testing_support::TempMachine m;
  Open(m.scratch() / "missing.msg", STGM_READ, STG_E_FILENOTFOUND);
  Open(m.scratch() / "nodir" / "x.msg", STGM_READ, STG_E_PATHNOTFOUND);
  const auto text = m.scratch() / "plain.txt";
  std::ofstream(text) << "not a compound file, just some text that is long enough to look at";
  Open(text, STGM_READ, STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(StgIsStorageFile(W(text).c_str()), S_FALSE);
  Create(m.scratch() / "nodir" / "x.msg", kCreate, STG_E_PATHNOTFOUND);

  const auto file = m.scratch() / "ro.msg";
  {
    ComPtr<IStorage> root = Create(file);
    PutStream(root.Get(), u"s", "abc");
    ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
  }
  ComPtr<IStorage> ro = Open(file);
  ASSERT_TRUE(ro);
  ComPtr<IStream> s;
  EXPECT_EQ(ro->CreateStream(u"t", kChild, 0, 0, s.ReleaseAndGetAddressOf()), STG_E_ACCESSDENIED);
  EXPECT_EQ(ro->OpenStream(u"s", nullptr, kChild, 0, s.ReleaseAndGetAddressOf()), STG_E_ACCESSDENIED);
  EXPECT_EQ(ro->OpenStream(u"nope", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, s.ReleaseAndGetAddressOf()),
            STG_E_FILENOTFOUND);
  ASSERT_EQ(ro->OpenStream(u"S", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, s.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(s->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
  EXPECT_EQ(StreamText(s.Get()), "abc");
  EXPECT_EQ(WriteClassStg(ro.Get(), kMailMessage), STG_E_ACCESSDENIED);
}

TEST(Docfile, DamagedFilesAreRefusedNotReadPast) {
  testing_support::TempMachine m;
  const auto file = m.scratch() / "whole.msg";
  {
    ComPtr<IStorage> root = Create(file);
    PutStream(root.Get(), u"small", Pattern(300));
    PutStream(root.Get(), u"large", Pattern(9000));
    ComPtr<IStorage> sub = PutStorage(root.Get(), u"sub");
    PutStream(sub.Get(), u"inner", Pattern(5000));
    ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
  }
  std::ifstream in(file, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(in), {});
  const auto cut = m.scratch() / "cut.msg";
  for (size_t len : {size_t{0}, size_t{100}, size_t{512}, size_t{1536}, bytes.size() / 2, bytes.size() - 512}) {
    std::ofstream(cut, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(len));
    ComPtr<IStorage> s;
    const HRESULT hr = StgOpenStorage(W(cut).c_str(), nullptr, STGM_READ, nullptr, 0, s.ReleaseAndGetAddressOf());
    EXPECT_TRUE(FAILED(hr)) << "cut at " << len;
    EXPECT_FALSE(s);
  }
}

TEST(Docfile, DirectModeWritesWithoutCommit) {
  testing_support::TempMachine m;
  const auto file = m.scratch() / "direct.msg";
  {
    ComPtr<IStorage> root = Create(file, STGM_READWRITE | STGM_CREATE | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(StgIsStorageFile(W(file).c_str()), S_OK);  // created at once
    PutStream(root.Get(), u"s", "direct");
  }
  {
    ComPtr<IStorage> rw = Open(file, STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
    PutStream(rw.Get(), u"t", "too");
  }
  EXPECT_EQ(DumpWithOlefile(file, m.scratch()),
            (std::vector<std::string>{"/ -", "s stream 6 " + std::to_string(Crc32("direct")),
                                      "t stream 3 " + std::to_string(Crc32("too"))}));
}

TEST(Docfile, ReopenForWritingAndStreamOfADocfile) {
  testing_support::TempMachine m;
  const auto file = m.scratch() / "rw.msg";
  {
    ComPtr<IStorage> root = Create(file);
    PutStream(root.Get(), u"a", "1");
    PutStorage(root.Get(), u"sub", kSubClass);
    ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
  }
  {
    ComPtr<IStorage> rw = Open(file, STGM_READWRITE | STGM_TRANSACTED);
    ASSERT_EQ(rw->DestroyElement(u"a"), S_OK);
    ComPtr<IStorage> sub;
    ASSERT_EQ(rw->OpenStorage(u"sub", nullptr, kChild, nullptr, 0, sub.ReleaseAndGetAddressOf()), S_OK);
    PutStream(sub.Get(), u"b", "22");
    ASSERT_EQ(sub->Commit(STGC_DEFAULT), S_OK);
    ASSERT_EQ(rw->Commit(STGC_DEFAULT), S_OK);
  }
  ComPtr<IStorage> back = Open(file);
  const std::vector<std::string> expected = {"/ -", "sub storage 12345678-9ABC-DEF0-0123-456789ABCDEF",
                                             "sub/b stream 2 " + std::to_string(Crc32("22"))};
  EXPECT_EQ(DumpOurs(back.Get()), expected);

  // The docfile as one stream of bytes, and a storage read back from them.
  ComPtr<IStream> bytes;
  ASSERT_EQ(com::CreateDocfileStream(back.Get(), bytes.ReleaseAndGetAddressOf()), S_OK);
  STATSTG st;
  ASSERT_EQ(bytes->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart % 512, 0u);
  ComPtr<IStorage> fromStream;
  ASSERT_EQ(com::OpenStorageOnStream(bytes.Get(), STGM_READ, fromStream.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(DumpOurs(fromStream.Get()), expected);

  STATSTG rootStat;
  ASSERT_EQ(back->Stat(&rootStat, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(std::u16string(rootStat.pwcsName), W(file));
  EXPECT_EQ(rootStat.type, STGTY_STORAGE);
  CoTaskMemFree(rootStat.pwcsName);
}

}  // namespace
