// Charset conversion on glibc iconv: the declared charset is decoded to UTF-16, then written
// in code page 936 by the code page routines.
#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "http/charset.h"
#include "http/code_page.h"

namespace quarvel {
namespace {

class Decoder {
 public:
  explicit Decoder(const std::string& from) : handle_(iconv_open("UTF-16LE", from.c_str())) {}
  ~Decoder() {
    if (ok()) iconv_close(handle_);
  }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

// Names a browser or Windows knows that iconv spells differently; the rest go to iconv as
// they are (it ignores case).
std::string IconvName(std::string_view charset) {
  struct Alias {
    std::string_view name;
    std::string_view iconvName;
  };
  static constexpr Alias kAliases[] = {
      {"gbk", "CP936"},
      {"gb2312", "CP936"},
      {"x-gbk", "CP936"},
      {"unicode", "UTF-16LE"},
      {"unicodefffe", "UTF-16BE"},
      {"utf-16", "UTF-16"},
      {"x-sjis", "SHIFT_JIS"},
      {"ks_c_5601-1987", "CP949"},
      {"iso-8859-8-i", "ISO-8859-8"},
      {"x-user-defined", "CP1252"},
  };
  const std::string lower = Lower(charset);
  for (const Alias& alias : kAliases) {
    if (lower == alias.name) return std::string(alias.iconvName);
  }
  return std::string(charset);
}

bool StartsWith(const Bytes& bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() &&
         std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace

std::optional<Text> ConvertCharsetToAnsi(const Bytes& bytes, std::string_view charset) {
  // iconv would take "//" suffixes in the name as conversion flags.
  if (charset.empty() || charset.find('/') != std::string_view::npos) return std::nullopt;
  const std::string name = IconvName(charset);
  Decoder decoder(name);
  if (!decoder.ok()) return std::nullopt;

  const char* in = reinterpret_cast<const char*>(bytes.data());
  size_t inLeft = bytes.size();
  // A UTF-8 byte-order mark is no part of the text.
  if (Lower(name) == "utf-8" && StartsWith(bytes, "\xef\xbb\xbf")) {
    in += 3;
    inLeft -= 3;
  }

  std::u16string units;
  char16_t buffer[4096];
  while (inLeft > 0) {
    char* inPtr = const_cast<char*>(in);
    char* out = reinterpret_cast<char*>(buffer);
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(decoder.get(), &inPtr, &inLeft, &out, &outLeft);
    const int error = errno;
    in = inPtr;
    units.append(buffer, (sizeof buffer - outLeft) / sizeof(char16_t));
    if (rc != static_cast<size_t>(-1)) break;
    if (error == E2BIG) continue;
    if (error != EILSEQ && error != EINVAL) return std::nullopt;
    // An invalid sequence becomes "?" and decoding goes on after its first byte; one cut
    // off by the end of the body becomes a single "?".
    units += u'?';
    if (error == EINVAL) break;
    ++in;
    --inLeft;
    iconv(decoder.get(), nullptr, nullptr, nullptr, nullptr);
  }
  // Characters that code page 936 lacks become "?".
  return Utf16ToAnsi(units);
}

}  // namespace quarvel
