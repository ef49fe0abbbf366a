// Text conversions and bounded copies at the edges of Cressing's records.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "mapi/mapidefs.h"
#include "win32/text.h"
#include "win32/types.h"

// The text of a PT_UNICODE or PT_STRING8 property value (8-bit text in the
// ANSI code page, widened); empty when the value has none.
std::u16string WideValue(const SPropValue& value);
std::u16string AnsiValue(const SPropValue& value);

// A text field of N units: the text cut so that the terminator fits.
template <std::size_t N>
void CopyToField(WCHAR (&field)[N], std::u16string_view text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::copy_n(text.data(), n, field);
  std::fill(field + n, field + N, u'\0');
}

// The text of an incoming field of N units, at most N-1 of them.
template <std::size_t N>
std::u16string FieldText(const WCHAR (&field)[N]) {
  return std::u16string(win32::WideField(field, N - 1));
}
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(win32::NarrowField(field, N - 1));
}
