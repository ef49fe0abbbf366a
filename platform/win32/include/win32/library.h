// Dynamic libraries under Windows names: LoadLibraryW opens an ELF shared
// object through dlopen; an HMODULE is the dlopen handle.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>
#include <type_traits>

#include "win32/types.h"

// Exports are fetched as this type and cast to their real type. Windows
// declares an INT_PTR result; a void one lets the cast stay free of
// -Wcast-function-type warnings, and nobody calls a FARPROC as it is.
using FARPROC = void (*)();

constexpr DWORD LOAD_WITH_ALTERED_SEARCH_PATH = 0x00000008;

// A name with a folder is the mapped path (win32::MapPath); a bare name such
// as "mapi32.dll" is looked for in the current folder and then in the
// machine's system folder, ignoring case. A name without an extension gets
// ".dll". Null on failure: ERROR_MOD_NOT_FOUND (missing file or dependency),
// ERROR_BAD_EXE_FORMAT (not a shared object of this machine),
// ERROR_PROC_NOT_FOUND (a symbol it needs is missing).
HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
// hFile must be null; dwFlags 0 or LOAD_WITH_ALTERED_SEARCH_PATH (the loader
// finds a library's dependencies on its own), else ERROR_INVALID_PARAMETER.
HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
// The export by name, as dlsym sees it (the library and what it links);
// ordinals are not supported. Null with ERROR_PROC_NOT_FOUND when missing,
// ERROR_INVALID_HANDLE for a handle LoadLibraryW did not give.
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// Drops one load; FALSE with ERROR_INVALID_HANDLE for a handle that is not
// loaded (also after its last FreeLibrary).
BOOL FreeLibrary(HMODULE hLibModule);
// The absolute file of a loaded library (the program's for null). Truncates
// to nSize - 1 units with ERROR_INSUFFICIENT_BUFFER and returns nSize when
// it does not fit.
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

namespace win32 {

// The file LoadLibraryW would open for `name`; empty when there is none.
std::filesystem::path FindLibraryFile(std::u16string_view name);

// An export cast to its function type: auto add = win32::GetProc<int (*)(int, int)>(m, "Add").
template <class Fn>
Fn GetProc(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

struct LibraryDeleter {
  void operator()(HMODULE m) const noexcept { FreeLibrary(m); }
};
// Owner of one LoadLibraryW.
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

}  // namespace win32
