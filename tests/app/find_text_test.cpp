#include "app/find_text.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(FindTextFrom, SearchesBytesFromTheStart) {
  struct Case {
    const char* text;
    const char* sub;
    int start;
    bool fold;
    int expected;
  } cases[] = {
      {"abcabc", "c", 4, false, 6},   {"abcabc", "c", 0, false, 3},
      {"abcabc", "", 0, false, -1},   {"", "c", 0, false, -1},
      {"abcabc", "c", 7, false, -1},  {"abcabc", "c", 99999, false, -1},
      {"ABC", "bc", 0, false, -1},    {"ABC", "bc", 0, true, 2},
      {"TCP\xd4\xda\xd3\xc3\r\n27500\r\n", "27500", 0, false, 10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindTextFrom(c.text, c.sub, c.start, c.fold), c.expected)
        << c.text << " / " << c.sub << " from " << c.start;
  }
}

TEST(FindTextFrom, MatchesInsideTwoByteCharactersAsPlainBytes) {
  EXPECT_EQ(FindTextFrom("\xc1\x62\x62", "b"), 2);
}

}  // namespace
}  // namespace quarvel
