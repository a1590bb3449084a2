#include "app/query/terminal_text.h"

#include "http/code_page.h"

namespace quarvel {

namespace {

constexpr char32_t kReplacement = U'?';

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 | (c >> 10));
    out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  }
}

// The code point of the UTF-8 sequence at in[i], advancing i past it; kReplacement for a
// malformed, overlong or surrogate sequence, of which one byte is consumed.
char32_t NextCodePoint(std::string_view in, size_t& i) {
  const auto lead = static_cast<unsigned char>(in[i]);
  int length = lead < 0x80                   ? 1
               : lead >= 0xF0 && lead < 0xF5 ? 4
               : lead >= 0xE0                ? 3
               : lead >= 0xC2                ? 2
                                             : 0;
  if (length == 1) return in[i++];
  if (length == 0 || i + length > in.size()) {
    ++i;
    return kReplacement;
  }
  char32_t c = lead & (0x3F >> (length - 1));
  for (int k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(in[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
  if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    ++i;
    return kReplacement;
  }
  i += length;
  return c;
}

}  // namespace

std::string TerminalText(const Text& text) {
  const std::u16string units = AnsiToUtf16(text);
  std::string out;
  out.reserve(units.size() * 3 / 2);
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    }
    if (c == U'\r' && i + 1 < units.size() && units[i + 1] == u'\n') continue;
    AppendUtf8(out, c);
  }
  return out;
}

Text TextFromTerminal(std::string_view utf8) {
  std::u16string units;
  for (size_t i = 0; i < utf8.size();) AppendUtf16(units, NextCodePoint(utf8, i));
  return Utf16ToAnsi(units);
}

}  // namespace quarvel
