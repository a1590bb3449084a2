// The editing operations: setting, pushing, removing and resetting.
#include <gtest/gtest.h>

#include <limits>

#include "script/json_object.h"
#include "tests/script/parsed_json.h"

namespace quarvel {
namespace {

TEST(JsonEdit, SetMemberStoresStringsExactly) {
  // Quotes, backslashes and line breaks are kept as they are: the value is data.
  const Text values[] = {"x", "it's", "back\\slash", "two\nlines", "'+da.x+'", "\"q\"", ""};
  for (const Text& value : values) {
    JsonObject object;
    object.SetMember("a", value);
    EXPECT_EQ(object.ValueText("a"), value);
    EXPECT_EQ(object.TypeOf("a"), JsonType::kString);
  }
  JsonObject object;
  object.SetMember("a", "it's\n\"x\"\\");
  EXPECT_EQ(object.ToJsonText(), R"({"a":"it's\n\"x\"\\"})");
  object.SetMember("cn", "\xb6\xcb\xbf\xda");  // 端口
  EXPECT_EQ(object.ValueText("cn"), "\xb6\xcb\xbf\xda");
}

TEST(JsonEdit, SetMemberRawTakesJsonOnly) {
  struct Case {
    Text value;
    Text json;  // the whole value afterwards, starting from {"k":0}
  };
  const Case cases[] = {
      {"[1,2]", R"({"k":0,"a":[1,2]})"},
      {"", R"({"k":0,"a":{}})"},
      {" {\"b\" : null} ", R"({"k":0,"a":{"b":null}})"},
      {"7.5", R"({"k":0,"a":7.5})"},
      {"\"s\"", R"({"k":0,"a":"s"})"},
      {"1e400", R"({"k":0,"a":null})"},  // an infinity, written null
      {"{", R"({"k":0})"},
      {"x", R"({"k":0})"},
      {"da.k", R"({"k":0})"},
      {"while(true){}", R"({"k":0})"},
      {"[1,2", R"({"k":0})"},
  };
  for (const Case& c : cases) {
    JsonObject object = Parsed(R"({"k":0})");
    object.SetMember("a", c.value, true);
    EXPECT_EQ(object.ToJsonText(), c.json) << c.value;
  }
  JsonObject object = Parsed(R"({"k":0})");
  object.SetMemberJson("a", "");  // empty is no JSON: unlike SetMember, no {}
  object.SetMemberJson("b", "[true]");
  EXPECT_EQ(object.ToJsonText(), R"({"k":0,"b":[true]})");
}

TEST(JsonEdit, AssignmentFollowsPaths) {
  JsonObject object = Parsed(R"({"a":{"b":1},"arr":[0],"n":5,"z":null})");
  object.SetMember("a.b", "replaced");  // in place
  object.SetMember("a.c", "added");     // at the end
  object.SetMember("a['d e']", "quoted");
  object.SetMember("arr[2]", "padded");
  object.SetMember("missing.x", "lost");  // parent missing: nothing
  object.SetMember("z.x", "lost");        // member of null: nothing
  object.SetMember("n.x", "lost");        // member of a number is not kept
  object.SetMember("arr.length", "lost");
  object.SetMember("[0]", "lost");  // member-only join: malformed
  object.SetMember("", "lost");
  object.SetMember("a.b;x", "lost");
  EXPECT_EQ(
      object.ToJsonText(),
      R"({"a":{"b":"replaced","c":"added","d e":"quoted"},"arr":[0,null,"padded"],"n":5,"z":null})");
}

TEST(JsonEdit, SetMemberNumberWritesThirteenDigits) {
  JsonObject object;
  object.SetMemberNumber("n", 0.1);
  object.SetMemberNumber("m", 7000);
  object.SetMemberNumber("p", 3.14159265358979);
  object.SetMemberNumber("q", 1e21);
  object.SetMemberNumber("nan", std::numeric_limits<double>::quiet_NaN());
  object.SetMemberNumber("inf", std::numeric_limits<double>::infinity());
  EXPECT_EQ(object.ToJsonText(), R"({"n":0.1,"m":7000,"p":3.14159265359,"q":1e+21})");
}

TEST(JsonEdit, SetValueAndReset) {
  JsonObject object;
  object.SetValue("abc");
  EXPECT_EQ(object.ToJsonText(), "\"abc\"");
  object.SetValue("[]", true);
  EXPECT_EQ(object.ToJsonText(), "[]");
  object.SetValue("not json", true);
  EXPECT_EQ(object.ToJsonText(), "[]");
  object.Parse("");
  object.SetValue("1", true);  // an undefined value can be assigned
  EXPECT_EQ(object.ToJsonText(), "1");

  struct Case {
    JsonType type;
    Text json;
  };
  const Case cases[] = {{JsonType::kArray, "[]"},   {JsonType::kObject, "{}"},
                        {JsonType::kNone, "{}"},    {JsonType::kNumber, "[1]"},
                        {JsonType::kString, "[1]"}, {JsonType::kOther, "[1]"}};
  for (const Case& c : cases) {
    JsonObject value = Parsed("[1]");
    value.Reset(c.type);
    EXPECT_EQ(value.ToJsonText(), c.json) << static_cast<int>(c.type);
  }
  JsonObject cleared = Parsed("[1]");
  cleared.Clear();
  EXPECT_EQ(cleared.ToJsonText(), "{}");
}

TEST(JsonEdit, PushItem) {
  JsonObject object = Parsed(R"({"x":1})");
  object.PushItem("a", "x");
  EXPECT_EQ(object.ToJsonText(), R"({"x":["a"]})");
  object.PushItem("a", "x");
  EXPECT_EQ(object.ToJsonText(), R"({"x":["a","a"]})");
  object.PushItem("{\"k\":[]}", "x", true);
  object.PushItem("nope", "x", true);  // not JSON: nothing
  object.PushItem("v", "y");           // a missing member becomes a new array
  object.PushItem("v", "m.y");         // a missing parent: nothing
  EXPECT_EQ(object.ToJsonText(), R"({"x":["a","a",{"k":[]}],"y":["v"]})");
  JsonObject whole;
  whole.PushItem("5", "", true);
  EXPECT_EQ(whole.ToJsonText(), "[5]");
  whole.PushItem("it's");
  EXPECT_EQ(whole.ToJsonText(), R"([5,"it's"])");
}

TEST(JsonEdit, SetItemWorksOnTheWholeValue) {
  JsonObject array = Parsed(R"(["a"])");
  array.SetItem(1, "b");
  EXPECT_EQ(array.ToJsonText(), R"(["a","b"])");
  JsonObject padded = Parsed(R"(["a"])");
  padded.SetItem(3, "b");
  EXPECT_EQ(padded.ToJsonText(), R"(["a",null,null,"b"])");
  padded.SetItem(0, "{}", true);
  padded.SetItem(-1, "x");          // no element: nothing
  padded.SetItem(2000000000, "x");  // too far past the end: nothing
  EXPECT_EQ(padded.ToJsonText(), R"([{},null,null,"b"])");
  JsonObject object = Parsed(R"({"a":1})");
  object.SetItem(1, "b");  // an object gets the member named 1
  EXPECT_EQ(object.ToJsonText(), R"({"a":1,"1":"b"})");
  JsonObject null = Parsed("null");
  null.SetItem(0, "b");
  EXPECT_EQ(null.ToJsonText(), "null");
}

TEST(JsonEdit, RemoveItemSplices) {
  struct Case {
    int index;
    Text json;
  };
  const Case cases[] = {{0, "[2,3]"},  {-1, "[1,2]"}, {2, "[1,2]"}, {3, "[1,2,3]"},
                        {-3, "[2,3]"}, {-9, "[2,3]"}, {1, "[1,3]"}};
  for (const Case& c : cases) {
    JsonObject object = Parsed("[1,2,3]");
    object.RemoveItem(c.index);
    EXPECT_EQ(object.ToJsonText(), c.json) << c.index;
  }
  JsonObject object = Parsed(R"({"0":1})");
  object.RemoveItem(0);
  EXPECT_EQ(object.ToJsonText(), R"({"0":1})");
}

TEST(JsonEdit, RemovePathItemHonoursTheFirstBracket) {
  struct Case {
    Text json;
    Text path;
    Text after;
  };
  const Case cases[] = {
      {R"({"list":[1,2,3]})", "list[1]", R"({"list":[1,3]})"},
      {R"({"list":[1,2,3]})", "list", R"({"list":[1,2,3]})"},
      {R"({"list":[1,2,3]})", "list[x]", R"({"list":[2,3]})"},  // no digits: 0
      {R"({"list":[1,2,3]})", "list[1", R"({"list":[2,3]})"},   // no "]": 0
      {R"({"list":[1,2,3]})", "list[-1]", R"({"list":[1,2]})"},
      {R"({"list":[1,2,3]})", "list[ 2z]", R"({"list":[1,2]})"},
      {R"({"a":[[1,2],[3,4]]})", "a[1].b[0]", R"({"a":[[1,2]]})"},
      {R"({"a":{"b":[5,6]}})", "a.b[0]", R"({"a":{"b":[6]}})"},
      {R"({"s":"text"})", "s[0]", R"({"s":"text"})"},
      {R"({"list":[1]})", "missing[0]", R"({"list":[1]})"},
      {R"({"list":[1]})", "[0]", R"({"list":[1]})"},
  };
  for (const Case& c : cases) {
    JsonObject object = Parsed(c.json);
    object.RemovePathItem(c.path);
    EXPECT_EQ(object.ToJsonText(), c.after) << c.path;
  }
}

TEST(JsonEdit, DeleteMember) {
  JsonObject object = Parsed(R"({"a":1,"b":2,"c":{"d":[1,2]}})");
  object.DeleteMember("a");
  object.DeleteMember("missing");
  object.DeleteMember("missing.x");
  object.DeleteMember("c.d[0]");  // an element leaves a hole, written null
  EXPECT_EQ(object.ToJsonText(), R"({"b":2,"c":{"d":[null,2]}})");
  object.DeleteMember("b");
  object.DeleteMember("c");
  EXPECT_EQ(object.ToJsonText(), "{}");
}

TEST(JsonEdit, MemberNamesListsRealNames) {
  std::vector<Text> names = {"stale", "old"};
  const JsonObject object = Parsed(R"({"id":1,"name":"x"})");
  EXPECT_EQ(object.MemberNames(names), 2);
  EXPECT_EQ(names, (std::vector<Text>{"id", "name"}));
  EXPECT_EQ(Parsed("[]").MemberNames(names), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(Parsed("[7,8]").MemberNames(names), 2);
  EXPECT_EQ(names, (std::vector<Text>{"0", "1"}));
  // Commas and the endings of the engine's helper names stay part of a name.
  const JsonObject odd =
      Parsed("{\"a,b\":1,\"xtoJSONString\":2,\"parseJSON\":3,\"\":4,\"\\u540d\\u79f0,\\u7532\":5}");
  EXPECT_EQ(odd.MemberNames(names), 5);
  EXPECT_EQ(names, (std::vector<Text>{"a,b", "xtoJSONString", "parseJSON", "",
                                      "\xc3\xfb\xb3\xc6,\xbc\xd7"}));  // 名称,甲
  EXPECT_EQ(object.MemberNames(names, "name"), 0);
  EXPECT_EQ(object.MemberNames(names, "missing.x"), 0);
  EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace quarvel
