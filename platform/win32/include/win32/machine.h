// The simulated machine: one folder that holds what a Windows machine would
// (registry, system folder, profiles, Exchange servers, Notes data, desktop).
#pragma once

#include <filesystem>
#include <string>

namespace win32 {

// $BRACKENFORD_MACHINE, else ~/.local/share/brackenford/machine.
std::filesystem::path MachineRoot();
// Points this process (and the processes it starts) at `root`.
void SetMachineRoot(const std::filesystem::path& root);

// Folders and files of the machine root.
std::filesystem::path RegistryFile();   // registry.reg
std::filesystem::path SystemFolder();   // system/
std::filesystem::path ProfilesFolder(); // profiles/
std::filesystem::path ExchangeFolder(); // exchange/
std::filesystem::path NotesFolder();    // notes/
std::filesystem::path DesktopFolder();  // desktop/ (mode 0700)
std::filesystem::path TempFolder();     // temp/ (mode 0700): the temporary folder without $TMPDIR

// Makes `folder` a private folder of this process's user: created with mode
// 0700 when missing (its parent must exist), made 0700 when it is open to
// others. 0 on success; otherwise an errno value, with the reason in
// `problem`: EACCES when it is no folder (a link is not followed) or belongs
// to another user.
int MakePrivateFolder(const std::filesystem::path& folder, std::string* problem = nullptr);

// Creates the folders and an empty registry where they are missing; keeps
// what is already there, but makes desktop/ and temp/ private. Throws std::filesystem::filesystem_error on failure.
void InitMachineRoot(const std::filesystem::path& root);

}  // namespace win32
