// What a migration reports: the exit status, the JSON report and the
// summary table.
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "controller/Migration.h"
#include "controller/TextWidth.h"
#include "win32/text.h"

namespace controller {

namespace {

using Json = nlohmann::ordered_json;

std::string U8(std::u16string_view text) { return win32::Utf16ToUtf8(text); }

// The counts of a folder, or of all of them, by name.
struct Count {
  const char* name;
  std::int32_t FolderOutcome::*field;
};
constexpr Count kCounts[] = {
    {"listed", &FolderOutcome::listed},
    {"announced", &FolderOutcome::announced},
    {"inserted", &FolderOutcome::inserted},
    {"failed", &FolderOutcome::failed},
    {"unreadable", &FolderOutcome::unreadable},
    {"skipped", &FolderOutcome::skipped},
    {"not_exported", &FolderOutcome::notExported},
};

Json OptionsJson(const MigrateOptions& options) {
  static const char* const kTypes[] = {"mail", "calendar", "tasks", "contacts", "journal", "notes"};
  Json types = Json::array();
  for (std::size_t i = 0; i < options.types.size(); ++i)
    if (options.types[i]) types.push_back(kTypes[i]);
  Json j{{"types", types}, {"plain_body", options.plainBody}};
  if (options.dateFilterMode == 1) j["ranges"] = options.dateRanges;
  if (options.dateFilterMode == 0 && options.relativeDateChoice != 0) j["relative_choice"] = options.relativeDateChoice;
  return j;
}

Json SourceJson(const MigrateOptions& options) {
  if (options.pstFiles.empty())
    return {{"exchange",
             {{"server", U8(options.exchangeServer)}, {"mailbox", U8(options.mailbox)}, {"user", U8(options.user)}}}};
  Json files = Json::array();
  for (const auto& pst : options.pstFiles) files.push_back(pst.string());
  return {{"pst", files}};
}

Json FolderJson(const FolderOutcome& f) {
  Json j{{"source", U8(f.source)}, {"notes_folder", U8(f.notesFolder)}, {"entry_index", f.entryIndex}};
  for (const Count& c : kCounts) j[c.name] = f.*c.field;
  j["complete"] = f.complete;
  j["seconds"] = f.seconds;
  return j;
}

Json FailureJson(const ItemFailure& f) {
  Json files = Json::array();
  for (const auto& file : f.files) files.push_back(U8(file));
  return {{"folder", U8(f.folder)},
          {"item", f.itemNumber},
          {"subject", U8(f.subject)},
          {"reason", f.reason},
          {"files", files}};
}

constexpr char kTopFolderWhy[] = "the top of the personal folders is not migrated, only the folders below it";

Json TopFolderJson(const TopFolderItems& t) {
  Json subjects = Json::array();
  for (const auto& subject : t.subjects) subjects.push_back(U8(subject));
  return {{"store", U8(t.store)}, {"count", t.count}, {"subjects", subjects}, {"why", kTopFolderWhy}};
}

Json MessageJson(const EngineMessage& m) {
  Json j{{"engine", m.engine}, {"kind", m.kind}, {"text", U8(m.text)}};
  if (!m.mailbox.empty()) j["mailbox"] = U8(m.mailbox);
  if (!m.folder.empty()) {
    j["folder"] = U8(m.folder);
    j["item"] = m.itemNumber;
  }
  return j;
}

}  // namespace

std::int64_t MigrationReport::Total(std::int32_t FolderOutcome::*field) const {
  std::int64_t total = 0;
  for (const auto& f : folders) total += f.*field;
  return total;
}

int MigrationReport::ExitStatus() const {
  if (!started && !interrupted && !fatal.empty()) return 2;
  const bool whole = fatal.empty() && !interrupted && failures.empty() && messages.empty() && problems.empty() &&
                     topFolderItems.empty() && Total(&FolderOutcome::failed) == 0 &&
                     Total(&FolderOutcome::notExported) == 0;
  return whole ? 0 : 1;
}

std::string ReportJson(const MigrationReport& report, const MigrateOptions& options) {
  Json j;
  j["source"] = SourceJson(options);
  j["options"] = OptionsJson(options);
  j["database"] = report.database.string();
  j["exit_status"] = report.ExitStatus();
  j["started"] = report.started;
  j["interrupted"] = report.interrupted;
  if (!report.fatal.empty()) j["fatal"] = report.fatal;
  j["seconds"] = report.seconds;
  const std::int64_t announced = report.Total(&FolderOutcome::announced);
  j["items_per_second"] = report.seconds > 0 ? static_cast<double>(announced) / report.seconds : 0.0;
  Json totals;
  for (const Count& c : kCounts) totals[c.name] = report.Total(c.field);
  j["totals"] = totals;
  j["folders"] = Json::array();
  for (const auto& f : report.folders) j["folders"].push_back(FolderJson(f));
  j["failures"] = Json::array();
  for (const auto& f : report.failures) j["failures"].push_back(FailureJson(f));
  j["top_folder_items"] = Json::array();
  for (const auto& t : report.topFolderItems) j["top_folder_items"].push_back(TopFolderJson(t));
  j["messages"] = Json::array();
  for (const auto& m : report.messages) j["messages"].push_back(MessageJson(m));
  j["problems"] = report.problems;
  j["warnings"] = report.warnings;
  if (!report.keptFolder.empty()) j["kept_folder"] = report.keptFolder.string();
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string SummaryTable(const MigrationReport& report) {
  const bool cut = report.Total(&FolderOutcome::notExported) > 0;
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"Folder", "Announced", "Inserted", "Failed", "Filtered"});
  if (cut) rows.back().push_back("Not exported");
  auto row = [&](const std::string& name, auto value) {
    std::vector<std::string> cells{name};
    for (auto field :
         {&FolderOutcome::announced, &FolderOutcome::inserted, &FolderOutcome::failed, &FolderOutcome::skipped})
      cells.push_back(std::to_string(value(field)));
    if (cut) cells.push_back(std::to_string(value(&FolderOutcome::notExported)));
    rows.push_back(std::move(cells));
  };
  for (const auto& f : report.folders)
    row(U8(f.source), [&](std::int32_t FolderOutcome::*field) { return static_cast<std::int64_t>(f.*field); });
  row("Total", [&](std::int32_t FolderOutcome::*field) { return report.Total(field); });

  std::vector<std::size_t> widths(rows[0].size(), 0);
  for (const auto& cells : rows)
    for (std::size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
  std::string table;
  for (const auto& cells : rows) {
    std::string line = PadRight(cells[0], widths[0]);
    for (std::size_t i = 1; i < cells.size(); ++i) line += "  " + PadLeft(cells[i], widths[i]);
    table += line + "\n";
  }
  return table;
}

std::vector<std::string> TopFolderLines(const MigrationReport& report) {
  constexpr std::size_t kShown = 5;
  std::vector<std::string> lines;
  for (const TopFolderItems& t : report.topFolderItems) {
    std::string line = U8(t.store) + ": " + std::to_string(t.count) + (t.count == 1 ? " item" : " items") +
                       " not migrated (" + kTopFolderWhy + ")";
    std::string subjects;
    for (std::size_t i = 0; i < t.subjects.size() && i < kShown; ++i)
      subjects += (i ? ", \"" : ": \"") + U8(t.subjects[i]) + "\"";
    if (t.subjects.size() > kShown) subjects += ", ...";
    lines.push_back(line + subjects);
  }
  return lines;
}

}  // namespace controller
