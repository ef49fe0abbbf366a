// The simulated machine: one folder that holds what a Windows machine would
// (registry, system folder, profiles, Exchange servers, Notes data, desktop).
#pragma once

#include <filesystem>

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

// Creates the folders and an empty registry where they are missing; keeps
// what is already there. Throws std::filesystem::filesystem_error on failure.
void InitMachineRoot(const std::filesystem::path& root);

}  // namespace win32
