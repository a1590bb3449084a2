#include "script/json_encoding.h"

#include <algorithm>
#include <cstring>

#include "http/code_page.h"

namespace quarvel {
namespace {

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-8 as this module writes it (from UTF-16, so always well formed) back to UTF-16. A
// stray byte becomes U+FFFD rather than being trusted.
std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (lead >= 0x80 && lead < 0xC0) length = 0;
    char32_t code = length == 1   ? lead
                    : length == 2 ? lead & 0x1F
                    : length == 3 ? lead & 0x0F
                                  : lead & 0x07;
    bool ok = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; ok && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
      ok = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!ok) {
      units += u'\uFFFD';
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (code >> 10));
      units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
    i += length;
  }
  return units;
}

}  // namespace

bool IsAscii(std::string_view bytes) {
  // Eight bytes at a time: the usual reply is megabytes of ASCII.
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t block;
    std::memcpy(&block, bytes.data() + i, sizeof block);
    if (block & 0x8080808080808080ULL) return false;
  }
  for (; i < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
  }
  return true;
}

void AppendUtf8FromText(const Text& text, std::string& utf8) {
  const std::string_view bytes(text.data(), strnlen(text.data(), text.size()));
  if (IsAscii(bytes)) {
    utf8 += bytes;
    return;
  }
  const std::u16string units = AnsiToUtf16(text);
  utf8.reserve(utf8.size() + units.size() * 3);
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t code = units[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
    }
    AppendUtf8(code, utf8);
  }
}

std::string Utf8FromText(const Text& text) {
  std::string utf8;
  AppendUtf8FromText(text, utf8);
  return utf8;
}

Text TextFromUtf8(std::string_view utf8) {
  utf8 = utf8.substr(0, std::min(utf8.find('\0'), utf8.size()));
  if (IsAscii(utf8)) return Text(utf8);
  return Utf16ToAnsi(Utf16FromUtf8(utf8));
}

}  // namespace quarvel
