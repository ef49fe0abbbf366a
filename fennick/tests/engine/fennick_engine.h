// The real fennick program in a temporary machine root that `brackenford
// machine init` set up (with its mail templates), driven through the
// requester as the controlling program drives it; the databases it makes
// are read back with `nsfdump --json`.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "controller/Requester.h"
#include "fennick/FennickRecords.h"
#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace fennick_test {

namespace fs = std::filesystem;
inline constexpr auto kLimit = std::chrono::seconds(20);

// One reply of the engine: its code and text.
struct Reply {
  DWORD code = 0;
  std::u16string text;
  bool operator==(const Reply&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Reply& reply) {
  return out << "{" << reply.code << ", \"" << win32::Utf16ToUtf8(reply.text) << "\"}";
}
inline Reply NotesError(const std::u16string& text) { return {CD_NOTES_ERROR, text}; }
inline Reply FolderName(const std::u16string& text) { return {CD_FOLDER_NAME, text}; }

template <std::size_t N>
void SetField(WCHAR (&field)[N], const std::u16string& text) {
  std::memset(field, 0, sizeof field);
  std::copy_n(text.begin(), std::min(text.size(), N), field);
}

inline std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

class FennickEngine : public ::testing::Test {
 protected:
  FennickEngine() : out_(machine_.scratch() / "out") {
    fs::create_directories(out_);
    EXPECT_EQ(testing_support::InitMachine(), 0);
  }
  // Every engine ends cleanly when it is closed, whatever the test asked of it.
  void TearDown() override {
    if (engine_ && window_) {
      EXPECT_EQ(Close(), 0);
    }
  }

  void Start() {
    std::string error;
    window_ = controller::StartEngine(testing_support::BuildDir() / "bin" / "fennick", u"<GUID>fennick-test", kLimit,
                                      &engine_, &error);
    ASSERT_NE(window_, nullptr) << error;
  }
  // Closes the engine as the controlling program does; its exit status.
  std::optional<int> Close() {
    const auto status = engine_->Close(window_, kLimit);
    window_ = nullptr;
    return status;
  }

  LRESULT Copy(ULONG_PTR code, const void* data, DWORD size) {
    const controller::SendResult result = requester_.SendCopyData(window_, code, data, size);
    EXPECT_TRUE(result.delivered);
    return result.value;
  }
  // A record sent with `extra` bytes more (or fewer) than its size.
  template <class Record>
  LRESULT Send(ULONG_PTR code, const Record& record, int extra = 0) {
    std::vector<char> bytes(sizeof record + 1, '\0');
    std::memcpy(bytes.data(), &record, sizeof record);
    return Copy(code, bytes.data(), static_cast<DWORD>(static_cast<int>(sizeof record) + extra));
  }

  LRESULT SetMailFileDir(const std::u16string& folder, int extra = 0) {
    MailFileDirRecord record;
    SetField(record.folder, folder);
    return Send(CD_SET_MAILFILE_DIR, record, extra);
  }
  static CREATE_FILE_INFO FileInfo(const std::u16string& folder, const std::u16string& name) {
    CREATE_FILE_INFO info;
    SetField(info.targetFolder, folder);
    SetField(info.databaseName, name);
    return info;
  }
  LRESULT CreateNsf(const std::u16string& name, int extra = 0) { return CreateNsfIn(U16(out_), name, extra); }
  LRESULT CreateNsfIn(const std::u16string& folder, const std::u16string& name, int extra = 0) {
    return Send(CD_CREATE_NSF, FileInfo(folder, name), extra);
  }
  LRESULT CreateFolder(const std::u16string& path, int extra = 0) {
    auto info = std::make_unique<CREATE_FOLDER_INFO>();
    std::memset(info.get(), 0, sizeof *info);
    SetField(info->folderPath, path);
    return Send(CD_CREATE_FOLDER, *info, extra);
  }
  std::unique_ptr<MIME_FILE_INFO> ItemInfo(const std::u16string& folderPath, const fs::path& itemText) {
    auto info = std::make_unique<MIME_FILE_INFO>();
    std::memset(info.get(), 0, sizeof *info);
    SetField(info->folderPath, folderPath);
    SetField(info->emlFile, U16(machine_.scratch() / "MSG1.eml"));
    SetField(info->itemTextFile, U16(itemText));
    SetField(info->attachmentList, U16(machine_.scratch() / "AttachmentList.txt"));
    return info;
  }
  LRESULT InsertItem(const std::u16string& folderPath, const fs::path& itemText, int extra = 0) {
    return Send(CD_INSERT_ITEM, *ItemInfo(folderPath, itemText), extra);
  }

  // A mail item text as the extraction engine writes it.
  fs::path WriteMailText(const std::u16string& subject) {
    const std::u16string text =
        u"ITEM TYPE - EMAIL\r\nCreation Date : 3/4/2024 9:05 AM\r\nRead Status : 0\r\n"
        u"From : Ann\r\nTo : Bob\r\nCC : \r\nBcc : \r\nSubject : " +
        subject + u"\r\nImportance : 1\r\nBody : Hello";
    const fs::path file = machine_.scratch() / "Mail.txt";
    std::ofstream out(file, std::ios::binary);
    for (char16_t unit : text) out << static_cast<char>(unit & 0xFF) << static_cast<char>(unit >> 8);
    return file;
  }

  // The replies since the last call, each checked for its size, its wParam
  // (0) and the zero padding after its text.
  std::vector<Reply> TakeReplies() {
    std::vector<Reply> replies;
    for (const controller::CopyDataReply& reply : requester_.TakeReplies()) {
      const std::size_t size = reply.code == CD_FOLDER_NAME ? sizeof(FolderNameReply) : sizeof(NotesErrorReply);
      EXPECT_EQ(reply.bytes.size(), size) << "code " << reply.code;
      EXPECT_EQ(reply.sender, nullptr) << "replies carry wParam 0";
      std::u16string text;
      std::size_t at = 0;
      for (; at + 1 < reply.bytes.size(); at += 2) {
        const char16_t unit = static_cast<char16_t>(reply.bytes[at] | reply.bytes[at + 1] << 8);
        if (!unit) break;
        text += unit;
      }
      for (; at < reply.bytes.size(); ++at) EXPECT_EQ(reply.bytes[at], 0) << "byte " << at;
      replies.push_back({static_cast<DWORD>(reply.code), text});
    }
    return replies;
  }

  // `nsfdump --json` of a database.
  static nlohmann::json Dump(const fs::path& file) {
    const fs::path json = file.string() + ".json";
    const std::string cmd = (testing_support::BuildDir() / "bin" / "nsfdump").string() + " --json '" + file.string() +
                            "' > '" + json.string() + "'";
    const int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd;
    std::ifstream in(json);
    nlohmann::json dump = nlohmann::json::parse(in, nullptr, false);
    fs::remove(json);
    return dump;
  }
  // The names of a database's folders, in creation order.
  static std::vector<std::string> FolderNames(const nlohmann::json& dump) {
    std::vector<std::string> names;
    for (const auto& folder : dump["folders"]) names.push_back(folder["name"]);
    return names;
  }
  // The file names in the output folder, sorted, without the library's
  // working files beside an open database.
  std::vector<std::string> OutFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out_)) {
      const std::string name = entry.path().filename().string();
      if (!name.ends_with("-wal") && !name.ends_with("-shm")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  testing_support::TempMachine machine_;
  fs::path out_;
  controller::Requester requester_;
  std::optional<controller::EngineProcess> engine_;
  HWND window_ = nullptr;
};

}  // namespace fennick_test
