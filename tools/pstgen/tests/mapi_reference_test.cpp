// The MAPI stand-in against libpff, property by property, over pstgen
// files of both forms (the fixture descriptions, a description with
// tables that spill into subnodes, deep B-trees and large and nested
// attachments, synthetic files) and the files Outlook wrote; the largest
// pstgen file (XXBLOCK data, SIBLOCK subnodes) is compared in
// structures_test.cpp. Each case
// names the differences it has by design beyond the ones every file has
// (the session's own identity and the properties it adds); any other
// difference fails it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "file_inspector.h"
#include "mapi_reference.h"
#include "pff_reader.h"
#include "pstgen/json_description.h"
#include "pstgen/synthetic.h"
#include "pstgen/writer.h"
#include "testing/shared_fixtures.h"
#include "testing/temp_machine.h"
#include "win32/codepage.h"
#include "win32/errors.h"

namespace pstgen_test {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

fs::path Fixture(const std::string& name) { return fs::path(PSTGEN_TEST_DATA) / name; }

// Rules every file may show; the others a case names when it has them.
const std::set<Rule> kEverywhere = {Rule::kOwnIdentity, Rule::kAddedWhenMissing, Rule::kStoreEntryIds,
                                    Rule::kNamedByName, Rule::kEmptyCells};

std::string Report(const Comparison& c) {
  std::ostringstream out;
  out << c.objects << " objects, " << c.values << " values; by design:";
  for (const auto& [rule, n] : c.byDesign) out << " " << RuleName(rule) << " " << n;
  const std::size_t shown = std::min<std::size_t>(c.differences.size(), 25);
  for (std::size_t i = 0; i < shown; ++i) out << "\n  " << c.differences[i];
  if (shown < c.differences.size()) out << "\n  ... " << c.differences.size() - shown << " more";
  return out.str();
}

// Compares the file on a machine of `codePage`, with libpff converting in
// the same page; `expected` are the case's own by-design rules, `allowed`
// rules it may show or not.
void ExpectSameAsLibpff(const fs::path& pst, std::set<Rule> expected, UINT codePage = 1252,
                        std::set<Rule> allowed = {}) {
  SCOPED_TRACE(pst.filename().string() + " in code page " + std::to_string(codePage));
  ASSERT_EQ(win32::SetMachineCodePage(codePage), ERROR_SUCCESS);
  const ReadFile pff = ReadPst(pst, int(codePage));
  const Comparison c = CompareThroughMapi(pst, pff);
  EXPECT_TRUE(c.differences.empty()) << Report(c);
  EXPECT_GT(c.values, 0) << Report(c);
  for (const RuleText& r : kRules) {
    if (kEverywhere.count(r.rule) || allowed.count(r.rule)) continue;
    EXPECT_EQ(c.byDesign.count(r.rule) > 0, expected.count(r.rule) > 0) << r.name << ": " << Report(c);
  }
}

fs::path Write(const testing_support::TempMachine& machine, json description, const std::string& form,
               const std::string& name) {
  description["format"] = form;
  const fs::path pst = machine.scratch() / (name + "." + form + ".pst");
  pstgen::WritePst(pstgen::ParseDescription(description), pst);
  return pst;
}

json Load(const std::string& fixture) {
  std::ifstream in(Fixture(fixture));
  return json::parse(in);
}

std::string Repeated(const std::string& piece, std::size_t bytes) {
  std::string out;
  while (out.size() < bytes) out += piece;
  out.resize(bytes);
  return out;
}

// Tables that spill into subnodes (a contents table of hundreds of rows, a
// recipient table of hundreds), B-trees of more than one level, values
// larger than a row or a block holds, and attachments inside embedded
// messages three deep.
json Spilling() {
  json many = json::array();
  for (int i = 0; i < 400; ++i)
    many.push_back({{"props", {{"PR_SUBJECT_W", "Message " + std::to_string(i)}, {"PR_BODY_W", Repeated("body ", 40 + i)}}}});
  json recipients = json::array();
  for (int i = 0; i < 200; ++i)
    recipients.push_back({{"type", i % 3 == 0 ? "cc" : "to"}, {"name", "Person " + std::to_string(i)},
                          {"email", "p" + std::to_string(i) + "@example.com"}});
  json attachments = json::array();
  for (int i = 0; i < 30; ++i)
    attachments.push_back({{"method", 1}, {"long_filename", "f" + std::to_string(i) + ".txt"},
                           {"data", "hex:" + Repeated("0a1b2c", 2 * (i + 1))}});
  attachments.push_back({{"method", 1}, {"long_filename", "large.bin"}, {"data", "hex:" + Repeated("5aa5c3", 600000)}});
  json innermost = {{"props", {{"PR_SUBJECT_W", "Third"}}},
                    {"recipients", {{{"name", "Deep"}, {"email", "deep@example.com"}}}},
                    {"attachments", {{{"method", 1}, {"long_filename", "deep.txt"}, {"data", "base64:ZGVlcA=="}}}}};
  json middle = {{"props", {{"PR_SUBJECT_W", "Second"}}},
                 {"attachments", {{{"method", 5}, {"display_name", "third"}, {"message", innermost}},
                                  {{"method", 1}, {"long_filename", "mid.txt"}, {"data", "base64:bWlk"}}}}};
  json outer = {{"props", {{"PR_SUBJECT_W", "First"}, {"PR_BODY_W", Repeated("long body ", 100000)}}},
                {"attachments", {{{"method", 5}, {"display_name", "second"}, {"message", middle}}}}};
  return {{"store", {{"display_name", "Spilling"}}},
          {"folders",
           {{{"name", "Many"}, {"messages", many}},
            {{"name", "Wide"},
             {"props", {{"PR_COMMENT_W", Repeated("folder comment ", 70000)}}},
             {"messages", {{{"props", {{"PR_SUBJECT_W", "Wide"}}}, {"recipients", recipients}, {"attachments", attachments}},
                           outer}}}}}};
}

class MapiReference : public ::testing::Test {
 protected:
  void SetUp() override { ::unsetenv(win32::kCodePageVariable); }
  testing_support::TempMachine machine_;
};

TEST_F(MapiReference, DescriptionsOfBothForms) {
  struct Case {
    std::string name;
    json description;
    bool ansi;  // whether its text fits the ANSI form's Windows-1252
    std::set<Rule> rules;
  } cases[] = {
      {"mail", Load("mail.json"), true, {}},
      {"classes", Load("classes.json"), true, {}},
      {"folders", Load("folders.json"), false, {}},
      {"attach_methods", Load("attach_methods.json"), true, {}},
      {"ansi", Load("ansi.json"), true, {}},
      {"spilling", Spilling(), true, {Rule::kTooLarge}},
  };
  for (const Case& c : cases) {
    for (const char* form : {"unicode", "ansi"}) {
      if (std::string(form) == "ansi" && !c.ansi) continue;
      const fs::path pst = Write(machine_, c.description, form, c.name);
      if (c.name == "spilling") {  // what the description is for
        const FileShape shape = InspectFile(pst);
        EXPECT_GE(shape.nbtLevels, 1) << form;
        EXPECT_GE(shape.bbtLevels, 1) << form;
        EXPECT_GE(shape.deepestDataTree, 1) << form;
      }
      ExpectSameAsLibpff(pst, c.rules);
    }
  }
}

TEST_F(MapiReference, SyntheticFiles) {
  for (std::uint64_t seed : {1u, 2u}) {
    const fs::path pst = machine_.scratch() / ("synthetic-" + std::to_string(seed) + ".pst");
    pstgen::WriteSynthetic({300, seed}, pst);
    ExpectSameAsLibpff(pst, {});
  }
}

// A flipped byte inside a block of attachment data and one inside a
// message's body: libpff reads the altered bytes; the session reads them
// alike or refuses what fails its block checks, and nothing else changes.
TEST_F(MapiReference, DamagedBlocksReadAlikeOrAreRefused) {
  const std::string data = Repeated("damage-me-", 40000);
  std::string hex;
  for (unsigned char c : data) {
    static const char* digits = "0123456789abcdef";
    hex += digits[c >> 4], hex += digits[c & 15];
  }
  const std::string body = Repeated("a body to alter ", 20000);
  json description = {
      {"folders",
       {{{"name", "Inbox"},
         {"messages",
          {{{"props", {{"PR_SUBJECT_W", "first"}, {"PR_BODY_W", body}}},
            {"attachments", {{{"method", 1}, {"long_filename", "d.bin"}, {"data", "hex:" + hex}}}}},
           {{"props", {{"PR_SUBJECT_W", "second"}}}}}}}}}};
  for (const char* form : {"unicode", "ansi"}) {
    const fs::path pst = Write(machine_, description, form, "damaged");
    std::fstream file(pst, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    std::string storedBody = body.substr(0, 4000);  // as the form stores it
    if (std::string(form) == "unicode")
      for (std::size_t i = storedBody.size(); i-- > 0;) storedBody.insert(i + 1, 1, '\0');
    for (const std::string& inside : {data.substr(0, 4000), storedBody}) {
      const std::size_t at = bytes.find(inside);
      ASSERT_NE(at, std::string::npos) << form;
      file.seekp(std::streamoff(at + 2000));
      file.put(char(bytes[at + 2000] ^ 0x20));
    }
    file.close();
    ExpectSameAsLibpff(pst, {Rule::kDamage});
  }
}

// The Japanese file: its contact declares locale 0x0411 and reads in 932
// where libpff reads the whole file in the machine's page; in 932 the two
// agree on everything.
TEST_F(MapiReference, OutlookFiles) {
  struct Case {
    const char* file;
    UINT codePage;
    std::set<Rule> rules;
  } cases[] = {
      {"outlook-sample.pst", 1252, {Rule::kSubjectMarker, Rule::kRowOrder}},
      {"outlook-top-folder.pst", 1252, {Rule::kSubjectMarker, Rule::kRowOrder}},
      {"outlook-ansi-japanese.pst", 1252, {Rule::kCodePage, Rule::kUndefinedBytes, Rule::kSubjectMarker, Rule::kRowOrder}},
      {"outlook-ansi-japanese.pst", 932, {Rule::kSubjectMarker, Rule::kRowOrder}},
  };
  for (const Case& c : cases) {
    const fs::path pst = testing_support::SharedFixtures() / c.file;
    if (!fs::exists(pst)) {
      std::cout << "skipped: needs the shared fixture " << pst.lexically_normal().string() << "\n";
      continue;
    }
    ExpectSameAsLibpff(pst, c.rules, c.codePage);
  }
}

}  // namespace
}  // namespace pstgen_test
