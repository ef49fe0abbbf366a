#include "CressingText.h"

#include "win32/codepage.h"

std::u16string WideValue(const SPropValue& value) {
  return value.Value.lpszW ? std::u16string(value.Value.lpszW) : std::u16string();
}

std::u16string AnsiValue(const SPropValue& value) {
  return value.Value.lpszA ? win32::AnsiToUtf16(value.Value.lpszA) : std::u16string();
}
