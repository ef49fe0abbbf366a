// The real cressing program in a temporary machine root, driven through the
// requester as the controlling program drives it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "controller/Requester.h"
#include "cressing_test_support.h"
#include "mapi/profiles.h"
#include "win32/errors.h"
#include "win32/machine.h"

namespace cressing_test {

using namespace std::chrono_literals;
inline constexpr auto kLimit = std::chrono::seconds(20);

class CressingEngine : public ::testing::Test {
 protected:
  CressingEngine() : temp_(machine_.scratch()) {}
  ~CressingEngine() override {
    if (engine_ && window_) engine_->Close(window_, kLimit);
  }

  // Starts the engine once the test has set up the machine.
  void Start() {
    std::string error;
    window_ = controller::StartEngine(testing_support::BuildDir() / "bin" / "cressing", u"<GUID>cressing-test", kLimit,
                                      &engine_, &error);
    ASSERT_NE(window_, nullptr) << error;
  }

  // The machine's MAPI: the installed library as the system "mapi32.dll",
  // which the engine finds when the registry names no other.
  void InstallMapi() {
    namespace fs = std::filesystem;
    fs::copy_file(testing_support::BuildDir() / "lib" / "libbrackenford_mapi.so", win32::SystemFolder() / "mapi32.dll",
                  fs::copy_options::overwrite_existing);
  }
  // A PST file made by pstgen from a JSON description.
  std::filesystem::path MakePst(const std::string& name, const std::string& description) {
    return testing_support::MakePst(machine_.scratch(), name, description);
  }
  // A profile of PST services, each a file and its store name.
  struct PstFile {
    std::filesystem::path path;
    std::u16string storeName;
  };
  void AddPstProfile(const std::u16string& name, const std::vector<PstFile>& psts, bool isDefault = false) {
    mapi::profiles::Profile profile;
    profile.name = name;
    for (const auto& pst : psts)
      profile.services.push_back(mapi::profiles::PstService(pst.path.u16string(), pst.storeName));
    ASSERT_EQ(mapi::profiles::Create(profile), S_OK);
    if (isDefault) {
      ASSERT_EQ(mapi::profiles::SetDefault(name), S_OK);
    }
  }
  std::vector<unsigned char> ListFileBytes(const char* name) { return ReadBytes(temp_.File(name)); }
  // The lines of a list file (UTF-16LE, CR LF).
  std::vector<std::u16string> ListFileLines(const char* name) { return CrLfLines(WideText(ListFileBytes(name))); }

  template <class Record>
  LRESULT Request(ULONG_PTR code, const Record& record) {
    const controller::SendResult result = requester_.SendRecord(window_, code, record);
    EXPECT_TRUE(result.delivered);
    return result.value;
  }
  LRESULT Message(UINT message, LPARAM lParam = 0) {
    const controller::SendResult result = requester_.Send(window_, message, lParam);
    EXPECT_TRUE(result.delivered);
    return result.value;
  }

  // CD_LOGON with the requester as its window.
  LRESULT Logon(std::int32_t caseMapi, const char* profile = "", const char* user = "") {
    LOGON_INFO info{};
    info.hwnd = win32::HandleValue(requester_.Window());
    info.case_Mapi = caseMapi;
    std::strncpy(info.profile, profile, sizeof info.profile - 1);
    std::strncpy(info.user, user, sizeof info.user - 1);
    return Request(CD_LOGON, info);
  }
  LRESULT LogonProfile(const std::u16string& profile) {
    auto info = std::make_unique<PROFILE_LOGON_INFO>();
    std::memset(info.get(), 0, sizeof *info);
    std::copy(profile.begin(), profile.end(), info->profile);
    return Request(CD_LOGON_PROFILE, *info);
  }
  LRESULT MailboxRequest(DWORD code, const std::u16string& server, std::int32_t index) {
    auto info = std::make_unique<MAILBOX_FOLDER_INFO>();
    std::memset(info.get(), 0, sizeof *info);
    std::copy(server.begin(), server.end(), info->server);
    info->entryIndex = index;
    return Request(code, *info);
  }
  LRESULT ListMailboxes(const std::u16string& server) {
    const std::u16string text = server + u'\0';
    const controller::SendResult result =
        requester_.SendCopyData(window_, CD_LIST_MAILBOXES, text.data(), static_cast<DWORD>(text.size() * 2));
    EXPECT_TRUE(result.delivered);
    return result.value;
  }

  // The CD_ERROR_TEXT records received since the last call.
  std::vector<ErrorText> TakeErrorTexts() {
    std::vector<ErrorText> texts;
    for (const controller::CopyDataReply& reply : requester_.TakeReplies()) {
      EXPECT_EQ(reply.code, CD_ERROR_TEXT);
      EXPECT_EQ(reply.bytes.size(), sizeof(ERROR_TEXT_INFO));
      texts.push_back(ReadErrorText(reply.bytes));
    }
    return texts;
  }
  std::vector<std::u16string> TakeMessages() {
    std::vector<std::u16string> messages;
    for (const ErrorText& text : TakeErrorTexts()) messages.push_back(text.message);
    return messages;
  }

  testing_support::TempMachine machine_;
  TempFolder temp_;
  controller::Requester requester_;
  std::optional<controller::EngineProcess> engine_;
  HWND window_ = nullptr;
};

}  // namespace cressing_test
