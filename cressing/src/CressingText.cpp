#include "CressingText.h"

#include "win32/codepage.h"

std::u16string AnsiToWide(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::u16string wide(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, wide.data(), units);
  return wide;
}
