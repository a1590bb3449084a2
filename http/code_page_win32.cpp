// Code page 936 conversion on the Windows code page functions. The code page is always 936,
// never the system's ANSI code page.
#include <windows.h>

#include <cstring>

#include "http/code_page.h"

namespace quarvel {
namespace {

constexpr UINT kCodePage936 = 936;

// The UTF-16 units of text up to its first NUL, including the terminating zero unit.
std::u16string UnitsWithTerminator(const Text& text) {
  // -1 makes the functions read the text as NUL-terminated; a Text's data() always is.
  const int count = MultiByteToWideChar(kCodePage936, 0, text.c_str(), -1, nullptr, 0);
  if (count <= 0) return {};
  std::u16string units(static_cast<size_t>(count), u'\0');
  const int written = MultiByteToWideChar(kCodePage936, 0, text.c_str(), -1,
                                          reinterpret_cast<wchar_t*>(units.data()), count);
  if (written <= 0) return {};
  return units;
}

Text AnsiOfUnits(const char16_t* units, size_t count) {
  if (count == 0) return {};
  const auto* input = reinterpret_cast<const wchar_t*>(units);
  const int length = static_cast<int>(count);
  const int size = WideCharToMultiByte(kCodePage936, WC_COMPOSITECHECK, input, length, nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) return {};
  std::string buffer(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(kCodePage936, WC_COMPOSITECHECK, input, length, buffer.data(), size, nullptr,
                      nullptr);
  // The text ends at the first zero byte: an embedded zero unit cuts it there.
  buffer.resize(strnlen(buffer.data(), buffer.size()));
  return buffer;
}

}  // namespace

Bytes AnsiToWide(const Text& text, bool dropTerminator) {
  Bytes wide;
  if (text.empty()) return wide;
  const std::u16string units = UnitsWithTerminator(text);
  if (units.empty()) return wide;
  const size_t keep = units.size() - (dropTerminator ? 1 : 0);
  wide.resize(keep * 2, 0);
  std::memcpy(wide.data(), units.data(), wide.size());  // x86 is little-endian
  return wide;
}

Text WideToAnsi(const Bytes& wide) {
  std::u16string units(wide.size() / 2, u'\0');
  std::memcpy(units.data(), wide.data(), units.size() * 2);
  return AnsiOfUnits(units.data(), units.size());
}

std::u16string AnsiToUtf16(const Text& text) {
  if (text.empty()) return {};
  std::u16string units = UnitsWithTerminator(text);
  if (!units.empty()) units.pop_back();
  return units;
}

Text Utf16ToAnsi(std::u16string_view units) {
  return AnsiOfUnits(units.data(), units.size());
}

}  // namespace quarvel
