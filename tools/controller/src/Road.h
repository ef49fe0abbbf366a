// The road of `brackenford migrate`, step by step: the three engines, the
// profile, the logon, the folder listings, the database and its folders,
// and the export of every folder. The export runs as a pipeline: each
// announced item's files are taken into a queue of the run and the exporter
// is answered at once, while a thread of the importer's hands the queued
// items to it in order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Guard.h"
#include "ListFiles.h"
#include "Watchdog.h"
#include "controller/Migration.h"
#include "controller/Requester.h"
#include "cressing/CressingRecords.h"
#include "fennick/FennickRecords.h"

namespace controller {

// How often the user asked to stop (RequestStop).
std::atomic<int>& StopRequests();

// One engine program of the run.
struct Engine {
  explicit Engine(const char* engineName) : name(engineName) {}
  const char* name;
  std::optional<EngineProcess> process;
  HWND window = nullptr;
  std::filesystem::path log;  // its standard error
  std::uintmax_t logOffset = 0;
  std::atomic<bool> gone = false;  // died, or killed for its silence
  std::string why;                 // what became of it, set before gone
};

// An announced item whose files are the controller's own, waiting for the
// importer; its record names its Notes folder and the files in the queue.
struct QueuedItem {
  std::size_t folder = 0;
  std::int32_t itemNumber = 0;
  std::vector<std::filesystem::path> files;  // its files in the queue, its attachments' folder last
  std::unique_ptr<MIME_FILE_INFO> record;
  std::uintmax_t bytes = 0;
  std::string exportErrors;  // the exporter's texts on steps of this item: it is not whole
};

// A folder to migrate: where it is listed, and its outcome.
struct PlannedFolder {
  std::size_t store = 0;  // 1-based store entry of a PST profile; 0 for a mailbox
  std::u16string top;     // the store's or mailbox's name, the first level of the Notes folder
  ListedFolder listed;
  FolderOutcome outcome;
};

class Road {
 public:
  Road(const MigrateOptions& options, MigrationObserver& observer, MigrationReport& report);
  ~Road();
  Road(const Road&) = delete;
  Road& operator=(const Road&) = delete;

  void Run();

 private:
  // Setting out; each step throws Blocked when the road cannot go on.
  void CheckOutFolder();
  void PrepareRunFolder();
  void StartEngines();
  void MakeProfile();
  void LogOn();
  void ListPstFolders();
  void ListMailboxFolders();
  std::vector<ListedFolder> WalkStore(std::size_t store);
  void CheckTopFolders();
  void CreateDatabase();
  void CreateFolders();
  // The exports.
  void ExportAll();
  void ExportFolder(std::size_t index);
  LRESULT OnCopyData(const CopyDataReply& reply);
  LRESULT OnItem(const ITEM_INFO& info);
  LRESULT Queue(const ITEM_INFO& info, std::size_t folder, const std::u16string& notesFolder);
  void ItemFailed(const ITEM_INFO& info, const std::string& reason);
  void ItemDone(std::size_t folder);
  std::string GoneReason(const Engine& engine);
  void CountUnreadable();  // with the state locked
  void DropFiles(const ITEM_INFO& info);
  void NoteFullDisk();
  // The pipeline: the importer's thread and the queue it takes from.
  void StartInserter();
  void StopInserter();
  void Insert();
  void InsertQueued(Requester& requester, QueuedItem& item);
  void QueuedFailed(QueuedItem& item, const std::string& reason);
  bool Enqueue(QueuedItem& item);
  void Drain();
  // Ending.
  void CloseEngines();
  void CheckProfileGone();
  void Finish();

  // A request to an engine, under the watchdog; collects the boxes it showed.
  SendResult Call(Engine& engine, const std::function<SendResult()>& send);
  // Whether the user asked to stop (said once); CheckStop ends the road then.
  bool StopAsked();
  void CheckStop();
  // Where the report's messages and problems stood.
  struct Mark {
    std::size_t messages = 0, problems = 0;
  };
  Mark Here();
  // What was said since the mark: by `engine` only when one is given.
  std::string TextsSince(const Mark& mark, const Engine* engine = nullptr);
  void AddProblem(std::string problem);
  void NoteMessage(const Engine& engine, const char* kind, std::u16string text, std::u16string mailbox = {});

  const MigrateOptions& options_;
  MigrationObserver& observer_;
  MigrationReport& report_;
  Watchdog watchdog_;
  Guard guard_;
  Requester requester_;
  Engine tallowby_{"tallowby"};
  Engine cressing_{"cressing"};
  Engine fennick_{"fennick"};
  std::filesystem::path run_;   // the run's temporary folder: list files, input files, engine logs
  std::filesystem::path work_;  // Cressing's working folder: the items' files
  std::vector<std::u16string> stores_;
  std::vector<std::u16string> storeTops_;  // each store's first level of the Notes folders
  std::size_t walkedStore_ = 0;  // the store whose walk the engine's entry list ends with
  std::vector<PlannedFolder> folders_;

  // What the replies of the request at hand brought.
  std::u16string profileName_;
  std::u16string folderName_;
  bool notesError_ = false;
  bool exportDone_ = false;
  std::int32_t itemTotal_ = -1;
  std::optional<std::size_t> exporting_;  // the folder whose export runs
  std::int32_t itemNumber_ = 0;           // its item at hand
  std::int32_t errorsSinceItem_ = 0;      // error texts since the last item: unreadable items when the export goes on
  std::string itemErrors_;                // texts on steps of the item being exported, which it announces next
  bool stopSent_ = false;
  bool diskFull_ = false;

  // Shared by the exporter's thread and the importer's: the report, the
  // folders' outcomes, the observer and the queue.
  std::mutex state_;
  std::condition_variable queueChanged_;
  std::deque<QueuedItem> queue_;
  std::size_t pendingItems_ = 0;  // queued or being inserted
  std::uintmax_t pendingBytes_ = 0;
  std::size_t queuedCount_ = 0;  // names each item's folder in the queue
  bool queueClosed_ = false;
  std::optional<std::pair<std::size_t, std::int32_t>> inserting_;  // the folder and item the importer holds
  std::thread inserter_;
};

// Why the road cannot go on.
struct Blocked {
  std::string what;
};

}  // namespace controller
