// The first export mode of the real engine: a working folder to start it
// in, the MIME converter registered as `brackenford machine init` does, and
// a requester that records every CD_ITEM_INFO with the item's files as they
// are at that moment, and answers as the test says.
#pragma once

#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "com/com.h"
#include "cressing_engine.h"
#include "export_records.h"
#include "mapi/mimeconv.h"

namespace cressing_test {

// The filters of a request.
struct Filters {
  std::int32_t mode = 0;
  std::int32_t relativeChoice = 0;
  std::vector<std::string> ranges;
  std::uint8_t types[kItemTypeSwitches] = {1, 1, 1, 1, 1, 1};
};

class ExportEngine : public CressingEngine {
 protected:
  ExportEngine() : previous_(fs::current_path()) {
    InstallMapi();
    work_ = machine_.scratch() / "work";
    fs::create_directories(work_);
    fs::current_path(work_);  // the engine starts here
  }
  ~ExportEngine() override { fs::current_path(previous_); }

  void RegisterConverter() {
    ASSERT_EQ(com::RegisterInprocServer(CLSID_IConverterSession, u"",
                                        testing_support::BuildDir() / "lib" / "brackenford_mimeconv.so"),
              S_OK);
  }
  // Starts the engine on a profile of these PST files and lists the folders
  // of the first store: the store is entry 1, its folders 2 and on in walk
  // order ("Deleted Items" first, then the description's folders).
  void StartOn(const std::vector<PstFile>& psts) {
    AddPstProfile(u"Export", psts);
    Start();
    ASSERT_EQ(Logon(0, "Export"), 1);
    ASSERT_EQ(Message(WM_LIST_STORES), 0);
    ASSERT_EQ(Message(WM_LIST_STORE_FOLDERS, 1), 0);
    ASSERT_TRUE(TakeMessages().empty());
  }

  // Sends CD_EXPORT_FOLDER (target 0) and records the replies; `answer`
  // decides each CD_ITEM_INFO's answer (1 without one).
  ExportRun Export(std::int32_t entryIndex, const Filters& filters = {}, const Answer& answer = {},
                   const std::u16string& folderPath = u"Export<TagName>Folder") {
    auto info = std::make_unique<EXPORT_FOLDER_INFO>();
    std::memset(info.get(), 0, sizeof *info);
    std::copy(folderPath.begin(), folderPath.end(), info->folderPath);
    info->entryIndex = entryIndex;
    info->target = 0;
    info->dateFilterMode = filters.mode;
    info->relativeDateChoice = filters.relativeChoice;
    for (std::size_t i = 0; i < filters.ranges.size(); ++i)
      std::strncpy(info->dateRanges[i], filters.ranges[i].c_str(), kDateRangeSize);
    info->dateRangeCount = static_cast<std::int32_t>(filters.ranges.size());
    std::copy(std::begin(filters.types), std::end(filters.types), info->typeEnabled);

    ExportRun run;
    requester_.SetAnswer(
        [&](const controller::CopyDataReply& reply) { return RecordReply(run, reply, requester_.Window(), answer); });
    run.result = Request(CD_EXPORT_FOLDER, *info);
    requester_.SetAnswer({});
    requester_.TakeReplies();
    return run;
  }

  // What the working folder holds, by name.
  std::vector<std::string> WorkFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::u16string WorkPath(const char16_t* name) const { return work_.u16string() + u"\\" + name; }

  fs::path work_;

 private:
  fs::path previous_;
};

}  // namespace cressing_test
