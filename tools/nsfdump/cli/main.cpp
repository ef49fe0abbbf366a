// nsfdump: prints a Notes database's folders, documents, items and attachments.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "notes/lnerror.h"
#include "nsfdump/dump.h"
#include "win32/machine.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: nsfdump [--json] [--machine DIR] FILE\n"
    "\n"
    "Prints a Notes database (.nsf) or template (.ntf): its title, its folders with\n"
    "their documents, its views, and every document with its items in order (type,\n"
    "flags, values) and its attachments (name, size, SHA-256).\n"
    "\n"
    "  --json         print JSON for scripts instead of text\n"
    "  --machine DIR  the machine root (else $BRACKENFORD_MACHINE, else\n"
    "                 ~/.local/share/brackenford/machine)\n"
    "  -h, --help     show this help\n"
    "\n"
    "A FILE that does not exist as given and names no folder is looked up in the\n"
    "machine's Notes data folder (notes/).\n";

int Usage(const std::string& message) {
  std::cerr << "nsfdump: " << message << "\n" << kUsage;
  return 2;
}

fs::path Locate(const std::string& name) {
  std::error_code ec;
  if (fs::exists(name, ec) || name.find('/') != std::string::npos) return name;
  const fs::path inData = win32::NotesFolder() / name;
  return fs::exists(inData, ec) ? inData : fs::path(name);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  nsfdump::Format format = nsfdump::Format::kText;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--json") {
      format = nsfdump::Format::kJson;
    } else if (a == "--machine") {
      if (i + 1 >= args.size()) return Usage("--machine needs a folder");
      win32::SetMachineRoot(args[++i]);
    } else if (a.rfind("--machine=", 0) == 0) {
      win32::SetMachineRoot(a.substr(10));
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 1) return Usage("give one FILE");

  const fs::path file = Locate(files[0]);
  notes::NsfReader reader;
  std::string error;
  if (LNSTATUS s = reader.Open(file)) {
    char text[512];
    LNGetErrorMessageText(s, text, sizeof text);
    error = text;
  } else if (nsfdump::Dump(reader, format, std::cout, &error)) {
    std::cout.flush();
    return std::cout ? 0 : 1;
  }
  std::cerr << "nsfdump: " << file.string() << ": " << error << "\n";
  return 1;
}
