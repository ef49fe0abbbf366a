#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/registry.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Writes registry.reg as a new file, as a hand edit or another process would.
void WriteRegistry(const std::string& text) {
  const fs::path tmp = win32::RegistryFile().string() + ".edit";
  std::ofstream(tmp, std::ios::binary) << text;
  fs::rename(tmp, win32::RegistryFile());
}

// Makes the next call parse the file again instead of using what was cached.
void Reload() { WriteRegistry(ReadText(win32::RegistryFile())); }

std::vector<BYTE> Bytes(std::u16string_view s) {
  std::vector<BYTE> out;
  for (char16_t c : s) {
    out.push_back(BYTE(c));
    out.push_back(BYTE(c >> 8));
  }
  return out;
}

LSTATUS Create(HKEY root, const char16_t* path, win32::ScopedKey& k, REGSAM sam = KEY_ALL_ACCESS) {
  return RegCreateKeyExW(root, path, 0, nullptr, 0, sam, nullptr, k.put(), nullptr);
}

class Registry : public ::testing::Test {
 protected:
  testing_support::TempMachine machine;
};

TEST_F(Registry, EveryTypeRoundTripsThroughTheFileWithWindowsSizes) {
  struct Case {
    const char16_t* name;
    DWORD type;
    std::vector<BYTE> data;
    std::vector<BYTE> ansi;  // what the A variant returns
  };
  const std::vector<Case> cases = {
      {u"Sz", REG_SZ, Bytes(std::u16string(u"Hello\0", 6)), {'H', 'e', 'l', 'l', 'o', 0}},
      {u"Euro", REG_SZ, Bytes(std::u16string(u"\u20ac\u00e9\u4e2d\0", 4)), {0x80, 0xE9, '?', 0}},
      {u"Empty", REG_SZ, Bytes(std::u16string(u"\0", 1)), {0}},
      {u"Expand", REG_EXPAND_SZ, Bytes(std::u16string(u"%TEMP%\\x\0", 9)), {'%', 'T', 'E', 'M', 'P', '%', '\\', 'x', 0}},
      {u"Multi", REG_MULTI_SZ, Bytes(std::u16string(u"a\0bc\0\0", 6)), {'a', 0, 'b', 'c', 0, 0}},
      {u"Dword", REG_DWORD, {0x0a, 0, 0, 0}, {0x0a, 0, 0, 0}},
      {u"Binary", REG_BINARY, std::vector<BYTE>(100, 0xAB), std::vector<BYTE>(100, 0xAB)},
      {u"NoBytes", REG_BINARY, {}, {}},
      {u"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
      {u"SzWithNewline", REG_SZ, Bytes(std::u16string(u"a\nb\0", 4)), {'a', '\n', 'b', 0}},
      {u"ShortDword", REG_DWORD, {1, 2}, {1, 2}},
  };
  {
    win32::ScopedKey k;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, u"Software\\Brackenford\\Types", k), ERROR_SUCCESS);
    for (const Case& c : cases)
      ASSERT_EQ(RegSetValueExW(k.get(), c.name, 0, c.type, c.data.data(), DWORD(c.data.size())), ERROR_SUCCESS);
  }
  Reload();
  win32::ScopedKey k;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Brackenford\\Types", 0, KEY_READ, k.put()), ERROR_SUCCESS);
  for (const Case& c : cases) {
    SCOPED_TRACE(win32::RegistryFile().string() + " value " + std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    DWORD type = 99, size = 0;
    ASSERT_EQ(RegQueryValueExW(k.get(), c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(size, c.data.size());
    std::vector<BYTE> buf(size + 4, 0xEE);
    size = DWORD(buf.size());
    ASSERT_EQ(RegQueryValueExW(k.get(), c.name, nullptr, &type, buf.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<BYTE>(buf.begin(), buf.begin() + size), c.data);

    std::string aname;
    for (const char16_t* p = c.name; *p; ++p) aname += char(*p);
    ASSERT_EQ(RegQueryValueExA(k.get(), aname.c_str(), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, c.ansi.size());
    buf.assign(size, 0xEE);
    ASSERT_EQ(RegQueryValueExA(k.get(), aname.c_str(), nullptr, &type, buf.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(buf, c.ansi);
  }
}

TEST_F(Registry, SmallBufferGivesMoreDataAndTheSizeNeeded) {
  ASSERT_EQ(win32::RegSetString(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail", u"", u"Outbox"), ERROR_SUCCESS);
  win32::ScopedKey k;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail", 0, KEY_READ, k.put()), ERROR_SUCCESS);
  BYTE buf[8];
  std::memset(buf, 0x5A, sizeof buf);
  DWORD size = sizeof buf, type = 0;
  EXPECT_EQ(RegQueryValueExW(k.get(), nullptr, nullptr, &type, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 14u);
  EXPECT_EQ(type, REG_SZ);
  size = 6;
  EXPECT_EQ(RegQueryValueExA(k.get(), "", nullptr, nullptr, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  size = 7;
  EXPECT_EQ(RegQueryValueExA(k.get(), nullptr, nullptr, nullptr, buf, &size), ERROR_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "Outbox");
  EXPECT_EQ(RegQueryValueExW(k.get(), u"", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, MissingKeysAndValuesAreFileNotFound) {
  ASSERT_EQ(win32::RegSetDword(HKEY_CURRENT_USER, u"Software\\B", u"Present", 1), ERROR_SUCCESS);
  win32::ScopedKey k;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\B", 0, KEY_ALL_ACCESS, k.put()), ERROR_SUCCESS);
  HKEY out = reinterpret_cast<HKEY>(1);
  DWORD size = 0;
  const struct {
    const char* what;
    LSTATUS rc;
  } cases[] = {
      {"open missing key", RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Nope", 0, KEY_READ, &out)},
      {"open below missing key", RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\B\\C", 0, KEY_READ, &out)},
      {"query missing value", RegQueryValueExW(k.get(), u"Absent", nullptr, nullptr, nullptr, &size)},
      {"query missing default", RegQueryValueExA(k.get(), nullptr, nullptr, nullptr, nullptr, &size)},
      {"delete missing value", RegDeleteValueW(k.get(), u"Absent")},
      {"delete missing key", RegDeleteKeyW(k.get(), u"Absent")},
  };
  for (const auto& c : cases) EXPECT_EQ(c.rc, LSTATUS(ERROR_FILE_NOT_FOUND)) << c.what;
  EXPECT_EQ(out, nullptr);
  EXPECT_FALSE(win32::RegGetString(HKEY_CURRENT_USER, u"Software\\B", u"Present"));  // a DWORD
  EXPECT_EQ(win32::RegGetDword(HKEY_CURRENT_USER, u"software\\b", u"PRESENT"), 1u);
}

TEST_F(Registry, NamesAreCaseInsensitiveAndKeepTheirFirstSpelling) {
  win32::ScopedKey a, b;
  DWORD disp = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, a.put(), &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\clients\\MAIL\\", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, b.put(), &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
  const std::vector<BYTE> v1 = Bytes(std::u16string(u"one\0", 4)), v2 = Bytes(std::u16string(u"two\0", 4));
  ASSERT_EQ(RegSetValueExW(a.get(), u"MSIComponentID", 0, REG_SZ, v1.data(), DWORD(v1.size())), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(b.get(), u"msicomponentid", 0, REG_SZ, v2.data(), DWORD(v2.size())), ERROR_SUCCESS);
  Reload();
  EXPECT_EQ(win32::RegGetString(HKEY_LOCAL_MACHINE, u"software\\CLIENTS\\mail", u"MsiComponentId"), u"two");
  const std::string text = ReadText(win32::RegistryFile());
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail]\n\"MSIComponentID\"=\"two\"\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("SOFTWARE"), std::string::npos);
}

TEST_F(Registry, QuotesAndBackslashesInNamesAndStringsAreEscaped) {
  const std::u16string name = u"Say \"hi\"\\now";
  const std::u16string value = u"C:\\Program Files\\\"x\"\\";
  ASSERT_EQ(win32::RegSetString(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-0000-0000-0000-000000000001}", name, value),
            ERROR_SUCCESS);
  const std::string text = ReadText(win32::RegistryFile());
  EXPECT_NE(text.find("\"Say \\\"hi\\\"\\\\now\"=\"C:\\\\Program Files\\\\\\\"x\\\"\\\\\"\n"), std::string::npos)
      << text;
  Reload();
  EXPECT_EQ(win32::RegGetString(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-0000-0000-0000-000000000001}", name), value);
}

TEST_F(Registry, ReadsAHandWrittenFile) {
  WriteRegistry(
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; the default client\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail]\r\n"
      "@=\"Outbox\"\r\n"
      "\r\n"
      "[hkey_local_machine\\Software\\Clients\\Mail\\Outbox]\r\n"
      "\"MSIComponentID\" = \"{1234}\"\r\n"
      "\"Count\"=dword:0000000A\r\n"
      "\"Path\"=hex(2):25,00,54,00,\\\r\n"
      "  4d,00,50,00,25,00,00,00\r\n"
      "\"List\"=hex(7):61,00,00,00,00,00\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\"Gone\"=-\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Temp\\Inner]\r\n"
      "[-HKEY_CURRENT_USER\\Temp]\r\n");
  EXPECT_EQ(win32::RegGetString(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail", u""), u"Outbox");
  const std::u16string mail = u"Software\\Clients\\Mail\\Outbox";
  EXPECT_EQ(win32::RegGetString(HKEY_LOCAL_MACHINE, mail, u"MSIComponentID"), u"{1234}");
  EXPECT_EQ(win32::RegGetDword(HKEY_LOCAL_MACHINE, mail, u"Count"), 10u);
  EXPECT_EQ(win32::RegGetString(HKEY_LOCAL_MACHINE, mail, u"Path"), u"%TMP%");
  win32::ScopedKey k;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, mail.c_str(), 0, KEY_READ, k.put()), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(k.get(), u"List", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(RegQueryValueExW(k.get(), u"Gone", nullptr, nullptr, nullptr, &size), LSTATUS(ERROR_FILE_NOT_FOUND));
  HKEY temp = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Temp", 0, KEY_READ, &temp), LSTATUS(ERROR_FILE_NOT_FOUND));
}

TEST_F(Registry, ReadsAUtf16FileAsRegeditExportsIt) {
  const std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n"
                              u"\"Name\"=\"caf\u00e9 \u20ac\"\r\n";
  std::string bytes;
  for (char16_t c : text) bytes += {char(c & 0xFF), char(c >> 8)};
  WriteRegistry(bytes);
  EXPECT_EQ(win32::RegGetString(HKEY_CURRENT_USER, u"X", u"Name"), u"caf\u00e9 \u20ac");
}

TEST_F(Registry, DamagedFileNamesTheLineAndIsLeftAsItIs) {
  const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n";
  const struct {
    std::string text;
    int line;
    const char* problem;
  } cases[] = {
      {"REGEDIT4\n", 1, "first line"},
      {head + "\"a\"=\"C:\\Program Files\"\n", 4, "escape"},
      {head + "\"a\"=\"open\n", 4, "closing"},
      {head + "\"a\"=dword:123456789\n", 4, "dword"},
      {head + "\"a\"=dword:xyz\n", 4, "dword"},
      {head + "\"a\"=hex:01,zz\n", 4, "hex byte"},
      {head + "\"a\"=hex:01,\\\n  02,,03\n", 4, "hex byte"},
      {head + "\"a\"=hex(2:01\n", 4, "hex(type)"},
      {head + "\"a\"=text\n", 4, "unknown value data"},
      {head + "\"a\"\n", 4, "'='"},
      {head + "[HKEY_LOCAL_MACHINE\\Software\n", 4, "']'"},
      {head + "[HKEY_NOWHERE\\Software]\n", 4, "unknown root"},
      {head + "[HKEY_LOCAL_MACHINE\\\\Software]\n", 4, "empty key name"},
      {head + "garbage\n", 4, "expected"},
      {head + "\"a\"=\"\xff\xfe\"\n", 4, "UTF-8"},
      {"Windows Registry Editor Version 5.00\n@=\"x\"\n", 2, "before any [key]"},
      {head + "\n\n\n\"a\"=\"ok\" trailing\n", 7, "after the closing"},
  };
  for (const auto& c : cases) {
    WriteRegistry(c.text);
    std::string message;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(win32::CheckRegistry(&message), LSTATUS(ERROR_BADDB)) << c.text;
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string where = "registry.reg:" + std::to_string(c.line) + ": ";
    EXPECT_NE(message.find(where), std::string::npos) << c.text << " gave " << message;
    EXPECT_NE(message.find(c.problem), std::string::npos) << c.text << " gave " << message;
    EXPECT_EQ(err, message + "\n");

    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, &h), LSTATUS(ERROR_BADDB));
    EXPECT_EQ(win32::RegSetDword(HKEY_LOCAL_MACHINE, u"Software", u"x", 1), LSTATUS(ERROR_BADDB));
    EXPECT_EQ(ReadText(win32::RegistryFile()), c.text);  // a write never replaces what it cannot read
  }
}

// Nesting depth of keys: a file that holds them deeper than Windows allows
// is damaged (the tree is never built), and no call makes one.
TEST_F(Registry, KeysDeeperThanTheLimitAreRefused) {
  auto nested = [](int depth) {
    std::string path = "HKEY_CURRENT_USER";
    for (int i = 0; i < depth; ++i) path += "\\k";
    return path;
  };
  const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n";
  WriteRegistry(head + "[" + nested(512) + "]\n\"v\"=dword:00000001\n");
  EXPECT_EQ(win32::CheckRegistry(), ERROR_SUCCESS) << "512 levels are allowed";
  for (int depth : {513, 300000}) {
    SCOPED_TRACE(depth);
    WriteRegistry(head + "[" + nested(depth) + "]\n");
    std::string message;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(win32::CheckRegistry(&message), LSTATUS(ERROR_BADDB));
    ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("registry.reg:5: key nested deeper than 512 levels"), std::string::npos) << message;
  }

  WriteRegistry(head);
  std::u16string sub;
  for (int i = 0; i < 511; ++i) sub += u"k\\";
  win32::ScopedKey key, deeper;
  EXPECT_EQ(Create(HKEY_CURRENT_USER, (sub + u"last").c_str(), key), ERROR_SUCCESS);
  EXPECT_EQ(Create(key.get(), u"one more", deeper), LSTATUS(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(win32::CheckRegistry(), ERROR_SUCCESS);
}

TEST_F(Registry, KeysDeleteOnlyWhenEmptyAndHandlesSeeTheDeletion) {
  ASSERT_EQ(win32::RegSetDword(HKEY_CLASSES_ROOT, u"CLSID\\{A}\\InprocServer32", u"x", 1), ERROR_SUCCESS);
  win32::ScopedKey clsid, inproc;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{A}", 0, KEY_ALL_ACCESS, clsid.put()), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExW(clsid.get(), u"InprocServer32", 0, KEY_READ, inproc.put()), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{A}"), LSTATUS(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), LSTATUS(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID\\{A}"), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(inproc.get(), u"x", nullptr, nullptr, nullptr, &size), LSTATUS(ERROR_KEY_DELETED));
  EXPECT_EQ(win32::RegSetDword(clsid.get(), u"", u"y", 1), LSTATUS(ERROR_KEY_DELETED));
  HKEY h = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{A}", 0, KEY_READ, &h), LSTATUS(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_READ, &h), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(h, u""), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(h), LSTATUS(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(Registry, AccessRightsAndBadArgumentsAreRefused) {
  win32::ScopedKey ro;
  ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, u"Software\\RO", ro, KEY_READ), ERROR_SUCCESS);
  const BYTE one[4] = {1, 0, 0, 0};
  HKEY h = nullptr;
  const struct {
    const char* what;
    LSTATUS rc, want;
  } cases[] = {
      {"set through a read handle", RegSetValueExW(ro.get(), u"v", 0, REG_DWORD, one, 4), ERROR_ACCESS_DENIED},
      {"leading backslash", RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\Software", 0, KEY_READ, &h), ERROR_BAD_PATHNAME},
      {"unknown handle", RegOpenKeyExW(reinterpret_cast<HKEY>(0x77), u"x", 0, KEY_READ, &h), ERROR_INVALID_HANDLE},
      {"null data with a size", RegSetValueExW(HKEY_CURRENT_USER, u"v", 0, REG_BINARY, nullptr, 4),
       ERROR_INVALID_PARAMETER},
      {"line break in a name", RegSetValueExW(HKEY_CURRENT_USER, u"a\nb", 0, REG_DWORD, one, 4),
       ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) EXPECT_EQ(c.rc, c.want) << c.what;
}

TEST_F(Registry, EnumeratesSubkeysInOrderAndValuesAsSet) {
  for (const char16_t* n : {u"Zeta", u"alpha", u"Mid"}) ASSERT_EQ(win32::RegSetDword(HKEY_CURRENT_USER, std::u16string(u"E\\") + n, u"", 0), ERROR_SUCCESS);
  ASSERT_EQ(win32::RegSetDword(HKEY_CURRENT_USER, u"E", u"second", 2), ERROR_SUCCESS);
  ASSERT_EQ(win32::RegSetDword(HKEY_CURRENT_USER, u"E", u"first", 1), ERROR_SUCCESS);
  win32::ScopedKey k;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"E", 0, KEY_READ, k.put()), ERROR_SUCCESS);
  std::vector<std::u16string> names;
  WCHAR buf[16];
  for (DWORD i = 0;; ++i) {
    DWORD cch = 16;
    const LSTATUS rc = RegEnumKeyExW(k.get(), i, buf, &cch, nullptr, nullptr, nullptr, nullptr);
    if (rc == LSTATUS(ERROR_NO_MORE_ITEMS)) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    names.emplace_back(buf, cch);
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"alpha", u"Mid", u"Zeta"}));
  DWORD cch = 4;
  EXPECT_EQ(RegEnumKeyExW(k.get(), 0, buf, &cch, nullptr, nullptr, nullptr, nullptr), LSTATUS(ERROR_MORE_DATA));
  cch = 16;
  DWORD type = 0, data = 0, size = 4;
  ASSERT_EQ(RegEnumValueW(k.get(), 0, buf, &cch, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(buf, cch), u"second");
  EXPECT_EQ(data, 2u);
}

TEST_F(Registry, TwoWriterProcessesLoseNothingAndReadersSeeWholeFiles) {
  constexpr int kEach = 200;
  pid_t pids[3];
  pids[2] = ::fork();
  ASSERT_GE(pids[2], 0);
  if (pids[2] == 0) {  // reads while the others write: never a damaged or emptied file
    int broken = 0;
    bool seen = false;
    for (int i = 0; i < 500; ++i) {
      win32::ScopedKey k;
      const bool there = RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Race", 0, KEY_READ, k.put()) == 0;
      broken += (seen && !there) || win32::CheckRegistry() != ERROR_SUCCESS;
      seen = seen || there;
    }
    ::_exit(broken ? 1 : 0);
  }
  for (int w = 0; w < 2; ++w) {
    pids[w] = ::fork();
    ASSERT_GE(pids[w], 0);
    if (pids[w] == 0) {
      int failures = 0;
      for (int i = 0; i < kEach; ++i) {
        const std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
        failures += win32::RegSetDword(HKEY_LOCAL_MACHINE, u"Software\\Race", std::u16string(name.begin(), name.end()),
                                       DWORD(w * 1000 + i)) != ERROR_SUCCESS;
      }
      ::_exit(failures ? 1 : 0);
    }
  }
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < 2; ++w)
    for (int i = 0; i < kEach; ++i) {
      const std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
      EXPECT_EQ(win32::RegGetDword(HKEY_LOCAL_MACHINE, u"Software\\Race", std::u16string(name.begin(), name.end())),
                DWORD(w * 1000 + i))
          << name;
    }
}

}  // namespace
