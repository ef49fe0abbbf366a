#include "Road.h"

#include <stdlib.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "ItemFiles.h"
#include "TopFolder.h"
#include "fennick/FennickRecords.h"
#include "mapi/profiles.h"
#include "tallowby/TallowbyRecords.h"
#include "win32/codepage.h"
#include "win32/files.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace controller {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr auto kStartLimit = 30s;
constexpr auto kCloseLimit = 30s;
// Cressing names its files after its working folder; the importer's record
// takes 299 units a path, and the engine's own folder buffer 259.
constexpr std::size_t kLongestWorkFolder = 200;
// A disk with less room than this is full for a database.
constexpr std::uint64_t kFullDiskMargin = 256 * 1024;
constexpr std::u16string_view kTagName = u"<TagName>";
// The queue between the exporter and the importer holds this many items,
// or this many bytes of their files (but always one item).
constexpr std::size_t kQueueItems = 8;
constexpr std::uintmax_t kQueueBytes = 32 * 1024 * 1024;

std::string U8(std::u16string_view text) { return win32::Utf16ToUtf8(text); }
std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

// Copies text into a fixed field with its terminator; false when it does not fit.
template <std::size_t N>
bool SetField(WCHAR (&field)[N], std::u16string_view text) {
  std::memset(field, 0, sizeof field);
  if (text.size() >= N) return false;
  std::copy(text.begin(), text.end(), field);
  return true;
}
template <std::size_t N>
std::u16string Field(const WCHAR (&field)[N]) {
  return std::u16string(win32::WideField(field, N));
}

// A received record, zero-padded when it came short.
template <class Record>
std::unique_ptr<Record> ReadReply(const CopyDataReply& reply) {
  auto record = std::make_unique<Record>();
  std::memset(record.get(), 0, sizeof(Record));
  std::memcpy(record.get(), reply.bytes.data(), std::min(reply.bytes.size(), sizeof(Record)));
  return record;
}

std::u16string Join(const std::vector<std::u16string>& levels, std::u16string_view separator) {
  std::u16string joined;
  for (const auto& level : levels) joined += (joined.empty() ? u"" : std::u16string(separator)) + level;
  return joined;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// The "Subject : " line of an item text.
std::u16string SubjectOf(const std::u16string& itemTextFile) {
  const auto lines = ReadListFile(FromEngine(itemTextFile));
  if (!lines) return {};
  for (const auto& line : *lines)
    if (line.starts_with(u"Subject : ")) return line.substr(10);
  return {};
}

// A store named by its file's path goes by the file's name without extension.
std::u16string FileTitle(const std::u16string& name) {
  const std::size_t slash = name.find_last_of(u"/\\");
  if (slash == std::u16string::npos) return name;
  std::u16string file = name.substr(slash + 1);
  if (const std::size_t dot = file.rfind(u'.'); dot != std::u16string::npos && dot > 0) file.resize(dot);
  return file;
}

// Every file an announced item has: its own four and the attachment files
// its list names.
std::vector<fs::path> ItemFiles(const ITEM_INFO& info) {
  std::vector<fs::path> files;
  for (const std::u16string& file :
       {Field(info.emlFile), Field(info.itemTextFile), Field(info.attachmentList), Field(info.membersFile)})
    if (!file.empty()) files.push_back(FromEngine(file));
  if (info.attachmentList[0] != 0)
    for (fs::path& attachment : AttachmentFiles(FromEngine(Field(info.attachmentList))))
      files.push_back(std::move(attachment));
  return files;
}

std::set<fs::path> Databases(const fs::path& folder) {
  std::set<fs::path> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.path().extension() == ".nsf") names.insert(entry.path().filename());
  return names;
}

// The exporter's texts on a step of an item it goes on to announce (its
// MIME file, its item text, its attachments), as against those on an item
// it cannot open and leaves out.
bool StepOfAnItem(const std::u16string& text) {
  static constexpr std::u16string_view kSteps[] = {
      u" in SaveAttachments.",
      u"from SaveMessageToEml in EnumLotusMessage.",
      u"the item text file in EnumLotusMessage.",
  };
  return std::any_of(std::begin(kSteps), std::end(kSteps),
                     [&](std::u16string_view step) { return text.find(step) != std::u16string::npos; });
}

// The databases in `folder` that a process holds open: the one Fennick made
// is open until it is closed, whatever another run made beside it meanwhile.
std::set<fs::path> HeldOpen(pid_t pid, const fs::path& folder) {
  std::set<fs::path> held;
  std::error_code ec;
  const fs::path real = fs::canonical(folder, ec);
  if (ec) return held;
  for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(fd.path(), linkError);
    if (!linkError && target.parent_path() == real && target.extension() == ".nsf") held.insert(target.filename());
  }
  return held;
}

}  // namespace

std::atomic<int>& StopRequests() {
  static std::atomic<int> stops{0};
  return stops;
}

void RequestStop() { StopRequests().fetch_add(1); }

Road::Road(const MigrateOptions& options, MigrationObserver& observer, MigrationReport& report)
    : options_(options), observer_(observer), report_(report), watchdog_(options.answerLimit, &StopRequests()) {
  requester_.KeepReplies(false);
  requester_.SetAnswer([this](const CopyDataReply& reply) { return OnCopyData(reply); });
}

Road::~Road() { StopInserter(); }

void Road::Run() {
  try {
    CheckOutFolder();
    PrepareRunFolder();
    StartEngines();
    MakeProfile();
    LogOn();
    if (options_.pstFiles.empty())
      ListMailboxFolders();
    else
      ListPstFolders();
    CheckTopFolders();
    CreateDatabase();
    report_.started = true;
    CreateFolders();
    ExportAll();
  } catch (const Blocked& blocked) {
    report_.fatal = blocked.what;
  }
  StopInserter();
  CloseEngines();
  guard_.End();
  CheckProfileGone();
  Finish();
}

bool Road::StopAsked() {
  if (StopRequests().load() == 0) return false;
  std::lock_guard lock(state_);
  if (!std::exchange(report_.interrupted, true))
    observer_.Notice("brackenford migrate: stopping after the item at hand (again: at once)");
  return true;
}

void Road::CheckStop() {
  if (StopAsked()) throw Blocked{"stopped by the user"};
}

Road::Mark Road::Here() {
  std::lock_guard lock(state_);
  return {report_.messages.size(), report_.problems.size()};
}

// What the engines said since the mark, and what became of them (one that
// died or was stopped says nothing itself).
std::string Road::TextsSince(const Mark& mark, const Engine* engine) {
  std::lock_guard lock(state_);
  std::string texts;
  for (std::size_t i = mark.messages; i < report_.messages.size(); ++i)
    if (!engine || report_.messages[i].engine == engine->name)
      texts += (texts.empty() ? ": " : "; ") + U8(report_.messages[i].text);
  for (std::size_t i = mark.problems; i < report_.problems.size(); ++i)
    texts += (texts.empty() ? ": " : "; ") + report_.problems[i];
  return texts.empty() ? " (no reason given)" : texts;
}

void Road::AddProblem(std::string problem) {
  std::lock_guard lock(state_);
  report_.problems.push_back(std::move(problem));
}

void Road::NoteMessage(const Engine& engine, const char* kind, std::u16string text, std::u16string mailbox) {
  if (text.empty() && mailbox.empty()) return;  // a check that found nothing wrong
  EngineMessage message{engine.name, kind, std::move(text), std::move(mailbox), {}, 0};
  std::lock_guard lock(state_);
  // Cressing reports on the item it prepares, the importer on the one it inserts.
  if (&engine == &cressing_ && exporting_) {
    message.folder = folders_[*exporting_].outcome.source;
    message.itemNumber = itemNumber_ + 1;
  } else if (&engine == &fennick_ && inserting_) {
    message.folder = folders_[inserting_->first].outcome.source;
    message.itemNumber = inserting_->second;
  }
  report_.messages.push_back(std::move(message));
}

SendResult Road::Call(Engine& engine, const std::function<SendResult()>& send) {
  if (engine.gone) return {};
  watchdog_.Enter(engine.process->Pid(), engine.name);
  const SendResult result = send();
  watchdog_.Leave();
  for (const ShownBox& box : ReadMessageBoxes(engine.log, &engine.logOffset))
    NoteMessage(engine, "message box", win32::Utf8ToUtf16(box.text));
  if (result.delivered) return result;
  const bool killed = watchdog_.TakeKilled(engine.name);
  std::string why;
  if (killed && StopRequests().load() >= 2) {
    StopAsked();
    why = std::string(engine.name) + " was stopped at once at the user's request";
    std::lock_guard lock(state_);
    observer_.Notice("brackenford migrate: stopped " + std::string(engine.name) + " at once");
  } else if (killed) {
    char limit[32];
    std::snprintf(limit, sizeof limit, "%g", static_cast<double>(options_.answerLimit.count()) / 1000);
    why = std::string(engine.name) + " did not answer within " + limit + " s and was stopped";
  } else {
    const auto status = engine.process->WaitForExit(5s);
    why = std::string(engine.name) + " ended unexpectedly" +
          (status ? " (status " + std::to_string(*status) + ")" : std::string());
  }
  {
    std::lock_guard lock(state_);
    report_.problems.push_back(why);
    engine.why = std::move(why);
    engine.gone = true;
  }
  // The exporter's thread may wait for room in the queue.
  queueChanged_.notify_all();
  return result;
}

void Road::CheckOutFolder() {
  std::error_code ec;
  const fs::path out = fs::absolute(options_.outFolder).lexically_normal();
  fs::create_directories(out, ec);
  if (ec) throw Blocked{"cannot make " + out.string() + ": " + ec.message()};
  if (::access(out.c_str(), W_OK) != 0)
    throw Blocked{"cannot write in " + out.string() + ": " + std::strerror(errno)};
}

void Road::PrepareRunFolder() {
  WCHAR temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) throw Blocked{"no temporary folder"};
  std::string pattern = (fs::path(U8(std::u16string_view(temp, length))) / "brackenford-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw Blocked{"cannot make a folder in " + U8(std::u16string_view(temp, length))};
  run_ = pattern;
  work_ = run_ / "work";
  std::error_code ec;
  fs::create_directory(work_, ec);
  if (ec) throw Blocked{"cannot make " + work_.string() + ": " + ec.message()};
  if (U16(work_).size() > kLongestWorkFolder)
    throw Blocked{"the temporary folder's path is too long for the engines: " + run_.string()};
}

void Road::StartEngines() {
  const std::u16string prefix = u"<GUID>brackenford-migrate-" + win32::Utf8ToUtf16(std::to_string(::getpid())) + u"-";
  // Without its guard the run still goes; only a killed controller would
  // then leave its engines running.
  std::string guardError;
  guard_.Start(options_.engineFolder / "brackenford-guard", run_ / "guard.log", &guardError);
  for (Engine* engine : {&tallowby_, &cressing_, &fennick_}) {
    SpawnOptions spawn;
    spawn.workingFolder = engine == &cressing_ ? work_ : run_;  // Cressing writes the items' files where it runs
    spawn.environment = {{"TMPDIR", run_.string() + "/"}};      // the list and input files of this run
    spawn.standardError = engine->log = run_ / (std::string(engine->name) + ".log");
    spawn.ownProcessGroup = true;
    // The guard knows the engine before its window is up: a controller
    // killed meanwhile leaves none running.
    const std::u16string title = prefix + win32::Utf8ToUtf16(engine->name);
    std::string error;
    guard_.Engine(engine->name, 0, title);  // about to start: found by its title should the run end now
    engine->process = EngineProcess::Start(options_.engineFolder / engine->name, {U8(title)}, spawn, &error);
    if (!engine->process) {
      guard_.Engine(engine->name, -1, title);  // nothing to look for
      throw Blocked{error};
    }
    guard_.Engine(engine->name, engine->process->Pid(), title);
    engine->window = WaitForWindow(title, kStartLimit, &*engine->process);
    if (!engine->window) {
      const auto status = engine->process->WaitForExit(std::chrono::milliseconds(0));
      throw Blocked{std::string(engine->name) +
                    (status ? " ended before it showed its window (status " + std::to_string(*status) + ")"
                            : " showed no window titled " + U8(title))};
    }
    guard_.Window(engine->name, engine->window);
  }
  observer_.Engines(tallowby_.process->Pid(), cressing_.process->Pid(), fennick_.process->Pid());
}

void Road::MakeProfile() {
  CheckStop();
  const Mark mark = Here();
  SendResult result;
  // The guard deletes what Tallowby made for this run and did not hand
  // over (it died writing the profile): no other run makes one meanwhile.
  auto begin = [&](const std::vector<std::u16string>& sources) {
    for (const std::u16string& source : sources) guard_.Source(source);
    guard_.ProfileBegins([] { return StopRequests().load() > 0; });
    if (StopAsked()) {
      guard_.ProfileEnds();
      throw Blocked{"stopped by the user"};
    }
  };
  if (!options_.pstFiles.empty()) {
    std::vector<std::u16string> paths;
    for (const fs::path& pst : options_.pstFiles) paths.push_back(U16(fs::absolute(pst).lexically_normal()));
    if (!WriteInputFile(run_ / U8(kPstPathListFile), paths)) throw Blocked{"cannot write the list of PST files"};
    const CREATE_PST_PROFILE_INFO info{win32::HandleValue(requester_.Window())};
    begin(paths);
    result = Call(tallowby_, [&] { return requester_.SendRecord(tallowby_.window, CD_CREATE_PST_PROFILE, info); });
  } else {
    // The profile is the one of who logs on; the mailbox to migrate is
    // chosen from the server's list later.
    const std::u16string& user = options_.user.empty() ? options_.mailbox : options_.user;
    if (!WriteInputFile(run_ / U8(kExchangeMailboxFile), {user, options_.exchangeServer}))
      throw Blocked{"cannot write the mailbox file"};
    begin({options_.exchangeServer});
    result = Call(tallowby_, [&] { return requester_.Send(tallowby_.window, WM_CREATE_EXCHANGE_PROFILE); });
  }
  if (!profileName_.empty())
    guard_.Profile(profileName_);
  else
    guard_.ProfileEnds();
  if (result.value != 1 || profileName_.empty())
    throw Blocked{"Tallowby could not make the profile" + TextsSince(mark)};
  report_.profile = profileName_;
}

void Road::LogOn() {
  CheckStop();
  LOGON_INFO info{};
  info.hwnd = win32::HandleValue(requester_.Window());
  info.case_Mapi = options_.pstFiles.empty() ? kCaseExchange : kCasePstFiles;
  std::strncpy(info.profile, win32::Utf16ToAnsi(profileName_).c_str(), sizeof info.profile - 1);
  const std::u16string& user = options_.user.empty() ? options_.mailbox : options_.user;
  std::strncpy(info.user, win32::Utf16ToAnsi(user).c_str(), sizeof info.user - 1);
  const Mark mark = Here();
  if (Call(cressing_, [&] { return requester_.SendRecord(cressing_.window, CD_LOGON, info); }).value != 1)
    throw Blocked{"Cressing could not log on" + TextsSince(mark)};
}

void Road::ListPstFolders() {
  CheckStop();
  const Mark mark = Here();
  const SendResult listed = Call(cressing_, [&] { return requester_.Send(cressing_.window, WM_LIST_STORES); });
  auto stores = ReadListFile(run_ / "DisplayName.txt");
  if (!listed.delivered || listed.value != 0 || !stores || stores->empty())
    throw Blocked{"Cressing could not list the stores of the profile" + TextsSince(mark)};
  stores_ = std::move(*stores);
  // The profile engine names each PST store by its path: a file missing from
  // the list could not be added.
  for (const fs::path& pst : options_.pstFiles) {
    const std::u16string path = U16(fs::absolute(pst).lexically_normal());
    if (std::find(stores_.begin(), stores_.end(), path) == stores_.end())
      report_.problems.push_back(pst.string() +
                                 " could not be opened (damaged, or no PST file); its items are left out");
  }
  // Each store is a top-level Notes folder, named after its file; two of
  // one name get numbers.
  std::vector<std::u16string>& tops = storeTops_;
  for (const std::u16string& name : stores_) {
    std::u16string base = FileTitle(name);
    if (base.empty()) base = u"Personal Folders";
    std::u16string top = base;
    for (int n = 2; std::find(tops.begin(), tops.end(), top) != tops.end(); ++n)
      top = base + u" (" + win32::Utf8ToUtf16(std::to_string(n)) + u")";
    tops.push_back(top);
  }
  walkedStore_ = 0;
  for (std::size_t store = 1; store <= stores_.size(); ++store)
    for (ListedFolder& folder : WalkStore(store)) folders_.push_back({store, tops[store - 1], std::move(folder), {}});
}

std::vector<ListedFolder> Road::WalkStore(std::size_t store) {
  CheckStop();
  // A walk appends to the engine's entry list: list the stores anew so that
  // this walk's folders are numbered right after them.
  if (walkedStore_ != 0 &&
      Call(cressing_, [&] { return requester_.Send(cressing_.window, WM_LIST_STORES); }).value != 0) {
    if (cressing_.gone) throw Blocked{"Cressing is gone"};
    report_.problems.push_back("the stores could not be listed again");
    return {};
  }
  const Mark mark = Here();
  const SendResult walked = Call(
      cressing_, [&] { return requester_.Send(cressing_.window, WM_LIST_STORE_FOLDERS, static_cast<LPARAM>(store)); });
  walkedStore_ = store;
  if (cressing_.gone) throw Blocked{"Cressing is gone"};
  const auto lines = ReadListFile(run_ / "FolderName.txt");
  if (walked.value != 0 || !lines) {
    report_.problems.push_back("the folders of " + U8(stores_[store - 1]) + " could not be listed" + TextsSince(mark));
    return {};
  }
  return ParseFolderList(*lines, static_cast<std::int32_t>(stores_.size()) + 1);
}

void Road::ListMailboxFolders() {
  CheckStop();
  // The profile's own store names the mailbox too ("Mailbox - Ann Archer").
  Call(cressing_, [&] { return requester_.Send(cressing_.window, WM_LIST_STORES); });
  const auto ownStores = ReadListFile(run_ / "DisplayName.txt");
  Mark mark = Here();
  const std::u16string server = options_.exchangeServer + u'\0';
  const SendResult listed = Call(cressing_, [&] {
    return requester_.SendCopyData(cressing_.window, CD_LIST_MAILBOXES, server.data(),
                                   static_cast<DWORD>(server.size() * sizeof(char16_t)));
  });
  const auto mailboxes = ReadListFile(run_ / "DisplayName.txt");
  if (listed.value != 1 || !mailboxes)
    throw Blocked{"Cressing could not list the mailboxes of " + U8(options_.exchangeServer) + TextsSince(mark)};
  // The server lists display names; the user's own mailbox may be named by
  // its alias too, which its store's name ("Mailbox - Ann Archer") resolves.
  auto found = std::find_if(mailboxes->begin(), mailboxes->end(),
                            [&](const std::u16string& line) { return SameText(line, options_.mailbox); });
  const bool own = options_.user.empty() || SameText(options_.user, options_.mailbox);
  auto isOwn = [&](const std::u16string& line) {
    for (const std::u16string& store : ownStores.value_or(std::vector<std::u16string>{}))
      if (store.starts_with(u"Mailbox - ") && SameText(store.substr(10), line)) return true;
    return false;
  };
  if (found == mailboxes->end() && own) found = std::find_if(mailboxes->begin(), mailboxes->end(), isOwn);
  if (found == mailboxes->end()) {
    std::string listing;
    for (const auto& line : *mailboxes) listing += (listing.empty() ? "" : ", ") + U8(line);
    throw Blocked{U8(options_.exchangeServer) + " has no mailbox " + U8(options_.mailbox) + " (it lists: " + listing +
                  ")"};
  }
  auto request = std::make_unique<MAILBOX_FOLDER_INFO>();
  std::memset(request.get(), 0, sizeof *request);
  SetField(request->server, options_.exchangeServer);
  request->entryIndex = static_cast<std::int32_t>(found - mailboxes->begin()) + 1;
  mark = Here();
  Call(cressing_, [&] { return requester_.SendRecord(cressing_.window, CD_LIST_MAILBOX_FOLDERS, *request); });
  const auto lines = ReadListFile(run_ / "MailBoxName.txt");
  if (cressing_.gone || !lines || (lines->empty() && report_.messages.size() > mark.messages))
    throw Blocked{"Cressing could not list the folders of " + U8(*found) + TextsSince(mark)};
  for (ListedFolder& folder : ParseFolderList(*lines, static_cast<std::int32_t>(mailboxes->size()) + 1))
    folders_.push_back({0, *found, std::move(folder), {}});
}

// The walks leave out the top of each store's folders: what it holds is
// named as not migrated. The profile's stores are the run's own, unless
// the mailbox is another's than the user's.
void Road::CheckTopFolders() {
  CheckStop();
  const bool own = options_.user.empty() || SameText(options_.user, options_.mailbox);
  if (options_.pstFiles.empty() && !own) return;
  std::string error;
  auto tops = ReadTopFolders(profileName_, &error);
  if (!tops) {
    report_.problems.push_back("the top of the personal folders could not be read: " + error);
    return;
  }
  for (TopFolderItems& top : *tops) {
    const auto listed = std::find(stores_.begin(), stores_.end(), top.store);
    if (options_.pstFiles.empty())
      top.store = folders_.empty() ? options_.mailbox : folders_[0].top;
    else
      top.store = listed != stores_.end() ? storeTops_[listed - stores_.begin()] : FileTitle(top.store);
    report_.topFolderItems.push_back(std::move(top));
  }
}

void Road::CreateDatabase() {
  CheckStop();
  const Mark mark = Here();
  MailFileDirRecord mailFile;
  SetField(mailFile.folder, U16(win32::NotesFolder()));
  Call(fennick_, [&] { return requester_.SendRecord(fennick_.window, CD_SET_MAILFILE_DIR, mailFile); });

  std::error_code ec;
  const fs::path out = fs::absolute(options_.outFolder).lexically_normal();
  fs::create_directories(out, ec);
  if (ec) throw Blocked{"cannot make " + out.string() + ": " + ec.message()};
  std::u16string name = options_.databaseName;
  if (name.empty()) name = options_.pstFiles.empty() ? options_.mailbox : U16(options_.pstFiles[0].stem());
  CREATE_FILE_INFO info;
  if (!SetField(info.targetFolder, U16(out)) || !SetField(info.databaseName, name))
    throw Blocked{"the database's folder or name is longer than 259 characters"};
  // Fennick does not say which file it made (a taken name gets a number):
  // it is the one that was not there before, and of those (another run may
  // be making its own beside it) the one Fennick holds open.
  const std::set<fs::path> before = Databases(out);
  if (Call(fennick_, [&] { return requester_.SendRecord(fennick_.window, CD_CREATE_NSF, info); }).value != 1)
    throw Blocked{"Fennick could not create the database" + TextsSince(mark)};
  report_.database = report_.databaseAsked = out / (U8(name) + ".nsf");
  std::vector<fs::path> made;
  for (const fs::path& file : Databases(out))
    if (!before.count(file)) made.push_back(file);
  if (made.size() > 1 && fennick_.process) {
    const std::set<fs::path> held = HeldOpen(fennick_.process->Pid(), out);
    std::erase_if(made, [&](const fs::path& file) { return !held.count(file); });
  }
  if (!made.empty()) report_.database = out / made.back();
  observer_.DatabaseMade(report_.database);
}

void Road::CreateFolders() {
  for (PlannedFolder& folder : folders_) {
    CheckStop();
    FolderOutcome& outcome = folder.outcome;
    outcome.source = folder.top + u"\\" + Join(folder.listed.levels, u"\\");
    outcome.entryIndex = folder.listed.entryIndex;
    outcome.listed = folder.listed.count;
    auto request = std::make_unique<CREATE_FOLDER_INFO>();
    std::memset(request.get(), 0, sizeof *request);
    // Fennick drops the path's last character.
    const bool fits = SetField(request->folderPath, outcome.source + u"\\");
    const Mark mark = Here();
    folderName_.clear();
    if (fits &&
        Call(fennick_, [&] { return requester_.SendRecord(fennick_.window, CD_CREATE_FOLDER, *request); }).value == 1)
      outcome.notesFolder = folderName_;
    if (fennick_.gone) throw Blocked{"Fennick is gone"};
    if (outcome.notesFolder.empty()) {
      outcome.notExported = outcome.listed;
      report_.problems.push_back("no Notes folder for " + U8(outcome.source) +
                                 (fits ? TextsSince(mark) : ": its path is too long"));
    }
  }
  std::vector<FolderOutcome> outcomes;
  for (const PlannedFolder& folder : folders_) outcomes.push_back(folder.outcome);
  observer_.Planned(outcomes);
}

void Road::ExportAll() {
  StartInserter();
  for (std::size_t i = 0; i < folders_.size(); ++i) {
    PlannedFolder& folder = folders_[i];
    if (folder.outcome.notesFolder.empty()) continue;
    if (StopAsked() || cressing_.gone || fennick_.gone) {
      folder.outcome.notExported = folder.outcome.listed;
      continue;
    }
    if (folder.store != 0 && folder.store != walkedStore_) {
      // Number the store's folders anew; they are listed as before.
      const std::vector<ListedFolder> again = WalkStore(folder.store);
      for (std::size_t j = i, k = 0; j < folders_.size() && folders_[j].store == folder.store; ++j, ++k) {
        const bool same = k < again.size() && again[k].levels == folders_[j].listed.levels;
        folders_[j].outcome.entryIndex = same ? again[k].entryIndex : 0;
      }
    }
    if (folder.outcome.entryIndex == 0) {
      folder.outcome.notExported = folder.outcome.listed;
      report_.problems.push_back(U8(folder.outcome.source) + " is no longer listed");
      continue;
    }
    ExportFolder(i);
  }
}

void Road::ExportFolder(std::size_t index) {
  PlannedFolder& folder = folders_[index];
  FolderOutcome& outcome = folder.outcome;
  observer_.FolderStarted(index, outcome);
  auto request = std::make_unique<EXPORT_FOLDER_INFO>();
  std::memset(request.get(), 0, sizeof *request);
  // The levels joined as Cressing joins folder names; contacts take it as
  // their address book's name.
  SetField(request->folderPath, folder.top + std::u16string(kTagName) + Join(folder.listed.levels, kTagName));
  request->entryIndex = outcome.entryIndex;
  request->target = 0;
  request->dateFilterMode = options_.dateFilterMode;
  request->relativeDateChoice = options_.relativeDateChoice;
  const std::size_t ranges = std::min(options_.dateRanges.size(), kMaxDateRanges);
  for (std::size_t i = 0; i < ranges; ++i)
    std::strncpy(request->dateRanges[i], options_.dateRanges[i].c_str(), kDateRangeSize - 1);
  request->dateRangeCount = static_cast<std::int32_t>(ranges);
  std::copy(options_.types.begin(), options_.types.end(), request->typeEnabled);

  exporting_ = index;
  itemNumber_ = 0;
  itemTotal_ = -1;
  exportDone_ = false;
  errorsSinceItem_ = 0;
  itemErrors_.clear();
  const auto start = std::chrono::steady_clock::now();
  const Mark mark = Here();
  const SendResult result =
      Call(cressing_, [&] { return requester_.SendRecord(cressing_.window, CD_EXPORT_FOLDER, *request); });
  exporting_.reset();
  // The next folder's export waits for this one's items to be in (or
  // named): its outcome is whole when it is told.
  Drain();
  const std::string texts = TextsSince(mark, &cressing_);
  std::lock_guard lock(state_);
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (itemTotal_ >= 0) outcome.listed = itemTotal_;
  const std::int32_t rest = std::max(outcome.listed - outcome.announced - outcome.unreadable, 0);
  if (result.delivered && result.value == 1 && exportDone_) {
    outcome.complete = true;
    outcome.skipped = rest;
  } else {
    outcome.notExported = rest;
    if (result.delivered && result.value != 1)
      report_.problems.push_back("the export of " + U8(outcome.source) + " could not start" + texts);
  }
  observer_.FolderEnded(index, outcome);
}

LRESULT Road::OnCopyData(const CopyDataReply& reply) {
  watchdog_.Touch();
  switch (static_cast<DWORD>(reply.code)) {
    case CD_PROFILE_NAME:
      profileName_ = Field(ReadReply<ProfileNameReply>(reply)->profileName);
      return 1;
    case CD_ERROR_TEXT: {
      const auto text = ReadReply<ERROR_TEXT_INFO>(reply);
      NoteMessage(cressing_, "error text", Field(text->message), Field(text->mailbox));
      if (!exporting_) return 1;
      std::lock_guard lock(state_);
      if (StepOfAnItem(Field(text->message)))
        itemErrors_ += (itemErrors_.empty() ? "" : "; ") + U8(Field(text->message));
      else
        ++errorsSinceItem_;
      return 1;
    }
    case CD_NOTES_ERROR:
      notesError_ = true;
      NoteMessage(fennick_, "notes error", Field(ReadReply<NotesErrorReply>(reply)->text));
      return 1;
    case CD_FOLDER_NAME:
      folderName_ = Field(ReadReply<FolderNameReply>(reply)->folderPath);
      return 1;
    case CD_ITEM_INFO:
      return OnItem(*ReadReply<ITEM_INFO>(reply));
    case CD_EXPORT_DONE: {
      std::lock_guard lock(state_);
      CountUnreadable();
      exportDone_ = true;
      return 1;
    }
    default:
      return 0;
  }
}

LRESULT Road::OnItem(const ITEM_INFO& info) {
  if (!exporting_) return 0;
  if (stopSent_) {
    // Announced after the stop: not exported, like the rest of the folder.
    DropFiles(info);
    return 0;
  }
  const std::size_t folder = *exporting_;
  std::u16string notesFolder;
  {
    std::lock_guard lock(state_);
    CountUnreadable();
    ++folders_[folder].outcome.announced;
    notesFolder = folders_[folder].outcome.notesFolder;
  }
  itemNumber_ = info.itemNumber;
  if (info.itemTotal >= 0) itemTotal_ = info.itemTotal;
  const LRESULT answer = Queue(info, folder, notesFolder);
  // The item at hand is queued: the export stops here, and the queue is
  // still inserted. Cressing still announces the item it prepares next,
  // which is answered 0.
  if (StopAsked() && !std::exchange(stopSent_, true))
    Call(cressing_, [&] { return requester_.Send(cressing_.window, WM_STOP_EXPORT); });
  return answer;
}

// Takes the item's files into the queue for the importer: 1, and the
// exporter deletes its own names of them; 0 when it cannot be queued (it is
// named as failed with the exporter's files, which stay), and the
// exporter's export ends there.
LRESULT Road::Queue(const ITEM_INFO& info, std::size_t folder, const std::u16string& notesFolder) {
  auto failed = [&](const std::string& reason) {
    ItemFailed(info, reason);
    ItemDone(folder);
    return 0;
  };
  if (fennick_.gone) {
    Drain();
    return failed(GoneReason(fennick_));
  }
  QueuedItem item;
  item.folder = folder;
  item.itemNumber = info.itemNumber;
  {
    std::lock_guard lock(state_);
    item.exportErrors = std::exchange(itemErrors_, {});
  }
  std::string error;
  const auto taken = TakeItemFiles({Field(info.emlFile), Field(info.itemTextFile), Field(info.attachmentList),
                                    Field(info.membersFile)},
                                   run_ / "queue", std::to_string(++queuedCount_), &error);
  if (!taken) return failed("its files could not be taken: " + error);
  item.files = taken->files;
  item.bytes = taken->bytes;
  item.record = std::make_unique<MIME_FILE_INFO>();
  std::memset(item.record.get(), 0, sizeof *item.record);
  const bool fits = SetField(item.record->folderPath, notesFolder + u"\\") &&
                    SetField(item.record->emlFile, taken->paths.emlFile) &&
                    SetField(item.record->itemTextFile, taken->paths.itemTextFile) &&
                    SetField(item.record->attachmentList, taken->paths.attachmentList) &&
                    SetField(item.record->membersFile, taken->paths.membersFile);
  item.record->plainBody = options_.plainBody ? 1 : 0;
  std::error_code ec;
  auto drop = [&] {
    for (const fs::path& file : item.files) fs::remove_all(file, ec);
  };
  if (!fits) {
    drop();
    return failed("its files' paths are longer than Fennick takes");
  }
  if (!Enqueue(item)) {
    drop();
    Drain();  // the queued ones are named first: the report keeps the items' order
    return failed(GoneReason(fennick_));
  }
  // Answered 1, the exporter deletes its names of the item's own files;
  // those of its attachments it leaves to the importer, which has ours.
  for (const fs::path& attachment : taken->attachments) fs::remove(attachment, ec);
  return 1;
}

std::string Road::GoneReason(const Engine& engine) {
  std::lock_guard lock(state_);
  return engine.why.empty() ? std::string(engine.name) + " is gone" : engine.why;
}

void Road::ItemDone(std::size_t folder) {
  std::lock_guard lock(state_);
  observer_.ItemDone(folder, folders_[folder].outcome);
}

// Waits for room in the queue, as long as the importer is there to make
// it: false when it is gone.
bool Road::Enqueue(QueuedItem& item) {
  // The exporter waits on us meanwhile: its silence is ours.
  watchdog_.Enter(0, "the queue");
  std::unique_lock lock(state_);
  queueChanged_.wait(lock, [&] {
    return fennick_.gone || pendingItems_ == 0 ||
           (pendingItems_ < kQueueItems && pendingBytes_ + item.bytes <= kQueueBytes);
  });
  const bool queued = !fennick_.gone;
  if (queued) {
    ++pendingItems_;
    pendingBytes_ += item.bytes;
    queue_.push_back(std::move(item));
  }
  lock.unlock();
  watchdog_.Leave();
  queueChanged_.notify_all();
  return queued;
}

// Until every queued item is in or named.
void Road::Drain() {
  std::unique_lock lock(state_);
  queueChanged_.wait(lock, [&] { return pendingItems_ == 0; });
}

void Road::StartInserter() {
  inserter_ = std::thread([this] { Insert(); });
}

void Road::StopInserter() {
  if (!inserter_.joinable()) return;
  {
    std::lock_guard lock(state_);
    queueClosed_ = true;
  }
  queueChanged_.notify_all();
  inserter_.join();
}

// The importer's thread: its own requester window takes the importer's
// replies, so both engines work at once.
void Road::Insert() {
  Requester requester(win32::Utf8ToUtf16("Brackenford importer's requester " + std::to_string(::getpid())));
  requester.KeepReplies(false);
  requester.SetAnswer([this](const CopyDataReply& reply) { return OnCopyData(reply); });
  for (;;) {
    std::unique_lock lock(state_);
    queueChanged_.wait(lock, [&] { return !queue_.empty() || queueClosed_; });
    if (queue_.empty()) return;
    QueuedItem item = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    InsertQueued(requester, item);
    lock.lock();
    --pendingItems_;
    pendingBytes_ -= item.bytes;
    lock.unlock();
    queueChanged_.notify_all();
  }
}

void Road::InsertQueued(Requester& requester, QueuedItem& item) {
  if (fennick_.gone) return QueuedFailed(item, GoneReason(fennick_));
  if (!requester.Window()) return QueuedFailed(item, "the importer's requests have no window to answer");
  {
    std::lock_guard lock(state_);
    inserting_ = {item.folder, item.itemNumber};
  }
  notesError_ = false;
  const Mark mark = Here();
  const SendResult inserted =
      Call(fennick_, [&] { return requester.SendRecord(fennick_.window, CD_INSERT_ITEM, *item.record); });
  if (!inserted.delivered) {
    QueuedFailed(item, GoneReason(fennick_));
  } else if (inserted.value == 0) {
    QueuedFailed(item, "Fennick could not insert it" + TextsSince(mark, &fennick_));
  } else if (notesError_) {
    NoteFullDisk();
    QueuedFailed(item, "its document is not whole" + TextsSince(mark, &fennick_));
  } else if (!item.exportErrors.empty()) {
    QueuedFailed(item, "its document is not whole: Cressing: " + item.exportErrors);
  } else {
    // What the importer left of its files (it removes the attachments it took).
    std::error_code ec;
    for (const fs::path& file : item.files) fs::remove_all(file, ec);
    std::lock_guard lock(state_);
    ++folders_[item.folder].outcome.inserted;
  }
  {
    std::lock_guard lock(state_);
    inserting_.reset();
  }
  ItemDone(item.folder);
}

// A queued item that did not arrive: what is left of its files is kept
// and named.
void Road::QueuedFailed(QueuedItem& item, const std::string& reason) {
  const std::u16string subject = SubjectOf(Field(item.record->itemTextFile));
  std::lock_guard lock(state_);
  FolderOutcome& outcome = folders_[item.folder].outcome;
  ++outcome.failed;
  ItemFailure failure{outcome.source, item.itemNumber, subject, reason, {}};
  const fs::path kept = run_ / "kept" / std::to_string(report_.failures.size() + 1);
  std::error_code ec;
  fs::create_directories(kept, ec);
  for (const fs::path& file : item.files) {
    // Its own name again ("3-MSG1.eml" as "MSG1.eml"); its attachments' folder as "attachments".
    const std::string name = file.filename().string();
    const std::size_t dash = name.find('-');
    const fs::path to = kept / (dash == std::string::npos ? std::string("attachments") : name.substr(dash + 1));
    fs::rename(file, to, ec);
    const fs::path& where = ec ? file : to;
    if (fs::is_directory(where, ec)) {
      for (const fs::path& attachment : FilesBelow(where)) failure.files.push_back(U16(attachment));
    } else if (fs::exists(where, ec)) {
      failure.files.push_back(U16(where));
    }
  }
  report_.failures.push_back(std::move(failure));
}

void Road::DropFiles(const ITEM_INFO& info) {
  std::error_code ec;
  for (const fs::path& path : ItemFiles(info)) fs::remove(path, ec);
}

// A database that cannot be written to for want of space says so only as
// a file that cannot be written: the road names the cause, once.
void Road::NoteFullDisk() {
  struct statvfs disk {};
  const fs::path folder = report_.database.parent_path();
  if (diskFull_ || ::statvfs(folder.c_str(), &disk) != 0) return;
  if (static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize >= kFullDiskMargin) return;
  diskFull_ = true;
  AddProblem("no space left on the disk of " + folder.string());
}

// An error text in the middle of an export that then goes on is an item
// the exporter could not open: it is not announced, and not skipped either.
void Road::CountUnreadable() {
  if (!exporting_) return;
  FolderOutcome& outcome = folders_[*exporting_].outcome;
  const std::int32_t unread = std::exchange(errorsSinceItem_, 0);
  outcome.unreadable += unread;
  outcome.failed += unread;
}

// An item that was not queued: the exporter was answered 0, so its files
// stay where it wrote them.
void Road::ItemFailed(const ITEM_INFO& info, const std::string& reason) {
  const std::u16string subject = SubjectOf(Field(info.itemTextFile));
  std::lock_guard lock(state_);
  FolderOutcome& outcome = folders_[*exporting_].outcome;
  ++outcome.failed;
  ItemFailure failure{outcome.source, info.itemNumber, subject, reason, {}};
  std::error_code ec;
  for (const fs::path& path : ItemFiles(info))
    if (fs::exists(path, ec)) failure.files.push_back(U16(path));
  report_.failures.push_back(std::move(failure));
}

void Road::CloseEngines() {
  // Cressing logs off first; Tallowby deletes its profile as it ends.
  for (Engine* engine : {&cressing_, &fennick_, &tallowby_}) {
    if (!engine->process || !engine->window) continue;
    if (engine->gone) {
      engine->process->WaitForExit(5s);
      continue;
    }
    const auto status = engine->process->Close(engine->window, kCloseLimit);
    for (const ShownBox& box : ReadMessageBoxes(engine->log, &engine->logOffset))
      NoteMessage(*engine, "message box", win32::Utf8ToUtf16(box.text));
    // Every item has been answered by now: what costs nothing shows in the
    // profile check that follows.
    if (!status)
      report_.warnings.push_back(std::string(engine->name) + " did not end when closed and was stopped");
    else if (*status != 0)
      report_.warnings.push_back(std::string(engine->name) + " ended with status " + std::to_string(*status));
  }
}

// Tallowby deletes its profile as it ends, the guard when Tallowby could
// not: one still there is left behind.
void Road::CheckProfileGone() {
  if (!report_.profile.empty() && mapi::profiles::Find(report_.profile))
    report_.problems.push_back("the profile " + U8(report_.profile) + " is still there");
}

void Road::Finish() {
  for (const PlannedFolder& folder : folders_) report_.folders.push_back(folder.outcome);
  if (run_.empty()) return;
  // The run's folder stays only while it holds files of items that did not
  // arrive; the engines' logs are in it too.
  const bool kept = std::any_of(report_.failures.begin(), report_.failures.end(),
                                [](const ItemFailure& failure) { return !failure.files.empty(); });
  std::error_code ec;
  if (kept)
    report_.keptFolder = run_;
  else
    fs::remove_all(run_, ec);
}

MigrationReport Migrate(const MigrateOptions& options, MigrationObserver& observer) {
  MigrationReport report;
  const auto start = std::chrono::steady_clock::now();
  {
    Road road(options, observer, report);
    road.Run();
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report;
}

}  // namespace controller
