// libFuzzer target: "AttachmentList.txt" as Fennick reads it and attaches
// the files it names to a document. The input is the list's bytes; a work
// folder, the current folder while the list is read, holds a few stored
// files (some in a subfolder) that entries may name by relative paths. The
// files are attached to an open document of a real database. Whatever the
// list says, no file is left behind under another name or overwritten:
// afterwards the work folder holds only files it held before, each with its
// own content. The file-system fence keeps every change inside the work
// and database folders, whatever folder an entry names.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "NotesEngine.h"
#include "notes/templates.h"
#include "testing/fuzz.h"
#include "testing/fuzz_fence.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;

// A new database after this many inputs, so that it stays small.
constexpr int kInputsPerDatabase = 2000;
// The stored files of the work folder, as Cressing names them.
constexpr const char* kStoredFiles[] = {"{G1}", "{G2}", "a.txt", "sub/{G3}", "sub/b"};

fs::path g_work;
fs::path g_databases;
std::unique_ptr<CNotesEngine> g_engine;
int g_inputs = 0;

std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

void NewDatabase() {
  g_engine = std::make_unique<CNotesEngine>();
  testing_support::EmptyFolder(g_databases);
  FUZZ_CHECK(g_engine->CreateNsf(U16(g_databases), u"Box") == TRUE);
}

void FillWork() {
  testing_support::EmptyFolder(g_work);
  fs::create_directories(g_work / "sub");
  for (const char* name : kStoredFiles) std::ofstream(g_work / name) << "content of " << name;
}

// Every file under the folder with its content ("/" for a folder).
std::map<fs::path, std::string> FilesOf(const fs::path& folder) {
  std::map<fs::path, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string& content = files[entry.path()];
    if (entry.is_directory()) {
      content = "/";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  const auto& machine = testing_support::FuzzMachine();
  std::string error;
  if (!notes::InstallMailTemplates(&error)) testing_support::FuzzFailure(error.c_str());
  g_work = machine.scratch() / "work";
  g_databases = machine.scratch() / "databases";
  fs::create_directories(g_work);
  fs::create_directories(g_databases);
  testing_support::fence::SetUp(*argc, *argv, {g_work, g_databases});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (g_inputs++ % kInputsPerDatabase == 0) NewDatabase();
  FillWork();
  const fs::path list = g_work / "AttachmentList.txt";
  {
    std::ofstream out(list, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const std::map<fs::path, std::string> before = FilesOf(g_work);
  const fs::path previous = fs::current_path();
  fs::current_path(g_work);
  {
    testing_support::fence::Raised fence;
    LNDocument document;
    FUZZ_CHECK(g_engine->Database().CreateDocument(&document) == LNNOERROR);
    FUZZ_CHECK(document.Open(0) == LNNOERROR);
    try {
      g_engine->AttachFiles(document, u"AttachmentList.txt");
    } catch (LNSTATUS) {
      // a status the library raised: the request fails, as in the engine
    }
    document.Close();
  }
  fs::current_path(previous);
  for (const auto& [file, content] : FilesOf(g_work)) {
    const auto it = before.find(file);
    FUZZ_CHECK(it != before.end());
    FUZZ_CHECK(it->second == content);
  }
  return 0;
}
