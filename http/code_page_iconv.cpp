// Code page 936 conversion on glibc iconv. The converters are opened by name, so the
// result never depends on the process locale.
#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <cstring>

#include "http/code_page.h"
#include "http/combining_marks.h"

namespace quarvel {
namespace {

// One iconv descriptor, opened once per thread and closed with it.
class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts one step; answers false on an error and leaves errno set.
  bool Step(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
    char* inPtr = const_cast<char*>(in);
    size_t rc = iconv(handle_, &inPtr, &inLeft, &out, &outLeft);
    in = inPtr;
    return rc != static_cast<size_t>(-1);
  }
  void Reset() { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t handle_;
};

Converter& FromGbk() {
  thread_local Converter converter("UTF-16LE", "CP936");
  return converter;
}

Converter& ToGbk() {
  thread_local Converter converter("CP936", "UTF-16LE");
  return converter;
}

bool IsAscii(const char* data, size_t size) {
  return std::all_of(data, data + size,
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::u16string AnsiToUtf16(const Text& text) {
  std::u16string units;
  if (text.empty()) return units;
  // Text ends at its first NUL, as a NUL-terminated string does.
  const size_t length = strnlen(text.data(), text.size());
  if (IsAscii(text.data(), length)) return std::u16string(text.begin(), text.begin() + length);

  Converter& converter = FromGbk();
  units.resize(length);  // never more units than bytes
  const char* in = text.data();
  size_t inLeft = length;
  char* out = reinterpret_cast<char*>(units.data());
  size_t outLeft = units.size() * sizeof(char16_t);
  converter.Reset();
  while (inLeft > 0 && converter.ok()) {
    if (converter.Step(in, inLeft, out, outLeft)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // A byte that starts no valid character becomes "?", and the scan goes on with the
    // next byte, so the text that follows is never lost.
    const char16_t replacement = u'?';
    std::memcpy(out, &replacement, sizeof replacement);
    out += sizeof replacement;
    outLeft -= sizeof replacement;
    ++in;
    --inLeft;
    converter.Reset();
  }
  units.resize(units.size() - outLeft / sizeof(char16_t));
  return units;
}

Text Utf16ToAnsi(std::u16string_view units) {
  Text text;
  units = units.substr(0, std::min(units.find(u'\0'), units.size()));
  if (units.empty()) return text;
  if (std::all_of(units.begin(), units.end(), [](char16_t u) { return u < 0x80; })) {
    return Text(units.begin(), units.end());
  }
  const std::u16string composed = ComposeMarks(units);
  Converter& converter = ToGbk();
  text.resize(composed.size() * 2);  // at most two bytes a unit
  const char* in = reinterpret_cast<const char*>(composed.data());
  size_t inLeft = composed.size() * sizeof(char16_t);
  char* out = text.data();
  size_t outLeft = text.size();
  converter.Reset();
  while (inLeft > 0 && converter.ok()) {
    if (converter.Step(in, inLeft, out, outLeft)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // A character that code page 936 lacks becomes "?"; a surrogate pair is one character.
    size_t skip = sizeof(char16_t);
    const size_t unit = (composed.size() * sizeof(char16_t) - inLeft) / sizeof(char16_t);
    if (unit + 1 < composed.size() && IsHighSurrogate(composed[unit]) &&
        IsLowSurrogate(composed[unit + 1])) {
      skip *= 2;
    }
    *out++ = '?';
    --outLeft;
    in += std::min(skip, inLeft);
    inLeft -= std::min(skip, inLeft);
    converter.Reset();
  }
  text.resize(text.size() - outLeft);
  return text;
}

Bytes AnsiToWide(const Text& text, bool dropTerminator) {
  Bytes wide;
  if (text.empty()) return wide;
  const std::u16string units = AnsiToUtf16(text);
  wide.resize((units.size() + (dropTerminator ? 0 : 1)) * 2, 0);
  for (size_t i = 0; i < units.size(); ++i) {
    wide[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    wide[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
  return wide;
}

Text WideToAnsi(const Bytes& wide) {
  std::u16string units(wide.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(wide[2 * i] | (wide[2 * i + 1] << 8));
  }
  return Utf16ToAnsi(units);
}

}  // namespace quarvel
