#include "fake_mapi.h"

#include "testing/temp_machine.h"
#include "win32/machine.h"
#include "win32/registry.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace fake_mapi {

fs::path Library(const std::string& name) { return testing_support::BuildDir() / "lib" / "fake-mapi" / (name + ".so"); }

fs::path InstallAt(const std::string& name, const fs::path& folder) {
  const fs::path target = folder / (name + ".so");
  fs::copy_file(Library(name), target, fs::copy_options::overwrite_existing);
  return target;
}

fs::path InstallSystem(const std::string& name, const std::string& as) {
  const fs::path target = win32::SystemFolder() / as;
  fs::copy_file(Library(name), target, fs::copy_options::overwrite_existing);
  return target;
}

void SetMailClient(const std::string& component, const std::string& appLCID, const std::string& officeLCID) {
  win32::RegSetString(HKEY_LOCAL_MACHINE, u"Software\\Clients\\Mail", u"", u"Test Mail");
  const std::u16string key = u"Software\\Clients\\Mail\\Test Mail";
  const auto set = [&](const char16_t* name, const std::string& value) {
    if (!value.empty()) win32::RegSetString(HKEY_LOCAL_MACHINE, key, name, win32::Utf8ToUtf16(value));
  };
  set(u"MSIComponentID", component);
  set(u"MSIApplicationLCID", appLCID);
  set(u"MSIOfficeLCID", officeLCID);
}

HMODULE Open(const fs::path& file) { return LoadLibraryW(win32::Utf8ToUtf16(file.string()).c_str()); }

std::string ComponentCalls(HMODULE m) { return Control<const char* (*)()>(m, "FakeMapi_ComponentCalls")(); }

void SetComponentPath(HMODULE m, const char* qualifier, const fs::path& path) {
  Control<void (*)(const char*, const char*)>(m, "FakeMapi_SetComponentPath")(qualifier, path.c_str());
}

}  // namespace fake_mapi
