// Code page 936 conversion on the Windows code page functions. The code page is always 936,
// never the system's ANSI code page.
#include <windows.h>

#include <cstring>

#include "http/code_page.h"

namespace quarvel {
namespace {

constexpr UINT kCodePage936 = 936;

bool IsLead(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}
bool IsTrail(unsigned char byte) {
  return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// The UTF-16 units of text up to its first NUL, including the terminating zero unit: the
// measuring call, a zero-filled buffer of that size, the converting call.
std::u16string ConvertRun(const char* text, int length) {
  const int count = MultiByteToWideChar(kCodePage936, 0, text, length, nullptr, 0);
  if (count <= 0) return {};
  std::u16string units(static_cast<size_t>(count), u'\0');
  const int written = MultiByteToWideChar(kCodePage936, 0, text, length,
                                          reinterpret_cast<wchar_t*>(units.data()), count);
  if (written <= 0) return {};
  return units;
}

// Windows replaces a lead byte together with the byte after it even when that byte is no
// trail byte (a quote, a "<"), so the character after an invalid byte would be lost. Such a
// lead byte is replaced on its own here and the text after it converted as it is.
std::u16string UnitsWithTerminator(const Text& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
  const size_t length = strnlen(text.c_str(), text.size());
  size_t runStart = 0;
  std::u16string units;
  for (size_t i = 0; i < length;) {
    if (!IsLead(bytes[i])) {
      ++i;
    } else if (i + 1 < length && IsTrail(bytes[i + 1])) {
      i += 2;
    } else {
      units += ConvertRun(text.c_str() + runStart, static_cast<int>(i - runStart));
      units += u'?';
      runStart = ++i;
    }
  }
  if (runStart == 0) return ConvertRun(text.c_str(), -1);  // -1: up to the terminating NUL
  units += ConvertRun(text.c_str() + runStart, static_cast<int>(length - runStart));
  units += u'\0';
  return units;
}

// A surrogate pair is one character that code page 936 lacks: one "?", not one per unit.
std::u16string PairsAsOneUnit(const char16_t* units, size_t count) {
  std::u16string single;
  single.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const bool pair =
        IS_HIGH_SURROGATE(units[i]) && i + 1 < count && IS_LOW_SURROGATE(units[i + 1]);
    single += pair ? u'?' : units[i];
    if (pair) ++i;
  }
  return single;
}

Text AnsiOfUnits(const char16_t* original, size_t count) {
  if (count == 0) return {};
  const std::u16string units = PairsAsOneUnit(original, count);
  const auto* input = reinterpret_cast<const wchar_t*>(units.data());
  const int length = static_cast<int>(units.size());
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
