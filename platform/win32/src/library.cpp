#include "win32/library.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "win32/errors.h"
#include "win32/machine.h"
#include "win32/path.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace {

// Libraries handed out, with their load counts and files, so that a stale
// or foreign handle is refused instead of reaching dlclose.
struct Loaded {
  int count = 0;
  fs::path file;
};
struct Registry {
  std::mutex mutex;
  std::map<void*, Loaded> loaded;
};
Registry& Libraries() {
  // Never destroyed: libraries may be freed from other objects' destructors.
  static Registry* registry = new Registry;
  return *registry;
}

// Windows gives a file name without an extension ".dll"; a trailing dot
// stands for "no extension".
std::u16string WithExtension(std::u16string name) {
  if (name.back() == u'.') {
    name.pop_back();
    return name;
  }
  const std::size_t slash = name.find_last_of(u"\\/");
  if (name.find(u'.', slash == std::u16string::npos ? 0 : slash + 1) == std::u16string::npos) name += u".dll";
  return name;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// `name` in `folder`, matched without regard to case as Windows file names are.
fs::path FindInFolder(const fs::path& folder, const fs::path& name) {
  std::error_code ec;
  if (fs::is_regular_file(folder / name, ec)) return folder / name;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (SameIgnoringCase(it->path().filename().string(), name.string()) && it->is_regular_file(ec)) return it->path();
  return {};
}

// The ELF header of this library as mapped, to compare class and machine.
const ElfW(Ehdr) * OwnHeader() {
  static const ElfW(Ehdr)* header = [] {
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&OwnHeader), &info) ? static_cast<const ElfW(Ehdr)*>(info.dli_fbase)
                                                                 : nullptr;
  }();
  return header;
}

// ERROR_SUCCESS when `file` is a shared object this process can load.
DWORD CheckSharedObject(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ERROR_MOD_NOT_FOUND : win32::ErrorFromErrno(errno);
  ElfW(Ehdr) h{};
  const ssize_t got = ::pread(fd, &h, sizeof h, 0);
  ::close(fd);
  if (got != static_cast<ssize_t>(sizeof h) || std::memcmp(h.e_ident, ELFMAG, SELFMAG) != 0) return ERROR_BAD_EXE_FORMAT;
  const ElfW(Ehdr)* self = OwnHeader();
  if (self && (h.e_ident[EI_CLASS] != self->e_ident[EI_CLASS] || h.e_ident[EI_DATA] != self->e_ident[EI_DATA] ||
               h.e_machine != self->e_machine))
    return ERROR_BAD_EXE_FORMAT;
  return h.e_type == ET_DYN ? ERROR_SUCCESS : ERROR_BAD_EXE_FORMAT;
}

DWORD ErrorFromDlerror(const char* message) {
  struct Row {
    const char* fragment;
    DWORD code;
  };
  static constexpr Row kRows[] = {
      {"undefined symbol", ERROR_PROC_NOT_FOUND},
      {"cannot dynamically load", ERROR_BAD_EXE_FORMAT},  // a program, not a library
      {"wrong ELF class", ERROR_BAD_EXE_FORMAT},
      {"invalid ELF header", ERROR_BAD_EXE_FORMAT},
  };
  for (const Row& r : kRows)
    if (message && std::strstr(message, r.fragment)) return r.code;
  return ERROR_MOD_NOT_FOUND;  // most often a library it needs is missing
}

HMODULE Open(const fs::path& file) {
  if (DWORD err = CheckSharedObject(file)) {
    SetLastError(err);
    return nullptr;
  }
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    SetLastError(ErrorFromDlerror(::dlerror()));
    return nullptr;
  }
  Registry& r = Libraries();
  std::lock_guard lock(r.mutex);
  Loaded& entry = r.loaded[handle];
  if (entry.count++ == 0) entry.file = file;
  return static_cast<HMODULE>(handle);
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) {
  if (!lpLibFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const fs::path file = win32::FindLibraryFile(win32::WideView(lpLibFileName));
  if (file.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return Open(file);
}

HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
  if (hFile || (dwFlags & ~LOAD_WITH_ALTERED_SEARCH_PATH)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadLibraryW(lpLibFileName);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  Registry& r = Libraries();
  std::lock_guard lock(r.mutex);
  if (!r.loaded.count(hModule)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Values below 0x10000 are ordinals, which shared objects do not have.
  if (reinterpret_cast<std::uintptr_t>(lpProcName) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  ::dlerror();
  void* symbol = ::dlsym(hModule, lpProcName);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE hLibModule) {
  {
    Registry& r = Libraries();
    std::lock_guard lock(r.mutex);
    const auto it = r.loaded.find(hLibModule);
    if (it == r.loaded.end()) return win32::Fail(ERROR_INVALID_HANDLE);
    if (--it->second.count == 0) r.loaded.erase(it);
  }
  // Outside the lock: the library's destructors may free libraries too.
  ::dlclose(hLibModule);
  return TRUE;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  fs::path file;
  if (!hModule) {
    std::error_code ec;
    file = fs::read_symlink("/proc/self/exe", ec);
  } else {
    Registry& r = Libraries();
    std::lock_guard lock(r.mutex);
    const auto it = r.loaded.find(hModule);
    if (it == r.loaded.end()) return win32::Fail(ERROR_MOD_NOT_FOUND);
    file = it->second.file;
  }
  const std::u16string text = win32::Utf8ToUtf16(file.string());
  if (!lpFilename || nSize == 0) return win32::Fail(ERROR_INSUFFICIENT_BUFFER);
  const DWORD fits = static_cast<DWORD>(std::min<std::size_t>(text.size(), nSize - 1));
  std::copy_n(text.begin(), fits, lpFilename);
  lpFilename[fits] = u'\0';
  if (fits < text.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  return fits;
}

namespace win32 {

fs::path FindLibraryFile(std::u16string_view name) {
  if (name.empty()) return {};
  const std::u16string full = WithExtension(std::u16string(name));
  std::error_code ec;
  if (full.find_first_of(u"\\/") != std::u16string::npos) {
    const fs::path file = MapPath(full);
    return fs::exists(file, ec) && !fs::is_directory(file, ec) ? fs::absolute(file, ec) : fs::path();
  }
  const fs::path folders[] = {fs::current_path(ec), SystemFolder()};
  for (const fs::path& folder : folders) {
    if (folder.empty()) continue;
    if (fs::path found = FindInFolder(folder, MapPath(full)); !found.empty()) return fs::absolute(found, ec);
  }
  return {};
}

}  // namespace win32
