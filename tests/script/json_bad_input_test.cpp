// Input that is malformed, truncated, hostile or extreme: every answer is defined, nothing
// crashes and nothing recurses without bound.
#include <gtest/gtest.h>

#include <string>

#include "script/json_object.h"

namespace quarvel {
namespace {

TEST(JsonBadInput, EveryTruncationOfAReplyIsRejected) {
  const Text reply =
      R"({"proxies":[{"name":"a\"b","conf":{"remote_port":6000,"x":[1.5e3,true,null]}},)"
      R"({"name":"c","conf":null}],"n":-0.25})";
  for (size_t length = 0; length < reply.size(); ++length) {
    JsonObject object;
    EXPECT_FALSE(object.Parse(reply.substr(0, length))) << length;
    EXPECT_EQ(object.ToJsonText(), length == 0 ? "" : "null") << length;
  }
  JsonObject whole;
  EXPECT_TRUE(whole.Parse(reply));
  EXPECT_EQ(whole.ToJsonText(),
            R"({"proxies":[{"name":"a\"b","conf":{"remote_port":6000,"x":[1500,true,null]}},)"
            R"({"name":"c","conf":null}],"n":-0.25})");
}

TEST(JsonBadInput, NulEndsTheText) {
  JsonObject object;
  EXPECT_TRUE(object.Parse(Text("{\"a\":1}\0garbage", 15)));
  EXPECT_EQ(object.ToJsonText(), R"({"a":1})");
  EXPECT_FALSE(object.Parse(Text("{\"a\":\"x\0y\"}", 11)));
  EXPECT_FALSE(object.Parse(Text("\0{}", 3)));
  EXPECT_EQ(object.ToJsonText(), "");  // nothing before the NUL: undefined
  // An escaped NUL is a character like any other; a plain read stops at it.
  EXPECT_TRUE(object.Parse(R"({"a":"x\u0000y"})"));
  EXPECT_EQ(object.ToJsonText(), R"({"a":"x\u0000y"})");
  EXPECT_EQ(object.ValueText("a"), "x");
}

TEST(JsonBadInput, LoneSurrogatesAreRejected) {
  for (const char* text : {R"(["\ud800"])", R"(["\udc00"])", R"(["a\ud83dx"])",
                           R"(["\ude00\ud83d"])", R"({"\udfff":1})", R"(["\ud800\u0041"])"}) {
    JsonObject object;
    EXPECT_FALSE(object.Parse(text)) << text;
    EXPECT_EQ(object.ToJsonText(), "null") << text;
  }
  JsonObject pair;
  EXPECT_TRUE(pair.Parse(R"(["\ud83d\ude00"])"));
}

TEST(JsonBadInput, HugeNumbersBecomeInfinity) {
  struct Case {
    Text text;
    bool parsed;
    Text json;
  };
  const Case cases[] = {
      {"1e400", true, "null"},
      {"[1e400,-1e400,1e-400,2]", true, "[null,null,0,2]"},
      {"[1" + std::string(400, '0') + "]", true, "[null]"},
      {R"({"a":"1e400","b":1E+999})", true, R"({"a":"1e400","b":null})"},
      {"[1e400,Infinity]", false, "null"},  // a bare word stays rejected
      {"[1e400,NaN]", false, "null"},
      {"[1e400,]", false, "null"},
      {"[1e400", false, "null"},
      {"[1e99999999999999999999]", true, "[null]"},
      {"[0.0000001e310]", true, "[1e+303]"},
      {"[0e40,0.000e400,-0e-999,0.5e1]", true, "[0,0,0,5]"},  // zero with any exponent
      {"[1e400,01]", false, "null"},
      {"[1e400,1.]", false, "null"},
  };
  for (const Case& c : cases) {
    JsonObject object;
    EXPECT_EQ(object.Parse(c.text), c.parsed) << c.text;
    EXPECT_EQ(object.ToJsonText(), c.json) << c.text;
  }
  JsonObject object;
  object.Parse("[1e400,-1e400]");
  EXPECT_EQ(object.TypeOf("[0]"), JsonType::kOther);
  EXPECT_EQ(object.ItemText(0), "Infinity");
  EXPECT_EQ(object.ItemText(1), "-Infinity");
}

TEST(JsonBadInput, DeepNestingNeverExhaustsTheStack) {
  constexpr size_t kDepth = 1000000;
  const Text arrays = std::string(kDepth, '[') + std::string(kDepth, ']');
  JsonObject object;
  ASSERT_TRUE(object.Parse(arrays));
  EXPECT_EQ(object.ToJsonText(), arrays);
  EXPECT_EQ(object.MemberCount(), 1);
  EXPECT_EQ(object.ValueText("[0][0][0]"), "");  // joined: empty arrays all the way
  JsonObject copy = object.ValueObject("[0]");
  EXPECT_EQ(copy.ToJsonText().size(), arrays.size() - 2);
  object.RemovePathItem("x[0]");

  Text objects;
  for (size_t i = 0; i < kDepth; ++i) objects += "{\"a\":";
  objects += "1" + std::string(kDepth, '}');
  ASSERT_TRUE(object.Parse(objects));
  EXPECT_EQ(object.ToJsonText(), objects);
  EXPECT_EQ(object.ValueObject("a").MemberCount(), 1);

  // Unbalanced depth: rejected, not a crash.
  EXPECT_FALSE(object.Parse(std::string(kDepth, '[')));
  // Deep raw values go the same way.
  JsonObject target;
  target.SetMember("deep", arrays, true);
  EXPECT_EQ(target.MemberJson("deep"), arrays);
  target.Clear();
}

TEST(JsonBadInput, MalformedPathsAnswerZeroValues) {
  JsonObject object;
  object.Parse(R"({"a":{"b":[1,2]},"s":"x"})");
  const Text paths[] = {"a.",
                        ".a",
                        "a..b",
                        "a[",
                        "a[]",
                        "a[b]",
                        "a['b]",
                        "a[\"b']",
                        "a[0",
                        "a]",
                        "a b",
                        "a.b()",
                        "a.b[0]=1",
                        "1a",
                        "a['b'\n]x",
                        "a.b[-]",
                        "a.b[9999999999999999]",
                        "\xb6",
                        "a;while(1){}"};
  for (const Text& path : paths) {
    EXPECT_EQ(object.ValueText(path), "") << path;
    EXPECT_EQ(object.ValueText(path, true), "") << path;
    EXPECT_EQ(object.MemberCount(path), 0) << path;
    EXPECT_FALSE(object.HasMember(path)) << path;
    EXPECT_EQ(object.ValueObject(path).ToJsonText(), "") << path;
    object.SetMember(path, "x");
    object.DeleteMember(path);
    object.PushItem("x", path);
  }
  EXPECT_EQ(object.ToJsonText(), R"({"a":{"b":[1,2]},"s":"x"})");
}

TEST(JsonBadInput, InvalidCodePageBytesAreReplaced) {
  // A lead byte without its trail byte is not code page 936; it reads as "?".
  JsonObject object;
  EXPECT_TRUE(object.Parse("[\"a\xb6\"]"));
  EXPECT_EQ(object.ToJsonText(), "[\"a?\"]");
}

}  // namespace
}  // namespace quarvel
