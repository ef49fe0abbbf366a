// A machine root with the mail templates installed and an initialised
// session in return-status mode.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "notes/notes.h"
#include "notes/nsf_reader.h"
#include "notes/templates.h"
#include "testing/temp_machine.h"

class NotesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(notes::InstallMailTemplates(&error)) << error;
    ASSERT_EQ(session.Initialize(300, 0, nullptr, 1, nullptr), LNNOERROR);
  }
  void TearDown() override { session.SetThrowAllErrors(0); }

  std::string Scratch(const std::string& name) const { return (machine.scratch() / name).string(); }

  // A database made from the mail template in the scratch folder, open.
  LNDatabase NewMailDatabase(const std::string& name = "mail.nsf") {
    LNDatabase db;
    EXPECT_EQ(session.CreateDatabaseFromTemplate(notes::kMailTemplateFile, "", Scratch(name), "",
                                                 LNCreateDatabaseOptions(), &db),
              LNNOERROR);
    EXPECT_EQ(db.Open(), LNNOERROR);
    return db;
  }

  // A new, opened document of `db`.
  static LNDocument NewDocument(LNDatabase& db) {
    LNDocument doc;
    EXPECT_EQ(db.CreateDocument(&doc), LNNOERROR);
    EXPECT_EQ(doc.Open(0), LNNOERROR);
    return doc;
  }

  // What another reader of the file sees.
  static notes::DatabaseRecord Dump(const std::filesystem::path& file) {
    notes::NsfReader reader;
    notes::DatabaseRecord record;
    EXPECT_EQ(reader.Open(file), LNNOERROR);
    EXPECT_EQ(reader.Read(&record), LNNOERROR);
    return record;
  }

  static LNText Text(std::initializer_list<const char*> entries) {
    LNText text;
    for (const char* e : entries) text.Insert(text.GetCount(), e);
    return text;
  }

  testing_support::TempMachine machine;
  LNNotesSession session;
};
