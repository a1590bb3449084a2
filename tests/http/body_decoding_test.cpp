#include "http/body_decoding.h"

#include <gtest/gtest.h>

#include "http/charset.h"
#include "http/pending_events.h"
#include "script/regex_object.h"

namespace quarvel {
namespace {

Bytes BodyOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// Decodes through both forms, which must agree.
Text Decode(std::string_view body) {
  RegexObject regex;
  Text fromBytes = DecodeResponseBody(BodyOf(body), regex);
  EXPECT_EQ(DecodeResponseBody(std::string(body), regex), fromBytes) << body;
  return fromBytes;
}

constexpr char kUtf8Chinese[] = "\xe4\xb8\xad\xe6\x96\x87";  // 中文 in UTF-8
constexpr char kGbkChinese[] = "\xd6\xd0\xce\xc4";           // 中文

TEST(DecodeResponseBody, KeepsOrConvertsByTheDeclaredCharset) {
  const std::pair<Text, Text> cases[] = {
      // No meta tag: the bytes as they are, even UTF-8 ones.
      {"{\"a\":1}", "{\"a\":1}"},
      {Text("{\"a\":\"") + kUtf8Chinese + "\"}", Text("{\"a\":\"") + kUtf8Chinese + "\"}"},
      {"", ""},
      // Declared in UTF-8 (any case): converted.
      {Text("<meta charset='utf-8'>") + kUtf8Chinese, Text("<meta charset='utf-8'>") + kGbkChinese},
      {Text("<META CHARSET=UTF-8>") + kUtf8Chinese, Text("<META CHARSET=UTF-8>") + kGbkChinese},
      // Our own code page, named in lower case: taken byte for byte, even an invalid byte.
      {"<meta http-equiv=Content-Type content='text/html; charset=gb2312'>\xff",
       "<meta http-equiv=Content-Type content='text/html; charset=gb2312'>\xff"},
      {"<meta charset=gbk>\xff", "<meta charset=gbk>\xff"},
      // Named in capitals it goes through the conversion, where the invalid byte becomes "?"
      // (Windows' table of code page 936 keeps 0xFF, as a private-use character).
#ifdef _WIN32
      {"<meta charset=GB2312>\xd6\xd0\xff", "<meta charset=GB2312>\xd6\xd0\xff"},
#else
      {"<meta charset=GB2312>\xd6\xd0\xff", "<meta charset=GB2312>\xd6\xd0?"},
#endif
      // Big5's 中 is A4 A4.
      {"<meta charset=big5>\xa4\xa4", "<meta charset=big5>\xd6\xd0"},
      // A UTF-8 byte-order mark goes; characters code page 936 lacks and broken sequences
      // become "?" and the rest is kept.
      {Text("\xef\xbb\xbf<meta charset=utf-8>"), "<meta charset=utf-8>"},
      {"<meta charset=utf-8>\xf0\x9f\x98\x80|\xff|\xe4\xb8", "<meta charset=utf-8>?|?|?"},
  };
  for (const auto& [body, expected] : cases) EXPECT_EQ(Decode(body), expected) << body;
}

TEST(DecodeResponseBody, UnknownCharsetKeepsTheText) {
  const Text body = Text("<meta charset=x-no-such-charset>") + kUtf8Chinese;
  EXPECT_EQ(Decode(body), body);
}

TEST(DecodeResponseBody, LooksOnlyAtTheFirst1024Bytes) {
  const Text tag = "<meta charset=utf-8>";
  Text late = Text(1024, ' ') + tag + kUtf8Chinese;
  EXPECT_EQ(Decode(late), late);
  Text early = Text(1024 - tag.size(), ' ') + tag + kUtf8Chinese;
  EXPECT_EQ(Decode(early), Text(1024 - tag.size(), ' ') + tag + kGbkChinese);
}

TEST(DecodeResponseBody, ZeroByteEndsTheTextButNotTheDecodedBody) {
  // Detection sees only the text before the zero byte.
  EXPECT_EQ(Decode(Text("ab\0<meta charset=utf-8>", 23)), "ab");
  // The conversion is given every byte; the decoded text still ends at the zero.
  const Text body = Text("<meta charset=utf-8>") + kUtf8Chinese + Text(1, '\0') + "x";
  EXPECT_EQ(Decode(body), Text("<meta charset=utf-8>") + kGbkChinese);
}

TEST(DecodeResponseBody, LetsPendingEventsRunOnceWhenTheSearchRan) {
  int runs = 0;
  SetPendingEventsHook([&runs] { ++runs; });
  RegexObject regex;
  DecodeResponseBody(BodyOf("{}"), regex);
  DecodeResponseBody(Text("<meta charset=utf-8>") + kUtf8Chinese, regex);
  SetPendingEventsHook(nullptr);
  EXPECT_EQ(runs, 2);
}

TEST(DecodeResponseBody, LeavesTheSearchInTheCallersRegex) {
  RegexObject regex;
  DecodeResponseBody(BodyOf("<meta charset=\"koi8-r\">"), regex);
  EXPECT_EQ(regex.SubmatchText(1, 1), "koi8-r");
}

TEST(ConvertCharsetToAnsi, RefusesUnknownNamesAndConversionFlags) {
  EXPECT_FALSE(ConvertCharsetToAnsi(BodyOf("a"), "no-such-charset"));
  EXPECT_FALSE(ConvertCharsetToAnsi(BodyOf("a"), "utf-8//IGNORE"));
  EXPECT_FALSE(ConvertCharsetToAnsi(BodyOf("a"), ""));
  EXPECT_EQ(ConvertCharsetToAnsi(BodyOf("a\xe9"), "ISO-8859-1"), "a\xa8\xa6");  // é
  EXPECT_EQ(ConvertCharsetToAnsi(BodyOf(Text("a\0b\0", 4)), "unicode"), "ab");
}

}  // namespace
}  // namespace quarvel
