// Decoding the name-to-id map: sets named by index or by the GUID stream,
// numeric and string names, and entries that point outside their streams.
#include <gtest/gtest.h>

#include <cstring>

#include "pst/pst_file.h"
#include "pst/pst_namemap.h"
#include "testing/shared_fixtures.h"
#include "testing/temp_machine.h"

namespace pst {
namespace {

constexpr GUID kPsetidAddress = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kCustomSet = {0x11223344, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x01}};

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, static_cast<uint16_t>(v));
  Put16(b, static_cast<uint16_t>(v >> 16));
}
void Entry(std::vector<uint8_t>& b, uint32_t value, uint16_t set, bool isString, uint16_t index) {
  Put32(b, value);
  Put16(b, static_cast<uint16_t>(set << 1 | (isString ? 1 : 0)));
  Put16(b, index);
}

TEST(PstNameMap, DecodesEveryKindOfEntryAndSkipsBrokenOnes) {
  std::vector<uint8_t> guids(sizeof(GUID)), entries, strings;
  std::memcpy(guids.data(), &kCustomSet, sizeof(GUID));
  Put32(strings, 16);
  for (char16_t c : std::u16string(u"Keywords")) Put16(strings, c);
  Entry(entries, 0x8205, 1, false, 0);   // 0x8000: LID in the MAPI set
  Entry(entries, 0, 2, true, 1);         // 0x8001: "Keywords" in public strings
  Entry(entries, 0x0042, 3, false, 2);   // 0x8002: first set of the GUID stream
  Entry(entries, 0x0043, 4, false, 3);   // 0x8003: a set the stream lacks
  Entry(entries, 100, 2, true, 4);       // 0x8004: a string beyond its stream
  Entry(entries, 0x0001, 0, false, 5);   // 0x8005: no set
  NameMap map = NameMap::Decode(guids, entries, strings);

  struct Case {
    uint16_t id;
    bool present;
    GUID guid;
    bool isString;
    uint32_t lid;
    std::u16string name;
  } cases[] = {
      {0x8000, true, kPsMapi, false, 0x8205, u""},
      {0x8001, true, kPsPublicStrings, true, 0, u"Keywords"},
      {0x8002, true, kCustomSet, false, 0x42, u""},
      {0x8003, false, {}, false, 0, u""},
      {0x8004, false, {}, false, 0, u""},
      {0x8005, true, GUID_NULL, false, 1, u""},
      {0x8006, false, {}, false, 0, u""},
  };
  for (const Case& c : cases) {
    const PropName* n = map.NameOf(c.id);
    ASSERT_EQ(n != nullptr, c.present) << std::hex << c.id;
    if (!n) continue;
    EXPECT_TRUE(n->guid == c.guid) << std::hex << c.id;
    EXPECT_EQ(n->isString, c.isString) << std::hex << c.id;
    EXPECT_EQ(n->lid, c.lid) << std::hex << c.id;
    EXPECT_EQ(n->name, c.name) << std::hex << c.id;
    EXPECT_EQ(map.IdOf(*n), c.id) << std::hex << c.id;
  }
  PropName other{kPsPublicStrings, true, 0, u"keywords"};  // names compare exactly
  EXPECT_FALSE(map.IdOf(other));
}

TEST(PstNameMap, ReadsTheMapOfTheSampleFile) {
  SKIP_WITHOUT_SHARED_FIXTURE(sample, "outlook-sample.pst");
  auto file = PstFile::Open(sample.string());
  ASSERT_TRUE(file);
  auto lock = file->Lock();
  const NameMap& map = file->Names();
  EXPECT_GT(map.Size(), 100u);
  // The contact's e-mail display name, named in the address set.
  const PropName* email = map.NameOf(0x803C);
  ASSERT_TRUE(email);
  EXPECT_TRUE(email->guid == kPsetidAddress);
  EXPECT_EQ(email->lid, 0x8084u);
  EXPECT_EQ(map.IdOf(*email), 0x803C);
}

}  // namespace
}  // namespace pst
