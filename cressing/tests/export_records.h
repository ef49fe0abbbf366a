// What the first export mode announces, as a requester sees it: the fields
// of one CD_ITEM_INFO and what its paths held at that moment.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controller/Requester.h"
#include "cressing_test_support.h"
#include "win32/text.h"

namespace cressing_test {

namespace fs = std::filesystem;

// An engine path ("/work\MSG1.eml") as a POSIX one.
inline fs::path PosixPath(std::u16string path) {
  std::replace(path.begin(), path.end(), u'\\', u'/');
  return fs::path(win32::Utf16ToUtf8(path));
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

// What one export brought back.
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

// The fields of a CD_ITEM_INFO record and the files it names, as they are now.
inline Announced LookAtItem(const std::vector<unsigned char>& bytes) {
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

// How the requester answers an announced item.
using Answer = std::function<LRESULT(const Announced&)>;

// Records one message the export sent to the requester; for CD_ITEM_INFO
// the answer (1 without one).
inline LRESULT RecordReply(ExportRun& run, const controller::CopyDataReply& reply, HWND requester,
                           const Answer& answer) {
  if (reply.code == CD_ITEM_INFO) {
    EXPECT_EQ(reply.bytes.size(), sizeof(ITEM_INFO));
    EXPECT_EQ(reply.sender, requester) << "wParam is the requester's own window";
    run.items.push_back(LookAtItem(reply.bytes));
    return answer ? answer(run.items.back()) : 1;
  }
  if (reply.code == CD_EXPORT_DONE) {
    ++run.doneCount;
    run.doneBytes = reply.bytes;
    EXPECT_EQ(reply.sender, requester);
  }
  if (reply.code == CD_ERROR_TEXT) run.errors.push_back(ReadErrorText(reply.bytes).message);
  return 1;
}

}  // namespace cressing_test
