#include "http/cookies.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

struct MergeCase {
  const char* held;
  const char* received;
  const char* merged;
};

TEST(MergeCookies, Cases) {
  const MergeCase cases[] = {
      {"lang=en; theme=dark; page=2", "lang=fr; theme=deleted; view=list",
       "lang=fr; view=list; page=2"},
      {"a=1;a=2", "", "a=1"},
      {"", "a=1;a=1", "a=1"},
      {"", "a=1;a=2", "a=1; a=2"},
      {"theme=dark; lang=en", "theme=deleted", "lang=en"},
      {"a=deleted", "b=deleted", ""},
      {"", "", ""},
      {"q=a b", "", "q=ab"},
      {"flag=1", "flag", "flag"},
      {"c=3", "a=1; b=2; ", "a=1; b=2; c=3"},
      {"b=2", ";a=1", "; a=1; b=2"},
      {"lang=en", "Lang=fr", "Lang=fr; lang=en"},
      // The ideographic space is a space; A1 A1 inside another character pair is not.
      {"a=\xa1\xa1x", "", "a=x"},
      {"a=\xb0\xa1\xa1\xa1", "", "a=\xb0\xa1"},
      {"a=\xb0\xa1\xa1", "", "a=\xb0\xa1\xa1"},
      {"a=\t1", "", "a=\t1"},  // tabs are kept
  };
  for (const auto& c : cases) {
    Text held = c.held;
    Text received = c.received;
    EXPECT_EQ(MergeCookies(held, received), c.merged) << c.held << " / " << c.received;
    EXPECT_EQ(held, c.merged);
  }
}

TEST(MergeCookies, LeavesReceivedWithoutSpaces) {
  Text held = "lang=en; theme=dark; page=2";
  Text received = "lang=fr; theme=deleted; view=list";
  MergeCookies(held, received);
  EXPECT_EQ(received, "lang=fr;theme=deleted;view=list");
}

TEST(CookieName, TakesTheTextBeforeTheFirstEqualsTrimmed) {
  const std::pair<const char*, const char*> cases[] = {
      {"a=1=2", "a"},
      {" a b =1", "a b"},
      {"flag", "flag"},
      {"\xa1\xa1id\xa1\xa1=1", "id"},
      {"=1", ""},
      {"", ""},
      {"\xb0\xa1\xa1=1", "\xb0\xa1\xa1"},  // the A1 A1 there is no whole character
  };
  for (const auto& [piece, name] : cases) EXPECT_EQ(CookieName(piece), name) << piece;
}

TEST(RemoveDuplicateItems, KeepsTheFirstOfEachItem) {
  EXPECT_EQ(RemoveDuplicateItems("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(RemoveDuplicateItems("; a; ; a", "; "), "; a");
  EXPECT_EQ(RemoveDuplicateItems("a; b; ", "; "), "a; b");
  EXPECT_EQ(RemoveDuplicateItems("", "; "), "");
  EXPECT_EQ(RemoveDuplicateItems("a,A,a", ","), "a,A");
}

}  // namespace
}  // namespace quarvel
