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
  return RegSetString(HKEY_LOCAL_MACHINE, kNlsCodePageKey, kAnsiCodePageValue,
                      Utf8ToUtf16(std::to_string(codePage)));
}

}  // namespace win32

UINT GetACP() {
  // Conversions ask for it often: keep the answer for the machine and
  // variable it came from.
  static std::mutex mutex;
  static std::string source;
  static UINT known = 0;
  const char* variable = std::getenv(win32::kCodePageVariable);
  std::string now = win32::MachineRoot().string() + '\n' + (variable ? variable : "");
  std::lock_guard lock(mutex);
  if (known == 0 || now != source) {
    known = win32::ReadAnsiCodePage(variable);
    source = std::move(now);
  }
  return known;
}
