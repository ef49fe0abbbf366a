// The real tallowby program in a temporary machine root that `brackenford
// machine init` set up, driven through the requester as the controlling
// program drives it; the real cressing logs on to what it made.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cressing/CressingRecords.h"
#include "controller/Requester.h"
#include "mapi/profiles.h"
#include "tallowby/TallowbyRecords.h"
#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace tallowby_test {

namespace fs = std::filesystem;
inline constexpr auto kLimit = std::chrono::seconds(20);

// One message box of the unattended desktop.
struct MessageBox {
  std::string caption;
  std::string text;
  std::string style;
  bool operator==(const MessageBox&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const MessageBox& box) {
  return out << "{" << box.caption << " | " << box.text << " | " << box.style << "}";
}

class TallowbyEngine : public ::testing::Test {
 protected:
  TallowbyEngine() : temp_(machine_.scratch() / "temp") {
    fs::create_directories(temp_);
    if (const char* old = std::getenv("TMPDIR")) previousTmp_ = old;
    setenv("TMPDIR", temp_.c_str(), 1);
    EXPECT_EQ(testing_support::InitMachine(), 0);
  }
  ~TallowbyEngine() override {
    if (cressing_ && cressingWindow_) cressing_->Close(cressingWindow_, kLimit);
    if (engine_ && window_) engine_->Close(window_, kLimit);
    if (previousTmp_)
      setenv("TMPDIR", previousTmp_->c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

  void Start() {
    std::string error;
    window_ = controller::StartEngine(testing_support::BuildDir() / "bin" / "tallowby", u"<GUID>tallowby-test", kLimit,
                                      &engine_, &error);
    ASSERT_NE(window_, nullptr) << error;
  }
  // Closes the engine as the controlling program does; its exit status.
  std::optional<int> Close() {
    const auto status = engine_->Close(window_, kLimit);
    window_ = nullptr;
    return status;
  }

  fs::path MakePst(const std::string& name, const std::string& description) {
    return testing_support::MakePst(machine_.scratch(), name, description);
  }
  fs::path MakeFile(const std::string& name, const std::string& bytes) {
    const fs::path file = machine_.scratch() / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

  // An input file as the controlling program writes it: UTF-16LE, no BOM.
  void WriteInput(const char16_t* name, const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    std::ofstream(temp_ / win32::Utf16ToUtf8(name), std::ios::binary) << bytes;
  }
  // The lines each ended with LF.
  static std::u16string Lines(const std::vector<std::u16string>& lines) {
    std::u16string text;
    for (const auto& line : lines) text += line + u"\n";
    return text;
  }
  void WritePstList(const std::vector<std::u16string>& paths) { WriteInput(kPstPathListFile, Lines(paths)); }
  static std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

  LRESULT CreatePstProfile() {
    const CREATE_PST_PROFILE_INFO info{win32::HandleValue(requester_.Window())};
    return Copy(CD_CREATE_PST_PROFILE, &info, sizeof info);
  }
  LRESULT Copy(ULONG_PTR code, const void* data, DWORD size) {
    const controller::SendResult result = requester_.SendCopyData(window_, code, data, size);
    EXPECT_TRUE(result.delivered);
    return result.value;
  }
  LRESULT Message(UINT message, LPARAM lParam = 0) {
    const controller::SendResult result = requester_.Send(window_, message, lParam);
    EXPECT_TRUE(result.delivered);
    return result.value;
  }

  // The names of the CD_PROFILE_NAME replies received since the last call,
  // each checked for its size, its address and its zero padding.
  std::vector<std::u16string> TakeProfileNames() {
    std::vector<std::u16string> names;
    for (const controller::CopyDataReply& reply : requester_.TakeReplies()) {
      EXPECT_EQ(reply.code, CD_PROFILE_NAME);
      EXPECT_EQ(reply.sender, requester_.Window()) << "wParam is the reply window itself";
      EXPECT_EQ(reply.bytes.size(), sizeof(ProfileNameReply));
      std::u16string name;
      std::size_t at = 0;
      for (; at + 1 < reply.bytes.size(); at += 2) {
        const char16_t unit = static_cast<char16_t>(reply.bytes[at] | reply.bytes[at + 1] << 8);
        if (!unit) break;
        name += unit;
      }
      for (; at < reply.bytes.size(); ++at) EXPECT_EQ(reply.bytes[at], 0) << "byte " << at;
      names.push_back(name);
    }
    return names;
  }

  // The message boxes shown so far, in order.
  static std::vector<MessageBox> MessageBoxes() {
    std::ifstream in(win32::DesktopFolder() / "messageboxes.log", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string log = s.str();
    std::vector<MessageBox> boxes;
    for (std::size_t at = 0; (at = log.find("caption: ", at)) != std::string::npos;) {
      const std::size_t text = log.find("\ntext: ", at);
      const std::size_t style = log.find("\nstyle: ", text);
      const std::size_t end = log.find('\n', style + 1);
      boxes.push_back({log.substr(at + 9, text - at - 9), log.substr(text + 7, style - text - 7),
                       log.substr(style + 8, end - style - 8)});
      at = end;
    }
    return boxes;
  }

  // Removes a server's registration: its ProgID, or its class's library.
  static void UnregisterProgId(const char16_t* progId) {
    ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, progId), ERROR_SUCCESS);
  }
  static void UnregisterLibrary(const char16_t* progId) {
    const auto clsid = win32::RegGetString(HKEY_CLASSES_ROOT, std::u16string(progId) + u"\\CLSID", u"");
    ASSERT_TRUE(clsid);
    ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, (u"CLSID\\" + *clsid + u"\\InprocServer32").c_str()), ERROR_SUCCESS);
  }

  // Cressing, started beside Tallowby, and its requests.
  void StartCressing() {
    std::string error;
    cressingWindow_ = controller::StartEngine(testing_support::BuildDir() / "bin" / "cressing", u"<GUID>cressing-test",
                                              kLimit, &cressing_, &error);
    ASSERT_NE(cressingWindow_, nullptr) << error;
  }
  LRESULT CressingLogon(std::int32_t caseMapi, const std::u16string& profile, const char* user = "") {
    LOGON_INFO info{};
    info.hwnd = win32::HandleValue(cressingRequester_.Window());
    info.case_Mapi = caseMapi;
    const std::string narrow = win32::Utf16ToUtf8(profile);
    std::strncpy(info.profile, narrow.c_str(), sizeof info.profile - 1);
    std::strncpy(info.user, user, sizeof info.user - 1);
    return cressingRequester_.SendRecord(cressingWindow_, CD_LOGON, info).value;
  }
  // WM_LIST_STORES, and the lines of "DisplayName.txt" it wrote.
  std::vector<std::u16string> CressingStores() {
    EXPECT_EQ(cressingRequester_.Send(cressingWindow_, WM_LIST_STORES).value, 0);
    std::ifstream in(temp_ / "DisplayName.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string bytes = s.str();
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      text +=
          static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    std::vector<std::u16string> lines;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find(u"\r\n", at);
      lines.push_back(text.substr(at, end - at));
      at = end == std::u16string::npos ? text.size() : end + 2;
    }
    return lines;
  }

  testing_support::TempMachine machine_;
  fs::path temp_;
  std::optional<std::string> previousTmp_;
  controller::Requester requester_;
  std::optional<controller::EngineProcess> engine_;
  HWND window_ = nullptr;
  controller::Requester cressingRequester_;
  std::optional<controller::EngineProcess> cressing_;
  HWND cressingWindow_ = nullptr;
};

// A profile's PST services as (path, display name) pairs.
inline std::vector<std::pair<std::u16string, std::u16string>> PstServices(const mapi::profiles::Profile& profile) {
  std::vector<std::pair<std::u16string, std::u16string>> services;
  for (const auto& s : profile.services) {
    EXPECT_EQ(s.kind, mapi::profiles::ServiceKind::kPst);
    services.emplace_back(s.path, s.displayName);
  }
  return services;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
inline bool IsBracedGuid(const std::u16string& text) {
  if (text.size() != 38 || text.front() != u'{' || text.back() != u'}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const char16_t c = text[i];
    const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
    if (hyphen ? c != u'-' : !((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
  }
  return true;
}

}  // namespace tallowby_test
