#include "http/code_page.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace quarvel {
namespace {

Bytes B(std::initializer_list<int> values) {
  Bytes bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

// Where the two code page 936 tables legitimately differ (invalid bytes, characters outside
// the table, stacked combining marks), each platform's own answer is expected.
#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

template <typename T>
T OnPlatform(T iconv, T windows) {
  return kWindows ? windows : iconv;
}

Bytes Utf16Bytes(std::u16string_view units) {
  Bytes bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return bytes;
}

TEST(AnsiToWide, ConvertsWithTerminatorUnlessDropped) {
  EXPECT_EQ(AnsiToWide("abc"), B({0x61, 0, 0x62, 0, 0x63, 0, 0, 0}));
  EXPECT_EQ(AnsiToWide("abc", true), B({0x61, 0, 0x62, 0, 0x63, 0}));
  EXPECT_EQ(AnsiToWide(""), Bytes());
  EXPECT_EQ(AnsiToWide("", true), Bytes());
}

TEST(AnsiToWide, IgnoresTheProcessLocale) {
  // ".1252" is the Windows form of a Western locale; a UTF-8 locale for glibc.
  for (const char* locale : {"C", OnPlatform("C.UTF-8", ".1252")}) {
    SCOPED_TRACE(locale);
    ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr);
    EXPECT_EQ(AnsiToWide("\xd6\xd0"), B({0x2D, 0x4E, 0, 0}));  // 中
    EXPECT_EQ(WideToAnsi(B({0x2D, 0x4E})), "\xd6\xd0");
  }
  std::setlocale(LC_ALL, "C");
}

TEST(AnsiToWide, ReplacesInvalidBytesAndKeepsWhatFollows) {
  // 0xFF starts no character (Windows maps it into the private use area); a lead byte at
  // the very end has no trail byte; a lead byte before a byte that cannot trail it is
  // replaced alone, and the byte after it kept.
  EXPECT_EQ(AnsiToUtf16("a\xff"
                        "bc"),
            OnPlatform(u"a?bc", u"a\uF8F5bc"));
  EXPECT_EQ(AnsiToUtf16("ab\xd6"), u"ab?");
  EXPECT_EQ(AnsiToUtf16("\x81\x20xyz"), u"? xyz");
  EXPECT_EQ(AnsiToUtf16("[\"a\xb6\"]"), u"[\"a?\"]");  // the quote survives
  EXPECT_EQ(AnsiToUtf16("\x80"), u"\u20AC");  // the euro sign of code page 936
}

TEST(WideToAnsi, CutsAtTheFirstZeroUnitAndIgnoresAnOddByte) {
  EXPECT_EQ(WideToAnsi(B({0x61, 0, 0x62, 0, 0, 0})), "ab");
  EXPECT_EQ(WideToAnsi(B({0x61, 0, 0x62, 0})), "ab");
  EXPECT_EQ(WideToAnsi(B({0x61, 0, 0x62})), "a");
  EXPECT_EQ(WideToAnsi(B({0x61, 0, 0, 0, 0x62, 0})), "a");
  EXPECT_EQ(WideToAnsi(Bytes()), "");
}

TEST(WideToAnsi, WritesQuestionMarksForWhatCodePage936Lacks) {
  EXPECT_EQ(WideToAnsi(Utf16Bytes(u"a\u0E01b")), "a?b");  // Thai
  EXPECT_EQ(WideToAnsi(Utf16Bytes(u"x\U0001F600y")), "x?y");  // one pair, one "?"
  EXPECT_EQ(WideToAnsi(Utf16Bytes(std::u16string(u"x") + char16_t(0xD800) + u"y")), "x?y");
}

TEST(WideToAnsi, ComposesBaseAndMarkWhereCodePage936HasTheLetter) {
  EXPECT_EQ(WideToAnsi(Utf16Bytes(u"e\u0301")), "\xa8\xa6");  // é
  // ǖ from two marks; Windows composes one pair only: ü and a lone macron.
  EXPECT_EQ(WideToAnsi(Utf16Bytes(u"u\u0308\u0304")), OnPlatform("\xa8\xb5", "\xa8\xb9?"));
  EXPECT_EQ(WideToAnsi(Utf16Bytes(u"x\u0301")), "x?");  // no such letter
}

TEST(CodePage, RoundTripsEveryTwoByteCharacter) {
  // Every two-byte character of code page 936, plus ASCII, converts there and back.
  std::string all;
  for (int c = 0x20; c < 0x7F; ++c) all += static_cast<char>(c);
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      std::string ch{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string unit = AnsiToUtf16(ch);
      if (unit.size() == 1 && unit != u"?") all += ch;
    }
  }
  ASSERT_GT(all.size(), 40000u);
  EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);
}

}  // namespace
}  // namespace quarvel
