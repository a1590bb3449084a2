// Text (code page 936) to and from the UTF-16 strings the W functions of Win32 take.
#pragma once

#include <string>
#include <string_view>

#include "http/code_page.h"
#include "http/text.h"

namespace quarvel {

// On Windows wchar_t is one UTF-16 unit.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring WideOf(const Text& text) {
  const std::u16string units = AnsiToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

inline Text TextOfWide(std::wstring_view wide) {
  return Utf16ToAnsi(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

}  // namespace quarvel
