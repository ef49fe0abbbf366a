// What the migration tests share: a machine root set up as `brackenford
// machine init` leaves it, a temporary folder of their own (so that files an
// engine or the controller leaves behind show), PST files from descriptions,
// and the database read back through `nsfdump --json`.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_run.h"
#include "testing/temp_machine.h"

namespace migrate_test {

namespace fs = std::filesystem;
using Json = nlohmann::json;

class MigrateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run("machine init").status, 0);
    temp_ = machine_.scratch() / "temp";
    fs::create_directories(temp_);
    ::setenv("TMPDIR", (temp_.string() + "/").c_str(), 1);
    out_ = machine_.scratch() / "out";
  }
  void TearDown() override { ::unsetenv("TMPDIR"); }

  cli_test::Run Run(const std::string& args) { return cli_test::Brackenford(args, machine_.scratch()); }
  fs::path Pst(const std::string& name, const std::string& description) {
    return testing_support::MakePst(machine_.scratch(), name, description);
  }

  static Json ReadJson(const fs::path& file) {
    std::ifstream in(file);
    return Json::parse(in, nullptr, false);
  }
  // `nsfdump --json` of a database.
  Json Dump(const fs::path& database) {
    const fs::path json = machine_.scratch() / "dump.json";
    const std::string cmd = (testing_support::BuildDir() / "bin" / "nsfdump").string() + " --json '" +
                            database.string() + "' > '" + json.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ReadJson(json);
  }
  // The documents a Notes folder holds; empty when there is no such folder.
  static std::vector<Json> Documents(const Json& dump, const std::string& folder) {
    std::vector<Json> documents;
    for (const Json& f : dump["folders"])
      if (f["name"] == folder)
        for (const Json& id : f["documents"])
          for (const Json& d : dump["documents"])
            if (d["id"] == id) documents.push_back(d);
    return documents;
  }
  // A folder's entry of the report, checked against the database: each of
  // its `listed` items in, named as failed, or never exported.
  Json FolderEntry(const Json& report, const std::string& source, const fs::path& database, int listed) {
    for (const Json& folder : report["folders"])
      if (folder["source"] == source) {
        EXPECT_EQ(folder["inserted"], Documents(Dump(database), source).size());
        EXPECT_EQ(folder["inserted"].get<int>() + folder["failed"].get<int>() + folder["not_exported"].get<int>(),
                  listed)
            << folder;
        return folder;
      }
    ADD_FAILURE() << "no " << source << " in " << report.dump(2);
    return {};
  }
  static std::vector<std::string> FolderNames(const Json& dump) {
    std::vector<std::string> names;
    for (const Json& f : dump["folders"]) names.push_back(f["name"]);
    return names;
  }
  // The first value of a document's item, or "".
  static std::string Item(const Json& document, const std::string& name) {
    for (const Json& item : document.value("items", Json::array())) {
      const Json values = item.value("values", Json::array());
      if (item.value("name", "") == name && !values.empty() && values[0].is_string()) return values[0];
    }
    return {};
  }
  // Whether some text value of the document holds `text`: an item's subject
  // or name, whichever item its builder puts it in.
  static bool Mentions(const Json& document, const std::string& text) {
    // A const lookup of a missing key is undefined: items without values are skipped.
    for (const Json& item : document.value("items", Json::array()))
      for (const Json& value : item.value("values", Json::array()))
        if (value.is_string() && value.get<std::string>().find(text) != std::string::npos) return true;
    return false;
  }
  // Files left in the temporary folder after a run.
  std::vector<std::string> LeftInTemp() const {
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(temp_)) left.push_back(entry.path().string());
    return left;
  }
  // The MAPI profiles the machine holds (not its lock file).
  std::vector<std::string> Profiles() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(machine_.root() / "profiles", ec))
      if (!entry.path().filename().string().starts_with(".")) names.push_back(entry.path().filename().string());
    return names;
  }

  testing_support::TempMachine machine_;
  fs::path temp_;
  fs::path out_;
};

}  // namespace migrate_test
