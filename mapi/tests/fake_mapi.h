// Helpers for the binding tests: the small MAPI libraries of tests/libs and
// the mail client keys of a test registry.
#pragma once
#include <filesystem>
#include <string>

#include "win32/library.h"

namespace fake_mapi {

// Built test library by name ("fake_mapi32", "fake_msmapi", ...).
std::filesystem::path Library(const std::string& name);
// Copies a test library into the machine's system folder under `as`.
std::filesystem::path InstallSystem(const std::string& name, const std::string& as = "mapi32.dll");
// Copies a test library to `folder` and returns its path.
std::filesystem::path InstallAt(const std::string& name, const std::filesystem::path& folder);

// The default mail client "Test Mail" with the given MSI values; an empty
// text leaves the value out.
void SetMailClient(const std::string& component, const std::string& appLCID = "", const std::string& officeLCID = "");

// The same loaded library as the code under test sees (dlopen shares it).
HMODULE Open(const std::filesystem::path& file);
template <class Fn>
Fn Control(HMODULE m, const char* name) {
  return win32::GetProc<Fn>(m, name);
}
std::string ComponentCalls(HMODULE m);
void SetComponentPath(HMODULE m, const char* qualifier, const std::filesystem::path& path);

}  // namespace fake_mapi
