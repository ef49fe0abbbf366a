// Registry readers: which value types are read, and that every buffer ends
// within itself.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "mapisupport/Registry.h"
#include "testing/temp_machine.h"
#include "win32/registry.h"

namespace {

constexpr const char16_t* kKey = u"Software\\Test";

struct Freed {
  void operator()(void* p) const { delete[] static_cast<BYTE*>(p); }
};

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
  }
  void Set(const char16_t* name, DWORD type, const void* data, DWORD cb) {
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), cb), ERROR_SUCCESS);
  }
  testing_support::TempMachine machine;
  win32::ScopedKey key;
};

TEST_F(RegistryTest, ReadsStringDwordAndMultiString) {
  Set(u"sz", REG_SZ, u"Test Mail", sizeof(u"Test Mail"));
  const DWORD number = 0x12345678;
  Set(u"dw", REG_DWORD, &number, sizeof number);
  Set(u"multi", REG_MULTI_SZ, u"a\0b\0", sizeof(u"a\0b\0"));

  DWORD type = 0;
  LPVOID raw = nullptr;
  ASSERT_EQ(HrGetRegistryValue(key.get(), u"sz", &type, &raw), S_OK);
  std::unique_ptr<void, Freed> sz(raw);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(raw)), u"Test Mail");

  ASSERT_EQ(HrGetRegistryValue(key.get(), u"dw", &type, &raw), S_OK);
  std::unique_ptr<void, Freed> dw(raw);
  EXPECT_EQ(type, REG_DWORD);
  DWORD read = 0;
  std::memcpy(&read, raw, sizeof read);
  EXPECT_EQ(read, number);

  ASSERT_EQ(HrGetRegistryValue(key.get(), u"multi", &type, &raw), S_OK);
  std::unique_ptr<void, Freed> multi(raw);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(std::memcmp(raw, u"a\0b\0", sizeof(u"a\0b\0")), 0);
}

TEST_F(RegistryTest, AnsiReaderGivesEightBitText) {
  Set(u"sz", REG_SZ, u"caf\u00e9", sizeof(u"caf\u00e9"));
  DWORD type = 0;
  LPVOID raw = nullptr;
  ASSERT_EQ(HrGetRegistryValueA(key.get(), "sz", &type, &raw), S_OK);
  std::unique_ptr<void, Freed> sz(raw);
  EXPECT_STREQ(static_cast<const char*>(raw), "caf\xe9");
}

TEST_F(RegistryTest, DwordReadAsTextStopsWithinTheBuffer) {
  // Four non-zero bytes and no terminator: the reader's padding ends them.
  const DWORD number = 0x31313131;
  Set(u"dw", REG_DWORD, &number, sizeof number);
  DWORD type = 0;
  LPVOID raw = nullptr;
  ASSERT_EQ(HrGetRegistryValueA(key.get(), "dw", &type, &raw), S_OK);
  std::unique_ptr<void, Freed> dw(raw);
  EXPECT_STREQ(static_cast<const char*>(raw), "1111");
}

TEST_F(RegistryTest, OtherTypesMissingAndEmptyValuesAreRefused) {
  const BYTE bytes[] = {1, 2, 3};
  Set(u"expand", REG_EXPAND_SZ, u"%TEMP%", sizeof(u"%TEMP%"));
  Set(u"binary", REG_BINARY, bytes, sizeof bytes);
  Set(u"empty", REG_BINARY, nullptr, 0);
  for (const char16_t* name : {u"expand", u"binary", u"empty", u"missing"}) {
    LPVOID raw = reinterpret_cast<LPVOID>(1);
    DWORD type = 0;
    EXPECT_EQ(HrGetRegistryValue(key.get(), name, &type, &raw), E_INVALIDARG);
    EXPECT_EQ(raw, nullptr);
  }
  LPVOID raw = reinterpret_cast<LPVOID>(1);
  EXPECT_EQ(HrGetRegistryValueA(key.get(), "binary", nullptr, &raw), E_INVALIDARG);
  EXPECT_EQ(raw, nullptr);
}

}  // namespace
