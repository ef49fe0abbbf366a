// The machine's ANSI code page, and the calls that set it up.
#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>

#include "win32/codepage.h"
#include "win32/machine.h"
#include "win32/registry.h"
#include "win32/text.h"
#include "iconv_pages.h"

namespace win32 {
namespace {

std::optional<UINT> Number(std::string_view text) {
  if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return static_cast<UINT>(std::stoul(std::string(text)));
}

// Conversions ask for the code page often: it is kept for the machine and
// variable it came from, until this process sets the machine's anew.
struct Known {
  std::mutex mutex;
  std::string source;
  UINT codePage = 0;
};
Known& Cache() {
  static Known known;
  return known;
}

UINT ReadAnsiCodePage(const char* variable) {
  if (variable)
    if (auto cp = ParseCodePage(variable)) return *cp;
  if (auto text = RegGetString(HKEY_LOCAL_MACHINE, kNlsCodePageKey, kAnsiCodePageValue))
    if (auto cp = ParseCodePage(Utf16ToUtf8(*text))) return *cp;
  return CP_WINDOWS_1252;
}

}  // namespace

std::optional<UINT> ParseCodePage(std::string_view text) {
  auto cp = Number(text);
  if (!cp || !IsValidCodePage(*cp)) return std::nullopt;
  return cp;
}

std::vector<UINT> ConvertibleCodePages() {
  std::vector<UINT> out = iconv_pages::Available();
  out.push_back(CP_WINDOWS_1252);
  out.push_back(CP_UTF8);
  std::sort(out.begin(), out.end());
  return out;
}

LONG SetMachineCodePage(UINT codePage) {
  if (!IsValidCodePage(codePage)) return ERROR_INVALID_PARAMETER;
  const LONG status = RegSetString(HKEY_LOCAL_MACHINE, kNlsCodePageKey, kAnsiCodePageValue,
                                   Utf8ToUtf16(std::to_string(codePage)));
  Known& known = Cache();
  std::lock_guard lock(known.mutex);
  known.codePage = 0;
  return status;
}

}  // namespace win32

UINT GetACP() {
  const char* variable = std::getenv(win32::kCodePageVariable);
  std::string now = win32::MachineRoot().string() + '\n' + (variable ? variable : "");
  win32::Known& known = win32::Cache();
  std::lock_guard lock(known.mutex);
  if (known.codePage == 0 || now != known.source) {
    known.codePage = win32::ReadAnsiCodePage(variable);
    known.source = std::move(now);
  }
  return known.codePage;
}
