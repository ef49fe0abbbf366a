// Installation of the MAPI libraries into the machine root.
#include "mapi/install.h"

#include <dlfcn.h>

#include <filesystem>

#include "win32/machine.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace mapi {
namespace {

namespace fs = std::filesystem;

// The file of this library (the installed MAPI library).
fs::path ThisLibrary() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&InstallMapi), &info) || !info.dli_fname) return {};
  std::error_code ec;
  return fs::canonical(info.dli_fname, ec);
}

struct Value {
  const char16_t* key;
  const char16_t* name;
  std::u16string value;
};

}  // namespace

bool InstallMapi(std::string* error) {
  const fs::path installed = ThisLibrary();
  const fs::path system32 = installed.parent_path() / "mapi32.dll";
  std::error_code ec;
  if (installed.empty() || !fs::exists(system32, ec)) {
    if (error) *error = "the MAPI libraries are not beside " + installed.string();
    return false;
  }
  const fs::path link = win32::SystemFolder() / "mapi32.dll";
  fs::create_directories(link.parent_path(), ec);
  fs::remove(link, ec);
  fs::create_symlink(system32, link, ec);
  if (ec) {
    if (error) *error = "cannot link " + link.string() + ": " + ec.message();
    return false;
  }
  const std::u16string client = std::u16string(kMailClientsKey) + u"\\" + kMailClientName;
  const std::u16string component = std::u16string(kComponentsKey) + u"\\" + kMapiComponentId;
  const Value values[] = {
      {kMailClientsKey, u"", kMailClientName},
      {client.c_str(), u"MSIComponentID", kMapiComponentId},
      {client.c_str(), u"MSIApplicationLCID", u"Software\\Brackenford\\Mail\\Setup LastUILanguage"},
      {client.c_str(), u"MSIOfficeLCID", u"Software\\Brackenford\\Common\\LanguageResources UILanguage"},
      {component.c_str(), u"", win32::Utf8ToUtf16(installed.string())},
  };
  for (const auto& v : values) {
    if (win32::RegSetString(HKEY_LOCAL_MACHINE, v.key, v.name, v.value) != ERROR_SUCCESS) {
      if (error) *error = "cannot write the registry key " + win32::Utf16ToUtf8(v.key);
      return false;
    }
  }
  return true;
}

}  // namespace mapi
