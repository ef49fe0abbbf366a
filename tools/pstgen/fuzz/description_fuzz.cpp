// libFuzzer target: pstgen's JSON descriptions. Any text is either refused
// with a description error or read; a description that reads is written as
// a PST file, which either fails with a stated reason (a limit of the
// format, a text the ANSI code page lacks, a contact reference to no
// earlier message) or opens in libpff with every message of the
// description in its folders, and logs on and walks through MAPI as the
// PST fuzz target's files do (platform/mapi/fuzz/pst_walk.h).
#include <libpff.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "pst_walk.h"
#include "pstgen/json_description.h"
#include "pstgen/values.h"
#include "pstgen/writer.h"
#include "testing/fuzz.h"

namespace {

// Descriptions whose file would take long to write are read only.
constexpr std::size_t kMaxMessagesWritten = 64;

std::size_t Messages(const std::vector<pstgen::Folder>& folders) {
  std::size_t n = 0;
  for (const auto& f : folders) n += f.messages.size() + Messages(f.folders);
  return n;
}

// The messages in a folder and every folder below it, as libpff reads them.
int MessagesInFile(libpff_item_t* folder, int depth) {
  FUZZ_CHECK(depth < 300);
  int messages = 0, folders = 0;
  FUZZ_CHECK(libpff_folder_get_number_of_sub_messages(folder, &messages, nullptr) == 1);
  FUZZ_CHECK(libpff_folder_get_number_of_sub_folders(folder, &folders, nullptr) == 1);
  for (int i = 0; i < folders; ++i) {
    libpff_item_t* sub = nullptr;
    FUZZ_CHECK(libpff_folder_get_sub_folder(folder, i, &sub, nullptr) == 1);
    messages += MessagesInFile(sub, depth + 1);
    libpff_item_free(&sub, nullptr);
  }
  return messages;
}

std::size_t MessagesInFile(const std::filesystem::path& path) {
  libpff_file_t* file = nullptr;
  FUZZ_CHECK(libpff_file_initialize(&file, nullptr) == 1);
  FUZZ_CHECK(libpff_file_open(file, path.c_str(), LIBPFF_OPEN_READ, nullptr) == 1);
  libpff_item_t* root = nullptr;
  FUZZ_CHECK(libpff_file_get_root_folder(file, &root, nullptr) == 1);
  const int n = MessagesInFile(root, 0);
  libpff_item_free(&root, nullptr);
  libpff_file_close(file, nullptr);
  libpff_file_free(&file, nullptr);
  return static_cast<std::size_t>(n);
}

[[noreturn]] void Unexpected(const char* where, const std::exception& e) {
  const std::string text = std::string(where) + " threw " + typeid(e).name() + ": " + e.what();
  testing_support::FuzzFailure(text.c_str());
}

std::filesystem::path g_out;  // the PST file each description is written to

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_out = testing_support::FuzzMachine().scratch() / "description.pst";
  mapi_fuzz::SetUpPstWalk(g_out);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const nlohmann::json description = nlohmann::json::parse(data, data + size, nullptr, false);
  if (description.is_discarded()) return 0;
  pstgen::Store store;
  try {
    store = pstgen::ParseDescription(description);
  } catch (const pstgen::DescriptionError&) {
    return 0;
  } catch (const std::exception& e) {
    Unexpected("ParseDescription", e);
  }
  const std::size_t messages = Messages(store.folders);
  if (messages > kMaxMessagesWritten) return 0;
  try {
    pstgen::WritePst(store, g_out);
  } catch (const pstgen::DescriptionError&) {
    return 0;
  } catch (const std::invalid_argument&) {  // a contact reference to no earlier message
    return 0;
  } catch (const std::logic_error& e) {
    Unexpected("WritePst", e);
  } catch (const std::runtime_error&) {  // a limit of the format
    return 0;
  } catch (const std::exception& e) {
    Unexpected("WritePst", e);
  }
  FUZZ_CHECK(MessagesInFile(g_out) == messages);
  FUZZ_CHECK(mapi_fuzz::WalkPst());
  return 0;
}
