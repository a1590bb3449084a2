#include "http/text_extract.h"

#include <gtest/gtest.h>

#include "http/text_search.h"

namespace quarvel {
namespace {

struct HeaderCase {
  const char* block;
  const char* name;
  const char* value;
};

TEST(HeaderValue, TakesTheFirstLineThatBeginsWithTheName) {
  const HeaderCase cases[] = {
      {"Host: a\r\nConnection: keep-alive\r\n", "Connection", "keep-alive"},
      {"Host: a\r\nConnection: keep-alive\r\n", "connection", ""},
      {"Connection-Type: x\r\nConnection: close", "Connection", ""},
      {"Connection:close", "Connection", ""},
      {"Connection:  close", "Connection", " close"},
      {"X: 1 X: 2", "X", "2"},
      {"", "Connection", ""},
      {"\r\n\r\nA: 1\r\n", "A", "1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HeaderValue(c.block, c.name), c.value) << c.block << " / " << c.name;
  }
}

TEST(TextAfterLast, TakesTheTextAfterTheLastMarker) {
  EXPECT_EQ(TextAfterLast("a=b=c", "="), "c");
  EXPECT_EQ(TextAfterLast("a=b=c", "x"), "");
  EXPECT_EQ(TextAfterLast("a=b=c", "c"), "");
  EXPECT_EQ(TextAfterLast("a=b=c", "=", 4), "b=c");  // only the first 3 bytes are searched
  EXPECT_EQ(TextAfterLast("a=b=c", "=", 1), "");
  EXPECT_EQ(TextAfterLast("abc", ""), "abc");
  EXPECT_EQ(TextAfterLast("abc", "", 0), "");
}

TEST(TextBefore, TakesTheTextBeforeTheFirstMarker) {
  EXPECT_EQ(TextBefore("Set-Cookie: id=1", ": "), "Set-Cookie");
  EXPECT_EQ(TextBefore("Set-Cookie: id=1", "#"), "");
  EXPECT_EQ(TextBefore("abc", "a"), "");
  EXPECT_EQ(TextBefore("Content-Type: x", "TYPE"), "");
  EXPECT_EQ(TextBefore("Content-Type: x", "TYPE", 0, true), "Content-");
  EXPECT_EQ(TextBefore("a:b:c", ":", 3), "a:b");  // text before the start is kept
}

TEST(TextBefore, NeverMatchesInsideATwoByteCharacter) {
  // C1 62 is one character; the "b" it holds is not a match.
  EXPECT_EQ(TextBefore("\xc1\x62\x62", "b"), "\xc1\x62");
  EXPECT_EQ(ForwardSearch("\xc1\x62\x62", "b"), 3);
  EXPECT_EQ(ForwardSearch("ab\xc1", "\xc1"), 3);
  EXPECT_EQ(ForwardSearch("a\xc1", "x"), -1);  // a lead byte at the end ends the scan
}

TEST(TextBetween, TakesTheTextBetweenTheMarkers) {
  EXPECT_EQ(TextBetween("Set-Cookie: id=1; path=/", "Set-Cookie:", ";"), " id=1");
  EXPECT_EQ(TextBetween("a[12]", "[", "]"), "12");
  EXPECT_EQ(TextBetween("a[]", "[", "]"), "");
  EXPECT_EQ(TextBetween("a[12", "[", "]"), "");
  EXPECT_EQ(TextBetween("<b>A</b><b>B</b>", "<b>", "</b>"), "A");
  EXPECT_EQ(TextBetween("<b>A</b><b>B</b>", "<b>", "</b>", 2), "B");
  EXPECT_EQ(TextBetween("abc", "a", ""), "");
}

TEST(TextBetween, ReadsTheQuoteMarkerAsADoubleQuote) {
  const Text marker = Text("x=") + Text(kQuoteMarker);
  EXPECT_EQ(TextBetween("x=\"5\"", marker, kQuoteMarker), "5");
}

TEST(TextSearch, StartPastTheEndFindsNothing) {
  for (int start : {4, 5, 1000, 2147483647}) {
    EXPECT_EQ(ForwardSearch("abc", "c", start), -1) << start;
    EXPECT_EQ(ForwardSearch("abc", "", start), -1) << start;
    EXPECT_EQ(TextBefore("abc", "c", start), "") << start;
    EXPECT_EQ(TextBetween("abc", "a", "c", start), "") << start;
  }
  EXPECT_EQ(BackwardSearch("abc", "c", 1000), 3);
  EXPECT_EQ(BackwardSearch("abc", "c", -5), -1);
}

}  // namespace
}  // namespace quarvel
