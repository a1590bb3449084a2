// Parsing, JSON text, reading by path and sharing between copies.
#include "script/json_object.h"

#include <gtest/gtest.h>

#include <cmath>

#include "script/json_document.h"
#include "tests/script/parsed_json.h"

namespace quarvel {
namespace {

TEST(JsonParse, AnswersAndLeavesTheValue) {
  struct Case {
    Text text;
    bool parsed;
    Text json;  // ToJsonText afterwards
  };
  const Case cases[] = {
      {R"({"a":1,"b":[1,2]})", true, R"({"a":1,"b":[1,2]})"},
      {"[]", true, "[]"},
      {"false", true, "false"},
      {"0", true, "0"},
      {"true", true, "true"},
      {" \r\n\t{ \"a\" : [ 1 , { } ] } \n", true, R"({"a":[1,{}]})"},
      {"null", false, "null"},
      {"", false, ""},       // undefined
      {"  \n ", false, ""},  // white space only: undefined too
      {"{\"a\":", false, "null"},
      {"{\"a\":1}}", false, "null"},
      {"{'a':1}", false, "null"},  // script, not JSON
      {"[1,]", false, "null"},
      {"01", false, "null"},
      {"undefined", false, "null"},
      {"function(){}", false, "null"},
      {"1,2", false, "null"},
      {"\"abc\"", true, "\"abc\""},  // a top-level string is a string value
  };
  for (const Case& c : cases) {
    JsonObject object;
    EXPECT_EQ(object.Parse(c.text), c.parsed) << c.text;
    EXPECT_EQ(object.ToJsonText(), c.json) << c.text;
  }
}

TEST(JsonParse, RepeatedNameKeepsFirstPlaceAndLastValue) {
  EXPECT_EQ(Parsed(R"({"a":1,"b":2,"a":3})").ToJsonText(), R"({"a":3,"b":2})");
  EXPECT_EQ(Parsed(R"({"x":{"a":1,"a":{"c":1},"b":0,"a":[2]}})").ToJsonText(),
            R"({"x":{"a":[2],"b":0}})");
  // Large objects take another route to notice repeats.
  std::string json = "{";
  for (int i = 0; i < 100; ++i) json += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
  json += "\"k7\":\"last\"}";
  JsonObject object = Parsed(json);
  EXPECT_EQ(object.MemberCount(), 100);
  EXPECT_EQ(object.ValueText("k7"), "last");
  std::vector<Text> names;
  object.MemberNames(names);
  EXPECT_EQ(names[7], "k7");
  // The same through a raw value, whose strings are copied out of the parser's scratch.
  JsonObject target;
  target.SetMember("o", json, true);
  EXPECT_EQ(target.MemberCount("o"), 100);
  EXPECT_EQ(target.ValueText("o.k7"), "last");
}

// Plain replies take a quick route and everything else the full one; both must give the
// same value, whichever side of the line a text falls on.
TEST(JsonParse, PlainAndOtherTextsReadAlike) {
  struct Case {
    Text in;
    Text out;
  };
  const Case cases[] = {
      {R"({"a":[1,-2,0,-0,true,false,null,"x",{},[]]})",
       R"({"a":[1,-2,0,0,true,false,null,"x",{},[]]})"},
      {R"([123456789012345,-12345678901234,1234567890123456])",
       R"([123456789012345,-12345678901234,1234567890123456])"},
      {R"([1.0,1e2,-0.0,"a\"b","\u0041"])", R"([1,100,0,"a\"b","A"])"},
      // Code page 936 trail bytes that are a backslash in ASCII: read as characters, not
      // as escapes.
      {"{\"\x81\x5c\":\"\x95\x5c\"}", "{\"\x81\x5c\":\"\x95\x5c\"}"},
      {"[\"\x81\x5c\",1]", "[\"\x81\x5c\",1]"},
      // Long names that share their first and last bytes stay apart.
      {R"({"aaaaaaaaaa_1_bbbbbbbbbb":1,"aaaaaaaaaa_2_bbbbbbbbbb":2})",
       R"({"aaaaaaaaaa_1_bbbbbbbbbb":1,"aaaaaaaaaa_2_bbbbbbbbbb":2})"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parsed(c.in).ToJsonText(), c.out) << c.in;
  }
  for (const Text& rejected :
       {Text("[1,2"), Text("[01]"), Text("[1.]"), Text("{\"a\" 1}"), Text("[tru]"),
        Text("[\"\x81\x5c]"), Text("{\"a\":1,}"), Text("[\"a\tb\"]")}) {
    JsonObject object;
    EXPECT_FALSE(object.Parse(rejected)) << rejected;
    EXPECT_EQ(object.ToJsonText(), "null") << rejected;
  }
}

// Many objects with many distinct names: every name keeps its own text.
TEST(JsonParse, ManyDistinctNamesStayDistinct) {
  std::string json = "[";
  for (int i = 0; i < 3000; ++i) {
    if (i > 0) json += ',';
    json += "{\"";
    json.append(20, 'n');
    json += std::to_string(i);
    json += "\":1,\"same_name_in_every_one\":";
    json += std::to_string(-i);
    json += '}';
  }
  json += "]";
  const JsonObject object = Parsed(json);
  ASSERT_EQ(object.MemberCount(), 3000);
  for (int i : {0, 1, 255, 256, 1024, 2999}) {
    std::string element(1, '[');
    element += std::to_string(i);
    element += ']';
    std::vector<Text> names;
    object.MemberNames(names, element);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], std::string(20, 'n') + std::to_string(i));
    EXPECT_EQ(object.ValueText(element + ".same_name_in_every_one"), std::to_string(-i));
  }
}

TEST(JsonText, WritesTheEngineForm) {
  struct Case {
    Text in;
    Text out;
  };
  const Case cases[] = {
      {R"({ "b" : 1, "a" : 2 })", R"({"b":1,"a":2})"},  // insertion order, compact
      {R"(["\/","/","\u0041"])", R"(["/","/","A"])"},
      {R"(["\"\\\b\f\n\r\t"])", R"(["\"\\\b\f\n\r\t"])"},
      {R"(["\u0000\u0001\u001f\u007f\u0080\u009f\u00ad"])",
       R"(["\u0000\u0001\u001f\u007f\u0080\u009f\u00ad"])"},
      {R"(["\u0600\u0604\u070f\u17b4\u17b5\u200c\u200f\u2028\u202f\u2060\u206f\ufeff\ufff0\uffff"])",
       R"(["\u0600\u0604\u070f\u17b4\u17b5\u200c\u200f\u2028\u202f\u2060\u206f\ufeff\ufff0\uffff"])"},
      {R"(["\u00ae\u0605\u200b\u2031\u205f\u2070"])",
       "[\"?"
       "?"
       "?"
       "?"
       "?"
       "?\"]"},                                              // not escaped, not in CP936
      {R"(["\u7aef\u53e3"])", "[\"\xb6\xcb\xbf\xda\"]"},     // 端口
      {"[\"\xb6\xcb\xbf\xda\"]", "[\"\xb6\xcb\xbf\xda\"]"},  // 端口
      {"[\"\\uD83D\\uDE00\"]", "[\"?\"]"},  // a pair is one character, beyond CP936
      // Numbers: shortest digits, plain from 1e-6 to below 1e21.
      {"[0.1,1234567.25,-0.5,7000,1e21,1e-7,1.5e-7,123e18,0.000001,1e300,-0.0,100]",
       "[0.1,1234567.25,-0.5,7000,1e+21,1e-7,1.5e-7,123000000000000000000,0.000001,1e+300,0,100]"},
      {"[12345678901234567890,9007199254740993,-9223372036854775808,4294967296]",
       "[12345678901234567000,9007199254740992,-9223372036854776000,4294967296]"},
      {"[0.30000000000000004,5e-324,1.7976931348623157e308,2.5e-7,1e-6]",
       "[0.30000000000000004,5e-324,1.7976931348623157e+308,2.5e-7,0.000001]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parsed(c.in).ToJsonText(), c.out) << c.in;
  }
}

TEST(JsonRead, ValueTextByPath) {
  const JsonObject object =
      Parsed(R"({"bind_port":7000,"version":"0.29.0","half":0.5,"q":1234567.25,"big":1e14,)"
             R"("tiny":0.00001,"z":null,"t":true,"f":false,"o":{"x":1},"a":[1,"b",null,[2,3],{}],)"
             R"("s":"line\nbreak","n":{"deep":{"er":42}},"cn":"\u7aef\u53e3"})");
  struct Case {
    Text path;
    Text text;
    Text json;
  };
  const Case cases[] = {
      {"bind_port", "7000", "7000"},
      {"version", "0.29.0", "\"0.29.0\""},
      {"half", "0.5", "0.5"},
      {"q", "1234567.25", "1234567.25"},
      {"big", "1e+14", "100000000000000"},
      {"tiny", "1e-05", "0.00001"},
      {"z", "", "null"},
      {"missing", "", ""},
      {"missing.x", "", ""},
      {"z.x", "", ""},  // a member of null
      {"t", "true", "true"},
      {"f", "false", "false"},
      {"o", "[object Object]", R"({"x":1})"},
      {"a", "1,b,,2,3,[object Object]", R"([1,"b",null,[2,3],{}])"},
      {"a[1]", "b", "\"b\""},
      {"a[3][1]", "3", "3"},
      {"a[9]", "", ""},
      {"a.length", "5", "5"},
      {"version.length", "6", "6"},
      {"s", "line\nbreak", "\"line\\nbreak\""},
      {"n.deep.er", "42", "42"},
      {"n['deep'][\"er\"]", "42", "42"},
      {" n . deep [ 'er' ] ", "42", "42"},
      {"cn", "\xb6\xcb\xbf\xda", "\"\xb6\xcb\xbf\xda\""},  // 端口
      {"", "", ""},
      {"bind_port;x", "", ""},
      {"bind_port=1", "", ""},
      {"a[1", "", ""},
      {"a[01]", "", ""},
      {"a[1.5]", "", ""},
      {"toJSONString", "", ""},  // nothing inherited
  };
  for (const Case& c : cases) {
    EXPECT_EQ(object.ValueText(c.path), c.text) << c.path;
    EXPECT_EQ(object.ValueText(c.path, true), c.json) << c.path;
  }
}

TEST(JsonRead, LeadingBracketJoinsToTheValueForReadsOnly) {
  const JsonObject array = Parsed(R"([{"a":1},{"b":2,"c":3},7.25])");
  EXPECT_EQ(array.MemberCount("[1]"), 2);
  EXPECT_EQ(array.ValueText("[0].a"), "1");
  EXPECT_EQ(array.ValueText("[1]", true), R"({"b":2,"c":3})");
  // The type is asked with the member-only join, which a bracket cannot follow: -1, and
  // the number is read in the engine's own form rather than "%.13g".
  EXPECT_EQ(array.TypeOf("[2]"), JsonType::kOther);
  EXPECT_EQ(Parsed("[1e14]").ValueText("[0]"), "100000000000000");
  EXPECT_EQ(array.ValueObject("[0]").ToJsonText(), R"({"a":1})");
  std::vector<Text> names;
  EXPECT_EQ(array.MemberNames(names, "[1]"), 2);
  EXPECT_FALSE(array.HasMember("[0]"));
}

TEST(JsonRead, PortListShapeThroughValueObject) {
  const JsonObject reply = Parsed(
      R"({"proxies":[{"conf":{"remote_port":6000}},{"conf":null},{"conf":{"remote_port":null}},)"
      R"({"name":"x"},{"conf":{"remote_port":"6002"}},)"
      // The port at other places than in the proxy before.
      R"({"conf":{"a":1,"remote_port":6003}},{"conf":{"b":2,"c":3}},)"
      R"({"conf":{"remote_port_":1,"remote_porT":2,"remote_port":6004}}]})");
  ASSERT_EQ(reply.MemberCount("proxies"), 8);
  const Text expected[] = {"6000", "", "null", "", "\"6002\"", "6003", "", "6004"};
  for (int i = 0; i < 8; ++i) {
    const JsonObject port =
        reply.ValueObject("proxies[" + std::to_string(i) + "].conf['remote_port']");
    EXPECT_EQ(port.ToJsonText(), expected[i]) << i;
  }
  EXPECT_EQ(Parsed("{}").MemberCount("proxies"), 0);
}

TEST(JsonRead, MemberCountOfEachKind) {
  const JsonObject object =
      Parsed(R"({"o":{"a":1,"b":2},"a":[1,2,3],"e":[],"s":"abc","n":5,"z":null})");
  EXPECT_EQ(object.MemberCount(), 6);
  EXPECT_EQ(object.MemberCount("o"), 2);
  EXPECT_EQ(object.MemberCount("a"), 3);
  EXPECT_EQ(object.MemberCount("e"), 0);
  for (const char* path : {"s", "n", "z", "missing", "missing.x", "a[", "["}) {
    EXPECT_EQ(object.MemberCount(path), 0) << path;
  }
}

TEST(JsonRead, TypeOfAndHasMember) {
  const JsonObject object =
      Parsed(R"({"s":"x","n":1,"b":true,"o":{},"a":[],"z":null,"zero":0,"e":""})");
  struct Case {
    Text path;
    JsonType type;
    bool has;
  };
  const Case cases[] = {
      {"s", JsonType::kString, true},        {"n", JsonType::kNumber, true},
      {"b", JsonType::kBoolean, true},       {"o", JsonType::kObject, true},
      {"a", JsonType::kArray, true},         {"z", JsonType::kNone, false},
      {"missing", JsonType::kNone, false},   {"missing.x", JsonType::kOther, false},
      {"zero", JsonType::kNumber, true},     {"e", JsonType::kString, true},
      {"a.length", JsonType::kNumber, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(object.TypeOf(c.path), c.type) << c.path;
    EXPECT_EQ(object.HasMember(c.path), c.has) << c.path;
  }
  EXPECT_EQ(object.TypeOf(), JsonType::kObject);
  EXPECT_EQ(Parsed("[1]").TypeOf(), JsonType::kArray);
  EXPECT_EQ(Parsed("").TypeOf(), JsonType::kNone);
  EXPECT_EQ(Parsed("").TypeOf("x"), JsonType::kOther);
}

TEST(JsonRead, MemberNumberConvertsLikeTheEngine) {
  const JsonObject object =
      Parsed(R"({"n":2.5,"s":" 12 ","w":"abc","e":"","t":true,"z":null,"o":{}})");
  EXPECT_EQ(object.MemberNumber("n"), 2.5);
  EXPECT_EQ(object.MemberNumber("s"), 12);
  EXPECT_EQ(object.MemberNumber("w"), 0);
  EXPECT_EQ(object.MemberNumber("e"), 0);
  EXPECT_EQ(object.MemberNumber("t"), 1);
  EXPECT_EQ(object.MemberNumber("z"), 0);
  EXPECT_EQ(object.MemberNumber("o"), 0);
  EXPECT_EQ(object.MemberNumber("missing.x"), 0);
  EXPECT_EQ(object.MemberJson("o"), "{}");
  EXPECT_EQ(object.MemberJson("missing"), "");
}

TEST(JsonRead, ItemTextAndItemObject) {
  const JsonObject array = Parsed(R"(["a",1e21,{"x":[true]}])");
  EXPECT_EQ(array.ItemText(0), "a");
  EXPECT_EQ(array.ItemText(0, "", true), "\"a\"");
  EXPECT_EQ(array.ItemText(1), "1e+21");      // the engine's form, not "%.13g"
  EXPECT_EQ(array.ItemText(0, "[2].x"), "");  // member-only join: no leading bracket
  EXPECT_EQ(array.ItemObject(2).ToJsonText(), R"({"x":[true]})");
  EXPECT_EQ(array.ItemObject(3).ToJsonText(), "");
  EXPECT_EQ(array.ItemObject(-1).ToJsonText(), "");
  const JsonObject object = Parsed(R"({"x":{"y":["p","q"]}})");
  EXPECT_EQ(object.ItemText(1, "x.y"), "q");
  EXPECT_EQ(object.ItemObject(0, "x.y").ToJsonText(), "\"p\"");
}

TEST(JsonRead, ValueObjectIsAnIndependentCopy) {
  JsonObject object = Parsed(R"({"a":{"b":[1,{"c":"d"}]},"inf":1e400})");
  JsonObject part = object.ValueObject("a");
  object.SetMember("a.b", "changed");
  EXPECT_EQ(part.ToJsonText(), R"({"b":[1,{"c":"d"}]})");
  part.SetMember("b", "mine");
  EXPECT_EQ(object.ToJsonText(), R"({"a":{"b":"changed"},"inf":null})");
  // A copy goes as through JSON text: an infinity arrives as null.
  EXPECT_EQ(object.ValueObject("inf").ToJsonText(), "null");
  EXPECT_EQ(object.ValueText("inf"), "inf");
  // The copy outlives the object it came from, strings included.
  JsonObject name = Parsed(R"({"n":"some name"})").ValueObject("n");
  EXPECT_EQ(name.ToJsonText(), "\"some name\"");
}

TEST(JsonCopy, SharesTheValueUntilParse) {
  JsonObject a = Parsed(R"({"x":1})");
  JsonObject c = a.Copy();
  a.SetMember("y", "2");
  EXPECT_EQ(c.ToJsonText(), R"({"x":1,"y":"2"})");
  c.Clear();
  EXPECT_EQ(a.ToJsonText(), "{}");
  EXPECT_EQ(a.Engine(), c.Engine());
  a.Parse("[5]");
  EXPECT_EQ(c.ToJsonText(), "{}");
  EXPECT_EQ(a.ToJsonText(), "[5]");
  EXPECT_NE(a.Engine(), c.Engine());
  a.InitEngine();
  EXPECT_EQ(a.ToJsonText(), "{}");
}

TEST(JsonCopy, DestroyedObjectAnswersZeroValues) {
  JsonObject object = Parsed(R"({"a":1,"b":[1]})");
  JsonObject copy = object.Copy();
  object.Destroy();
  EXPECT_EQ(object.Engine(), nullptr);
  EXPECT_FALSE(object.Parse("{}"));
  EXPECT_EQ(object.ToJsonText(), "");
  EXPECT_EQ(object.ValueText("a"), "");
  EXPECT_EQ(object.MemberCount("b"), 0);
  EXPECT_EQ(object.TypeOf("a"), JsonType::kOther);
  object.SetMember("c", "x");
  object.PushItem("x");
  object.Reset(JsonType::kArray);
  EXPECT_EQ(object.ToJsonText(), "");
  EXPECT_EQ(object.ValueObject("a").ToJsonText(), "");
  EXPECT_EQ(copy.ToJsonText(), R"({"a":1,"b":[1]})");  // the copy keeps the value
}

}  // namespace
}  // namespace quarvel
