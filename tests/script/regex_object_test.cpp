#include "script/regex_object.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// <windows.h> maps ReplaceText to the common dialog ReplaceTextA.
#undef ReplaceText
#endif

#include "http/text_extract.h"
#include "tests/fixtures/wine.h"

namespace quarvel {
namespace {

constexpr char kCharsetPattern[] = "<meta.+?charset=[^\\w]?([-\\w]+)";

// On Windows the matching is VBScript.RegExp's. Wine's copy of it never steps past an empty
// match (Execute loops until memory runs out), which the Windows component does.
bool ComponentLoopsOnEmptyMatches() {
  return testing::RunningUnderWine();
}

// VBScript.RegExp has no match limit: a catastrophic pattern runs as long as it takes.
#ifdef _WIN32
constexpr bool kMatchingIsBounded = false;
#else
constexpr bool kMatchingIsBounded = true;
#endif

TEST(RegexObject, FindsTheDeclaredCharset) {
  struct Case {
    const char* subject;
    const char* pattern;
    bool caseSensitive;
    int matchCount;
    const char* group;
  };
  const Case cases[] = {
      {"<META CHARSET=GB2312>", kCharsetPattern, false, 1, "GB2312"},
      {"<meta charset='utf-8'>", kCharsetPattern, false, 1, "utf-8"},
      {"<meta charset='utf-8'>", "<META.+?CHARSET=[^\\w]?([-\\w]+)", true, 0, ""},
      {"<meta charset='utf-8'>", "<META.+?CHARSET=[^\\w]?([-\\w]+)", false, 1, "utf-8"},
      {"<html><body>no tag</body></html>", kCharsetPattern, false, 0, ""},
  };
  for (const auto& c : cases) {
    RegexObject regex;
    EXPECT_TRUE(regex.Search(c.pattern, c.subject, c.caseSensitive)) << c.subject;
    EXPECT_EQ(regex.MatchCount(), c.matchCount) << c.subject;
    EXPECT_EQ(regex.SubmatchText(1, 1), c.group) << c.subject;
  }
}

TEST(RegexObject, NoMatchReadsEmpty) {
  RegexObject regex;
  EXPECT_EQ(regex.PatternText(), "");
  EXPECT_EQ(regex.MatchCount(), 0);
  ASSERT_TRUE(regex.Search(kCharsetPattern, "plain text"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubmatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.PatternText(), kCharsetPattern);
}

TEST(RegexObject, RejectedPatternAnswersFalseAndReadsEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)", "a"));
  EXPECT_FALSE(regex.Search("(a", "a"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubmatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubmatchText(1, 1), "");
  EXPECT_EQ(regex.ReplaceText("x"), "");
}

TEST(RegexObject, IndexesOutsideTheMatchesReadEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)(b)?", "a a"));
  EXPECT_EQ(regex.MatchCount(), 2);
  EXPECT_EQ(regex.SubmatchCount(), 2);
  EXPECT_EQ(regex.SubmatchText(1, 2), "");  // took no part
  int position = 99;
  EXPECT_EQ(regex.MatchText(3, &position), "");
  EXPECT_EQ(position, -2);
  EXPECT_EQ(regex.MatchText(0), "");
  EXPECT_EQ(regex.SubmatchText(1, 3), "");
  EXPECT_EQ(regex.SubmatchText(1, 0), "");
}

TEST(RegexObject, QuoteMarkersBecomeDoubleQuotesOnlyWhenAsked) {
  const Text pattern = "charset=" + Text(kQuoteMarker) + "(\\w+)";
  const Text subject = "charset=\"gbk";
  RegexObject regex;
  ASSERT_TRUE(regex.Search(pattern, subject, false, true, true, true));
  EXPECT_EQ(regex.SubmatchText(1, 1), "gbk");
  EXPECT_EQ(regex.PatternText(), "charset=\"(\\w+)");
  ASSERT_TRUE(regex.Search(pattern, subject));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.PatternText(), pattern);
}

TEST(RegexObject, PositionsAreBytePositionsInTheSubject) {
  RegexObject regex;
  const Text subject =
      "ab\xd6\xd0"
      "cd";  // ab中cd
  ASSERT_TRUE(regex.Search("cd", subject));
  int position = 0;
  EXPECT_EQ(regex.MatchText(1, &position), "cd");
  EXPECT_EQ(position, 4);

  ASSERT_TRUE(regex.Search("\xd6\xd0(c)", subject));
  EXPECT_EQ(regex.MatchText(1, &position),
            "\xd6\xd0"
            "c");
  EXPECT_EQ(position, 2);
  EXPECT_EQ(regex.SubmatchText(1, 1, &position), "c");
  EXPECT_EQ(position, 4);

  // The search for the match text ignores case exactly when the pattern did.
  ASSERT_TRUE(regex.Search("CD", "xcd"));
  EXPECT_EQ(regex.MatchText(1, &position), "cd");
  EXPECT_EQ(position, 1);
}

TEST(RegexObject, OptionsReachTheMatcher) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("^b", "a\nb"));  // multiline by default
  EXPECT_EQ(regex.MatchCount(), 1);
  ASSERT_TRUE(regex.Search("^b", "a\nb", false, false));
  EXPECT_EQ(regex.MatchCount(), 0);
  ASSERT_TRUE(regex.Search("a$", "a\n", false, false));  // $ only at the very end
  EXPECT_EQ(regex.MatchCount(), 0);
  ASSERT_TRUE(regex.Search("a", "aAa"));  // global by default, case ignored
  EXPECT_EQ(regex.MatchCount(), 3);
  ASSERT_TRUE(regex.Search("a", "aAa", true));
  EXPECT_EQ(regex.MatchCount(), 2);
  ASSERT_TRUE(regex.Search("a", "aAa", false, true, false));
  EXPECT_EQ(regex.MatchCount(), 1);
  // A second Search replaces the first one's matches completely.
  ASSERT_TRUE(regex.Search("(x)(y)", "xy"));
  EXPECT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.SubmatchCount(), 2);
  EXPECT_EQ(regex.MatchText(1), "xy");
}

TEST(RegexObject, EmptyMatchesStepOneCharacterOn) {
  if (ComponentLoopsOnEmptyMatches()) {
    GTEST_SKIP() << "Wine's VBScript.RegExp loops on empty matches";
  }
  RegexObject regex;
  ASSERT_TRUE(regex.Search("x*",
                           "a\xd6\xd0"
                           "b"));  // a中b: 4 empty matches
  EXPECT_EQ(regex.MatchCount(), 4);
  EXPECT_EQ(regex.ReplaceText("-"), "-a-\xd6\xd0-b-");
}

TEST(RegexObject, DialectIsJavaScriptLike) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("\\u4e2d", "a\xd6\xd0"));  // \uhhhh
  EXPECT_EQ(regex.MatchText(1), "\xd6\xd0");
  ASSERT_TRUE(regex.Search("(a)?\\1b", "b"));  // an unset group's backreference is empty
  EXPECT_EQ(regex.MatchText(1), "b");
  ASSERT_TRUE(regex.Search("\\w+",
                           "\xd6\xd0"
                           "ab"));  // \w is ASCII only
  EXPECT_EQ(regex.MatchText(1), "ab");
  ASSERT_TRUE(regex.Search("a.b",
                           "a\xd6\xd0"
                           "b"));  // . is one character
  EXPECT_EQ(regex.MatchCount(), 1);
}

TEST(RegexObject, ReplaceTextExpandsDollarForms) {
  struct Case {
    const char* pattern;
    const char* subject;
    bool global;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"(\\w)(\\d)", "a1 b2", true, "$2$1", "1a 2b"},
      {"(\\w)(\\d)", "a1 b2", false, "$2$1", "1a b2"},
      {"b", "abc", true, "[$&]", "a[b]c"},
      {"b", "abc", true, "[$`]", "a[a]c"},
      {"b", "abc", true, "[$']", "a[c]c"},
      {"b", "abc", true, "$$", "a$c"},
      {"b", "abc", true, "$0$3$", "a$0$3$c"},  // no such groups: literal
      {"(b)", "abc", true, "$10", "ab0c"},     // $1 then 0: only one group
      {"(a)(b)?", "ac", true, "[$2]", "[]c"},  // a group that took no part
      {"x", "abc", true, "y", "abc"},
      {"b",
       "a\xd6\xd0"
       "b",
       true, "\xce\xc4", "a\xd6\xd0\xce\xc4"},  // a中b -> a中文
  };
  for (const auto& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search(c.pattern, c.subject, false, true, c.global)) << c.pattern;
    EXPECT_EQ(regex.ReplaceText(c.replacement), c.expected) << c.pattern << " " << c.replacement;
  }

  RegexObject many;
  ASSERT_TRUE(many.Search("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk"));
  EXPECT_EQ(many.ReplaceText("$11$10$1"), "kja");
}

TEST(RegexObject, CopySharesMatchesAndSurvivesTheSource) {
  auto source = std::make_unique<RegexObject>();
  ASSERT_TRUE(source->Search("(b+)", "abbc"));
  RegexObject copy(*source);
  source.reset();
  EXPECT_EQ(copy.MatchCount(), 1);
  EXPECT_EQ(copy.SubmatchText(1, 1), "bb");
  EXPECT_EQ(copy.PatternText(), "(b+)");
  EXPECT_EQ(copy.ReplaceText("-"), "a-c");
  int position = 0;
  copy.MatchText(1, &position);
  EXPECT_EQ(position, 1);
}

TEST(RegexObject, OneMebibyteSubjects) {
  const size_t size = 1 << 20;
  RegexObject regex;

  // The charset pattern over a long line, with the tag at the end.
  Text page(size, 'x');
  page.replace(size - 40, 40, "<meta http-equiv=x charset=\"big5\">     ");
  ASSERT_TRUE(regex.Search(kCharsetPattern, page));
  EXPECT_EQ(regex.SubmatchText(1, 1), "big5");

  if (!kMatchingIsBounded) {
    // The body decoding only ever searches the first 1024 bytes of a body.
    GTEST_SKIP() << "the component runs a quadratic or catastrophic search to its end";
  }

  // Many tags on one line, none with a charset: each start may scan to the line's end.
  Text tags;
  while (tags.size() < size) tags += "<meta chars=x>";
  ASSERT_TRUE(regex.Search(kCharsetPattern, tags));
  EXPECT_EQ(regex.MatchCount(), 0);

  // Catastrophic backtracking ends in a defined result, not a crash.
  const Text letters(size, 'a');
  for (const char* pattern : {"(a+)+\\d", "(a|aa)+\\d"}) {
    EXPECT_FALSE(regex.Search(pattern, letters)) << pattern;
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_EQ(regex.ReplaceText("x"), "");
  }

  // A million matches of a simple pattern.
  ASSERT_TRUE(regex.Search("a", letters));
  EXPECT_EQ(regex.MatchCount(), static_cast<int>(size));
}

}  // namespace
}  // namespace quarvel
