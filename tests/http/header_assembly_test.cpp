#include "http/header_assembly.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

constexpr char kUserAgentLine[] =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
constexpr char kAcceptLine[] = "Accept: text/html, application/xhtml+xml, */*";
constexpr char kEncodingLine[] = "Accept-Encoding: gbk, GB2312";
constexpr char kLanguageLine[] = "Accept-Language: zh-cn";
constexpr char kContentTypeLine[] = "Content-Type: application/x-www-form-urlencoded";
constexpr char kCacheLine[] = "Cache-Control: no-cache";

Text Lines(std::initializer_list<std::string_view> lines) {
  Text block;
  for (std::string_view line : lines) {
    if (!block.empty()) block += "\r\n";
    block += line;
  }
  return block;
}

TEST(BuildRequestHeaders, DashboardBlockLosesKeepAliveAndGainsCacheControl) {
  const Text profile = Lines({
      "Accept: */*",
      "Accept-Encoding: gzip, deflate, br",
      "Accept-Language: zh-CN,zh;q=0.9",
      "Authorization: Basic K7pQm2LxVt9sWc4=",
      "Connection: keep-alive",
      "Host: example.org:27500",
      "Referer: https://example.org:27500/static/",
      "User-Agent: Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/69.0.3497.100 Safari/537.36",
  });
  const Text expected = Lines({
      "Accept: */*",
      "Accept-Encoding: gzip, deflate, br",
      "Accept-Language: zh-CN,zh;q=0.9",
      "Authorization: Basic K7pQm2LxVt9sWc4=",
      "Host: example.org:27500",
      "Referer: https://example.org:27500/static/",
      "User-Agent: Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/69.0.3497.100 Safari/537.36",
      kCacheLine,
  });
  EXPECT_EQ(BuildRequestHeaders(profile, 0, ""), expected);
}

TEST(BuildRequestHeaders, EmptyBlockGetsTheDefaultsInOrder) {
  EXPECT_EQ(BuildRequestHeaders("", 0, ""),
            Lines({kUserAgentLine, kAcceptLine, kEncodingLine, kLanguageLine, kCacheLine}));
  EXPECT_EQ(BuildRequestHeaders("", 1, ""), Lines({kUserAgentLine, kAcceptLine, kEncodingLine,
                                                   kLanguageLine, kContentTypeLine, kCacheLine}));
}

struct BlockCase {
  const char* headers;
  int method;
  const char* cookies;
  bool complete;
  bool normalize;
  const char* expected;
};

TEST(BuildRequestHeaders, Cases) {
  const BlockCase cases[] = {
      // The probe is found ignoring case, and the name is capitalised.
      {"user-agent: x", 0, "", false, true, "User-Agent: x"},
      {"A: 1", 0, "", false, false, "A: 1\r\n"},
      // The probes need the space after the colon, except Content-Type's.
      {"Accept:text/plain", 0, "", false, true, "Accept:text/plain"},
      // Cookie lines.
      {"A: 1", 0, "a=1", false, true, "A: 1\r\nCookie: a=1\r\n"},
      {"A: 1", 0, "Cookie: a=1", false, true, "A: 1\r\nCookie: a=1\r\n"},
      {"A: 1", 0, "a=1", false, false, "A: 1\r\n\r\nCookie: a=1\r\n"},
      {"X-Cookie: 1", 0, "a=1", false, true, "X-Cookie: 1"},
      {"A: 1", 0, "", false, true, "A: 1"},
      // keep-alive: only the exact line with its CR LF goes.
      {"Connection: Keep-Alive\r\nA: 1", 0, "", false, true, "Connection: Keep-Alive\r\nA: 1"},
      {"A: 1\r\nConnection: keep-alive", 0, "", false, true, "A: 1\r\nConnection: keep-alive"},
      {"Connection: keep-alive\r\nA: 1", 0, "", false, false, "A: 1\r\n"},
      {"Connection: keep-alive\r\nA: 1", 0, "a=1", false, true, "A: 1\r\nCookie: a=1\r\n"},
      // A piece without a colon.
      {"garbage\r\nA: 1", 0, "", false, true, "A: 1"},
      {"garbage\r\nA: 1", 0, "", false, false, "garbage\r\nA: 1\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildRequestHeaders(c.headers, c.method, c.cookies, c.complete, c.normalize),
              c.expected)
        << c.headers << " / " << c.cookies;
  }
}

TEST(BuildRequestHeaders, ProbesAreFoundAnywhereInTheBlock) {
  // "accept: " inside a value stops the default Accept line.
  const Text block = BuildRequestHeaders("X-Note: we accept: all", 0, "");
  EXPECT_EQ(block.find(kAcceptLine), Text::npos) << block;
  EXPECT_NE(block.find(kUserAgentLine), Text::npos) << block;
  // The Accept-Encoding line added before satisfies no "Accept: " probe; both are added.
  const Text empty = BuildRequestHeaders("", 0, "");
  EXPECT_NE(empty.find(kAcceptLine), Text::npos);
  // The Content-Type probe needs no space after the colon.
  const Text post = BuildRequestHeaders("content-type:x", 1, "");
  EXPECT_EQ(post.find(kContentTypeLine), Text::npos) << post;
  EXPECT_EQ(post.find("Content-Type:x\r\n"), 0u) << post;
}

TEST(NormalizeHeaderNames, CapitalisesEachPartOfTheNameOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"x-my-header: a:b", "X-My-Header: a:b"},
      {"a--b: 1", "A--B: 1"},
      {"content-TYPE: text/html", "Content-TYPE: text/html"},
      {"a-: 1", "A-: 1"},
      {"-x: 1", "-X: 1"},
      {"a: b-c\r\nb: x\r\n", "A: b-c\r\nB: x"},
      {"a: 1\r\n\r\n\r\nb: 2", "A: 1\r\nB: 2"},
      {"\xd6\xd0x: 1", "\xd6\xd0x: 1"},  // 中x: a two-byte first character stays
      {"", ""},
      {"no colon", ""},
  };
  for (const auto& [block, expected] : cases) {
    EXPECT_EQ(NormalizeHeaderNames(block), expected) << block;
  }
}

TEST(CapitalizeFirst, ChangesOnlyAnAsciiLowerCaseFirstByte) {
  EXPECT_EQ(CapitalizeFirst("abc"), "Abc");
  EXPECT_EQ(CapitalizeFirst("aBC"), "ABC");
  EXPECT_EQ(CapitalizeFirst("1a"), "1a");
  EXPECT_EQ(CapitalizeFirst(""), "");
  EXPECT_EQ(CapitalizeFirst("\xe1"
                            "a"),
            "\xe1"
            "a");
}

}  // namespace
}  // namespace quarvel
