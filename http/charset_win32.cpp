// Charset conversion on the Windows code page functions: the declared charset is mapped to a
// Windows code page, decoded to UTF-16, then written in code page 936 by the code page
// routines. UTF-16 itself is no code page MultiByteToWideChar decodes, so it is done here.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "http/charset.h"
#include "http/code_page.h"

namespace quarvel {
namespace {

constexpr UINT kUtf16Le = 1200;
constexpr UINT kUtf16Be = 1201;
constexpr UINT kUtf16Detect = 1;  // no code page: byte-order mark, else little-endian

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

// The Windows code page of a charset name as HTML pages and Windows spell it; 0 if unknown.
UINT CodePageOf(std::string_view charset) {
  struct Name {
    std::string_view name;
    UINT codePage;
  };
  static constexpr Name kNames[] = {
      {"utf-8", 65001},
      {"utf8", 65001},
      {"unicode-1-1-utf-8", 65001},
      {"utf-7", 65000},
      {"utf-16", kUtf16Detect},
      {"utf-16le", kUtf16Le},
      {"unicode", kUtf16Le},
      {"utf-16be", kUtf16Be},
      {"unicodefffe", kUtf16Be},
      {"gbk", 936},
      {"gb2312", 936},
      {"x-gbk", 936},
      {"cp936", 936},
      {"euc-cn", 936},
      {"gb18030", 54936},
      {"hz-gb-2312", 52936},
      {"big5", 950},
      {"big5-hkscs", 950},
      {"cp950", 950},
      {"shift_jis", 932},
      {"shift-jis", 932},
      {"sjis", 932},
      {"x-sjis", 932},
      {"ms_kanji", 932},
      {"windows-31j", 932},
      {"cp932", 932},
      {"euc-jp", 20932},
      {"iso-2022-jp", 50220},
      {"euc-kr", 949},
      {"ks_c_5601-1987", 949},
      {"cp949", 949},
      {"iso-2022-kr", 50225},
      {"koi8-r", 20866},
      {"koi8-u", 21866},
      {"us-ascii", 20127},
      {"ascii", 20127},
      {"iso-8859-1", 28591},
      {"latin1", 28591},
      {"iso-8859-2", 28592},
      {"iso-8859-3", 28593},
      {"iso-8859-4", 28594},
      {"iso-8859-5", 28595},
      {"iso-8859-6", 28596},
      {"iso-8859-7", 28597},
      {"iso-8859-8", 28598},
      {"iso-8859-8-i", 28598},
      {"iso-8859-9", 28599},
      {"iso-8859-11", 874},
      {"iso-8859-13", 28603},
      {"iso-8859-15", 28605},
      {"windows-874", 874},
      {"tis-620", 874},
      {"windows-1250", 1250},
      {"windows-1251", 1251},
      {"windows-1252", 1252},
      {"windows-1253", 1253},
      {"windows-1254", 1254},
      {"windows-1255", 1255},
      {"windows-1256", 1256},
      {"windows-1257", 1257},
      {"windows-1258", 1258},
      {"cp1250", 1250},
      {"cp1251", 1251},
      {"cp1252", 1252},
      {"x-user-defined", 1252},
      {"ibm866", 866},
      {"cp866", 866},
      {"macintosh", 10000},
  };
  const std::string lower = Lower(charset);
  for (const Name& name : kNames) {
    if (lower == name.name) return name.codePage;
  }
  return 0;
}

bool StartsWith(const Bytes& bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() &&
         std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

std::u16string DecodeUtf16(const Bytes& bytes, UINT codePage) {
  size_t offset = 0;
  bool bigEndian = codePage == kUtf16Be;
  if (codePage == kUtf16Detect) {
    if (StartsWith(bytes, "\xfe\xff")) bigEndian = true;
    if (StartsWith(bytes, "\xfe\xff") || StartsWith(bytes, "\xff\xfe")) offset = 2;
  }
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = offset; i + 1 < bytes.size(); i += 2) {
    const unsigned first = bytes[i];
    const unsigned second = bytes[i + 1];
    units += static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
  }
  return units;
}

std::u16string DecodeCodePage(const Bytes& bytes, UINT codePage) {
  const char* input = reinterpret_cast<const char*>(bytes.data());
  int size = static_cast<int>(bytes.size());
  // A UTF-8 byte-order mark is no part of the text.
  if (codePage == 65001 && StartsWith(bytes, "\xef\xbb\xbf")) {
    input += 3;
    size -= 3;
  }
  if (size == 0) return {};
  // Flags 0: invalid sequences are replaced, not rejected.
  const int count = MultiByteToWideChar(codePage, 0, input, size, nullptr, 0);
  if (count <= 0) return {};
  std::u16string units(static_cast<size_t>(count), u'\0');
  MultiByteToWideChar(codePage, 0, input, size, reinterpret_cast<wchar_t*>(units.data()), count);
  return units;
}

}  // namespace

std::optional<Text> ConvertCharsetToAnsi(const Bytes& bytes, std::string_view charset) {
  const UINT codePage = CodePageOf(charset);
  if (codePage == 0) return std::nullopt;
  if (codePage == kUtf16Detect || codePage == kUtf16Le || codePage == kUtf16Be) {
    return Utf16ToAnsi(DecodeUtf16(bytes, codePage));
  }
  // A code page this Windows does not install cannot decode anything.
  if (!IsValidCodePage(codePage)) return std::nullopt;
  // Characters that code page 936 lacks become "?".
  return Utf16ToAnsi(DecodeCodePage(bytes, codePage));
}

}  // namespace quarvel
