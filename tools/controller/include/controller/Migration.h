// `brackenford migrate`: the whole road from PST files or an Exchange
// mailbox into a Notes database. Tallowby makes the profile, Cressing logs on,
// lists the folders and exports them item by item, and Fennick turns each
// announced item into a document of the matching Notes folder.
#pragma once

#include <sys/types.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace controller {

// What to migrate, where to, and how.
struct MigrateOptions {
  std::vector<std::filesystem::path> pstFiles;  // one profile holds them all
  std::u16string exchangeServer;                // or a mailbox of a server
  std::u16string mailbox;
  std::u16string user;  // who logs on; empty: the mailbox itself
  std::filesystem::path outFolder;
  std::u16string databaseName;  // without ".nsf"; empty: the first PST file's or the mailbox's name
  // Item kinds: mail, appointments, tasks, contacts and distribution lists,
  // journal entries, sticky notes.
  std::array<std::uint8_t, 6> types{1, 1, 1, 1, 1, 1};
  std::int32_t dateFilterMode = 0;  // 0 relative (choice 0: no limit), 1 ranges
  std::int32_t relativeDateChoice = 0;
  std::vector<std::string> dateRanges;  // "MM/DD/YYYY$MM/DD/YYYY"
  bool plainBody = false;
  // How long an engine may take to answer one request (for an export: to
  // announce its next item) before it counts as stopped.
  std::chrono::milliseconds answerLimit = std::chrono::seconds(120);
  std::filesystem::path engineFolder;  // where cressing, fennick and tallowby are
};

// One folder of the source and what became of its items.
struct FolderOutcome {
  std::u16string source;       // levels joined by "\", the store or mailbox first
  std::u16string notesFolder;  // as Fennick named it; empty when it was not made
  std::int32_t entryIndex = 0;
  std::int32_t listed = 0;       // items the folder holds
  std::int32_t announced = 0;    // CD_ITEM_INFO received
  std::int32_t inserted = 0;     // documents made
  std::int32_t failed = 0;       // announced but not (wholly) made, or unreadable
  std::int32_t unreadable = 0;   // not opened by the exporter (its error text says why), so never announced
  std::int32_t skipped = 0;      // left out by the type and date filters
  std::int32_t notExported = 0;  // never announced because the export stopped early
  bool complete = false;         // its export ran to "No more items"
  double seconds = 0;
};

// An item that did not arrive (or not whole).
struct ItemFailure {
  std::u16string folder;
  std::int32_t itemNumber = 0;
  std::u16string subject;
  std::string reason;
  std::vector<std::u16string> files;  // the item's files, where they stay
};

// Items stored in the top of a store's folders (the IPM subtree's own
// folder): the exports reach only the folders below it.
struct TopFolderItems {
  std::u16string store;  // the store's or mailbox's name, as its folders go
  std::int32_t count = 0;
  std::vector<std::u16string> subjects;  // those that could be read
};

// A text an engine sent or showed: CD_ERROR_TEXT, CD_NOTES_ERROR, a message box.
struct EngineMessage {
  std::string engine;
  std::string kind;  // "error text", "notes error", "message box"
  std::u16string text;
  std::u16string mailbox;  // of a CD_ERROR_TEXT
  std::u16string folder;   // the folder being worked on, if any
  std::int32_t itemNumber = 0;
};

struct MigrationReport {
  bool started = false;      // the road got as far as the exports
  std::string fatal;         // why the road could not start (or stopped as a whole)
  bool interrupted = false;  // stopped by the user
  std::filesystem::path database;
  std::filesystem::path databaseAsked;  // DIR/NAME.nsf as asked of the importer, which may name it otherwise
  std::u16string profile;
  std::vector<FolderOutcome> folders;
  std::vector<ItemFailure> failures;
  std::vector<TopFolderItems> topFolderItems;  // not migrated, so never "every item arrived"
  std::vector<EngineMessage> messages;
  std::vector<std::string> problems;  // road-level faults: engines that died, stores left out
  // What went wrong without costing an item or leaving anything behind: an
  // engine that ended badly once its work was done.
  std::vector<std::string> warnings;
  std::filesystem::path keptFolder;   // where the files of items that did not arrive stay
  double seconds = 0;

  std::int64_t Total(std::int32_t FolderOutcome::*field) const;
  // 0 every item arrived; 1 some did not; 2 the road could not start.
  int ExitStatus() const;
};

// Told of the run's progress, one call at a time: from the thread that runs
// it, and ItemDone also from the thread that hands the items to the importer.
class MigrationObserver {
 public:
  virtual ~MigrationObserver() = default;
  virtual void Engines(pid_t /*tallowby*/, pid_t /*cressing*/, pid_t /*fennick*/) {}
  virtual void DatabaseMade(const std::filesystem::path& /*database*/) {}
  virtual void Planned(const std::vector<FolderOutcome>& /*folders*/) {}
  virtual void FolderStarted(std::size_t /*folder*/, const FolderOutcome& /*outcome*/) {}
  // After each announced item, once it is inserted or named as failed.
  virtual void ItemDone(std::size_t /*folder*/, const FolderOutcome& /*outcome*/) {}
  virtual void FolderEnded(std::size_t /*folder*/, const FolderOutcome& /*outcome*/) {}
  // A line for the user as the run goes (it is stopping), on a line of its own.
  virtual void Notice(const std::string& /*line*/) {}
};

// Runs the road; fills the report whatever happens.
MigrationReport Migrate(const MigrateOptions& options, MigrationObserver& observer);

// The report as JSON, with the options it ran with.
std::string ReportJson(const MigrationReport& report, const MigrateOptions& options);
// The summary table: a row per folder (announced, inserted, failed, skipped
// by filter) and the totals.
std::string SummaryTable(const MigrationReport& report);
// A line for each store whose top holds items that were not migrated:
// how many, their subjects and why.
std::vector<std::string> TopFolderLines(const MigrationReport& report);

// Asks a running migration to stop after the item at hand (safe in a
// signal handler). A second request stops the engine being waited on.
void RequestStop();

}  // namespace controller
