// Property values from their description form to file bytes.
#include <gtest/gtest.h>

#include "mapi/mapitags.h"
#include "mapi/tagnames.h"
#include "pstgen/guid.h"
#include "pstgen/values.h"

namespace pstgen {
namespace {

using nlohmann::json;

TEST(Values, TimesAreFileTimesInUtc) {
  struct Case {
    const char* text;
    std::uint64_t filetime;
  } cases[] = {
      {"1601-01-01T00:00:00Z", 0},
      {"1970-01-01T00:00:00Z", 116444736000000000ull},
      {"2024-03-15T13:05:00Z", 133549815000000000ull},
      {"2024-03-15T13:06:07.5Z", 133549815675000000ull},
      {"2024-02-29T23:59:59.1234567Z", 133537247991234567ull},
      {"2024-03-15", 133549344000000000ull},
  };
  for (const Case& c : cases) EXPECT_EQ(c.filetime, FileTimeFromIso(c.text)) << c.text;
  for (const char* bad : {"2024-03-15T13:05:00+01:00", "15/03/2024", "2024-03-15T13:05:00Zjunk", ""})
    EXPECT_THROW(FileTimeFromIso(bad), DescriptionError) << bad;
}

TEST(Values, BinaryForms) {
  EXPECT_EQ(Bytes({0x0a, 0x1b, 0xff}), BinaryFromText("hex:0a1B ff"));
  EXPECT_EQ(Bytes({'h', 'i', '!'}), BinaryFromText("base64:aGkh"));
  EXPECT_EQ(Bytes({'h', 'i'}), BinaryFromText("base64:aGk="));
  EXPECT_EQ(Bytes(), BinaryFromText("hex:"));
  for (const char* bad : {"0a1b", "hex:0a1", "hex:zz", "base64:a*b"})
    EXPECT_THROW(BinaryFromText(bad), DescriptionError) << bad;
  // A one-off entry ID: flags, the one-off provider UID, version, flags, and
  // the name, address type and address NUL-terminated in UTF-16LE.
  Bytes id = BinaryFromText("oneoff:A|SMTP|a@b");
  Bytes want = {0, 0, 0, 0, 0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19, 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F,
                0x54, 0x02, 0, 0, 0x01, 0x90, 'A', 0, 0, 0, 'S', 0, 'M', 0, 'T', 0, 'P', 0, 0, 0,
                'a', 0, '@', 0, 'b', 0, 0, 0};
  EXPECT_EQ(want, id);
  EXPECT_THROW(BinaryFromText("oneoff:no separators"), DescriptionError);
  // Compressed RTF: COMPSIZE, RAWSIZE, "LZFu", CRC, then a control byte
  // whose bit 3 marks the end reference after three literals; the reference
  // names write position 207 + 3 (big-endian, offset << 4).
  Bytes rtf = BinaryFromText("rtf:{x}");
  ASSERT_EQ(22u, rtf.size());
  EXPECT_EQ(Bytes({18, 0, 0, 0, 3, 0, 0, 0, 'L', 'Z', 'F', 'u'}), Bytes(rtf.begin(), rtf.begin() + 12));
  EXPECT_EQ(Bytes({0x08, '{', 'x', '}', 0x0D, 0x20}), Bytes(rtf.begin() + 16, rtf.end()));
  // Eight literals fill a run; the end reference opens the next one.
  Bytes eight = BinaryFromText("rtf:12345678");
  EXPECT_EQ(Bytes({0x00, '1', '2', '3', '4', '5', '6', '7', '8', 0x01, 0x0D, 0x70}), Bytes(eight.begin() + 16, eight.end()));
}

TEST(Values, CodePages) {
  EXPECT_EQ(Bytes({'c', 'a', 'f', 0xE9}), EncodeCodePage("caf\u00e9", 1252));
  EXPECT_EQ(Bytes({0xCF, 0xF0, 0xE8}), EncodeCodePage("\u041f\u0440\u0438", 1251));
  EXPECT_EQ(Bytes({0x82, 0xA0}), EncodeCodePage("\u3042", 932));
  EXPECT_EQ(Bytes({0xC3, 0xA9}), EncodeCodePage("\u00e9", 65001));
  EXPECT_EQ(Bytes({0xE9}), EncodeCodePage("\u00e9", 28591));
  EXPECT_THROW(EncodeCodePage("\u3042", 1252), DescriptionError);  // not representable
  EXPECT_THROW(EncodeCodePage("x", 99999), DescriptionError);
}

TEST(Values, EveryTypeEncodesAsTheFileStoresIt) {
  struct Case {
    ULONG type;
    json value;
    Bytes bytes;
  } cases[] = {
      {PT_I2, -2, {0xFE, 0xFF}},
      {PT_LONG, 0x01020304, {4, 3, 2, 1}},
      {PT_LONG, "0x10", {0x10, 0, 0, 0}},
      {PT_BOOLEAN, true, {1}},
      {PT_BOOLEAN, 0, {0}},
      {PT_DOUBLE, 1.5, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}},
      {PT_FLOAT, 1.5, {0, 0, 0xC0, 0x3F}},
      {PT_I8, -1, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {PT_CURRENCY, 1.25, {0xD4, 0x30, 0, 0, 0, 0, 0, 0}},
      {PT_SYSTIME, "1970-01-01T00:00:00Z", {0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01}},
      {PT_UNICODE, "\u00e9\U0001F600", {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE}},
      {PT_UNICODE, "", {}},
      {PT_STRING8, "\u00e9", {0xE9}},
      {PT_BINARY, "hex:0001", {0, 1}},
      {PT_CLSID, "{00062002-0000-0000-C000-000000000046}",
       {0x02, 0x20, 0x06, 0x00, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46}},
      // Fixed-size multi-values are the values one after another...
      {PT_MV_LONG, json::array({1, 2}), {1, 0, 0, 0, 2, 0, 0, 0}},
      {PT_MV_I2, json::array({1, -1}), {1, 0, 0xFF, 0xFF}},
      {PT_MV_LONG, json::array(), {}},
      // ...variable-size ones a count, each item's offset, then the items.
      {PT_MV_UNICODE, json::array({"a", "bc"}), {2, 0, 0, 0, 12, 0, 0, 0, 14, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0}},
      {PT_MV_BINARY, json::array({"hex:01", "hex:"}), {2, 0, 0, 0, 12, 0, 0, 0, 13, 0, 0, 0, 1}},
      {PT_MV_STRING8, json::array({"\u00e9"}), {1, 0, 0, 0, 8, 0, 0, 0, 0xE9}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.bytes, EncodeValue(c.type, c.value, 1252)) << mapi::NameFromType(c.type) << " " << c.value.dump();
}

TEST(Values, WrongValuesAreRefused) {
  struct Case {
    ULONG type;
    json value;
  } cases[] = {
      {PT_LONG, "ten"}, {PT_LONG, 1.5},       {PT_BOOLEAN, "yes"},         {PT_UNICODE, 3},
      {PT_BINARY, "plain"}, {PT_CLSID, "{nope}"}, {PT_MV_LONG, 1},          {PT_MV_UNICODE, json::array({1})},
      {PT_SYSTIME, "yesterday"}, {PT_OBJECT, "x"},
  };
  for (const Case& c : cases)
    EXPECT_THROW(EncodeValue(c.type, c.value, 1252), DescriptionError) << mapi::NameFromType(c.type) << " " << c.value.dump();
}

TEST(Values, TagNamesBothWays) {
  EXPECT_EQ(PR_SUBJECT_W, mapi::TagFromName("PR_SUBJECT_W"));
  EXPECT_EQ(0x0037001Fu, PR_SUBJECT_W);
  EXPECT_EQ(0x0037001Eu, PR_SUBJECT_A);
  EXPECT_EQ(PR_SUBJECT_W, PR_SUBJECT);
  EXPECT_EQ(0x3A58101Fu, PR_CHILDRENS_NAMES_W);
  EXPECT_EQ(0x3701000Du, PR_ATTACH_DATA_OBJ);
  EXPECT_EQ("PR_SUBJECT_W", mapi::NameFromTag(PR_SUBJECT_W));
  EXPECT_EQ("PR_ATTACH_DATA_BIN", mapi::NameFromTag(0x37010102));
  EXPECT_FALSE(mapi::TagFromName("PR_NO_SUCH_THING"));
  EXPECT_EQ(PT_MV_UNICODE, mapi::TypeFromName("PT_MV_UNICODE"));
  EXPECT_EQ(0x0E070003u, CHANGE_PROP_TYPE(PR_MESSAGE_FLAGS, PT_LONG));
  EXPECT_EQ(0x0E07u, PROP_ID(PR_MESSAGE_FLAGS));
}

TEST(Values, PropertySetsByNameOrGuid) {
  auto g = PropertySet("PSETID_Appointment");
  ASSERT_TRUE(g);
  EXPECT_EQ(*g, *ParseGuid("{00062002-0000-0000-C000-000000000046}"));
  EXPECT_EQ(*PropertySet("PS_PUBLIC_STRINGS"), kPsPublicStrings);
  EXPECT_TRUE(ParseGuid("00062002-0000-0000-c000-000000000046"));
  for (const char* bad : {"PSETID_Nope", "{00062002-0000-0000-C000-00000000004}", "{00062002+0000-0000-C000-000000000046}"})
    EXPECT_FALSE(PropertySet(bad)) << bad;
}

}  // namespace
}  // namespace pstgen
