// The first export mode of the real engine: a working folder to start it
// in, the MIME converter registered as `brackenford machine init` does, and
// a requester that records every CD_ITEM_INFO with the item's files as they
// are at that moment, and answers as the test says.
#pragma once

#include <unistd.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "com/com.h"
#include "cressing_engine.h"
#include "mapi/mimeconv.h"
#include "win32/text.h"

namespace cressing_test {

namespace fs = std::filesystem;

// An engine path ("/work\MSG1.eml") as a POSIX one.
inline fs::path PosixPath(std::u16string path) {
  std::replace(path.begin(), path.end(), u'\\', u'/');
  return fs::path(win32::Utf16ToUtf8(path));
}

// UTF-16LE bytes as text.
inline std::u16string WideText(const std::vector<unsigned char>& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
  return text;
}

// Lines ended by CR LF (a last line without one is kept too).
inline std::vector<std::u16string> CrLfLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(u"\r\n", at);
    if (end == std::u16string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// One CD_ITEM_INFO and what its paths held while it was announced.
struct Announced {
  std::u16string emlFile, itemTextFile, attachmentList, membersFile;
  std::int32_t itemType = -1, itemNumber = 0, itemTotal = 0;
  bool emlExists = false;
  std::string eml;          // the MIME file's bytes
  std::u16string itemText;  // the item text
  std::vector<std::u16string> attachmentLines;
  bool attachmentListExists = false;
  std::map<std::u16string, std::vector<unsigned char>> storedFiles;  // by stored name (line 1)
  // The item's subject as its item text has it.
  std::u16string Subject() const {
    for (const std::u16string& line : CrLfLines(itemText))
      if (line.starts_with(u"Subject : ")) return line.substr(10);
    return {};
  }
};

// What one CD_EXPORT_FOLDER brought back.
struct ExportRun {
  LRESULT result = 0;
  std::vector<Announced> items;
  std::vector<std::u16string> errors;
  int doneCount = 0;
  std::vector<unsigned char> doneBytes;
  std::vector<std::u16string> Subjects() const {
    std::vector<std::u16string> subjects;
    for (const Announced& item : items) subjects.push_back(item.Subject());
    return subjects;
  }
};

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
  ExportRun Export(std::int32_t entryIndex, const Filters& filters = {},
                   std::function<LRESULT(const Announced&)> answer = {},
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
    requester_.SetAnswer([&](const controller::CopyDataReply& reply) -> LRESULT {
      if (reply.code == CD_ITEM_INFO) {
        EXPECT_EQ(reply.bytes.size(), sizeof(ITEM_INFO));
        EXPECT_EQ(reply.sender, requester_.Window()) << "wParam is the requester's own window";
        run.items.push_back(Look(reply.bytes));
        return answer ? answer(run.items.back()) : 1;
      }
      if (reply.code == CD_EXPORT_DONE) {
        ++run.doneCount;
        run.doneBytes = reply.bytes;
        EXPECT_EQ(reply.sender, requester_.Window());
      }
      if (reply.code == CD_ERROR_TEXT) run.errors.push_back(ReadErrorText(reply.bytes).message);
      return 1;
    });
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
  static Announced Look(const std::vector<unsigned char>& bytes) {
    auto info = std::make_unique<ITEM_INFO>();
    std::memcpy(info.get(), bytes.data(), std::min(bytes.size(), sizeof *info));
    Announced item;
    item.emlFile = win32::WideField(info->emlFile, 5000);
    item.itemTextFile = win32::WideField(info->itemTextFile, 5000);
    item.attachmentList = win32::WideField(info->attachmentList, 5000);
    item.membersFile = win32::WideField(info->membersFile, 5000);
    item.itemType = info->itemType;
    item.itemNumber = info->itemNumber;
    item.itemTotal = info->itemTotal;
    if (!item.emlFile.empty() && fs::exists(PosixPath(item.emlFile))) {
      item.emlExists = true;
      const auto eml = ReadBytes(PosixPath(item.emlFile));
      item.eml.assign(eml.begin(), eml.end());
    }
    if (!item.itemTextFile.empty()) item.itemText = WideText(ReadBytes(PosixPath(item.itemTextFile)));
    if (!item.attachmentList.empty() && fs::exists(PosixPath(item.attachmentList))) {
      item.attachmentListExists = true;
      const std::u16string list = WideText(ReadBytes(PosixPath(item.attachmentList)));
      if (!list.empty()) item.attachmentLines = CrLfLines(list);
      for (std::size_t i = 0; i + 2 < item.attachmentLines.size(); i += 3) {
        const fs::path stored = PosixPath(item.attachmentLines[i + 2] + item.attachmentLines[i]);
        if (fs::exists(stored)) item.storedFiles[item.attachmentLines[i]] = ReadBytes(stored);
      }
    }
    return item;
  }

  fs::path previous_;
};

}  // namespace cressing_test
