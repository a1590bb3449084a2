// HttpRequest over the platform transport against a real loopback server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "http/code_page.h"
#include "http/http_request.h"
#include "tests/fixtures/fixture_server_test.h"
#include "tests/fixtures/loopback_port.h"
#include "tests/fixtures/wine.h"

namespace quarvel {
namespace {

using ::testing::ElementsAreArray;
using testing::FixtureServer;
using ::testing::HasSubstr;
using testing::RunningUnderWine;
using testing::UnusedLoopbackPort;

Text Gbk(std::u16string_view text) {
  return Utf16ToAnsi(text);
}

// The lines of a CR LF block, the empty ones included.
std::vector<std::string> Lines(const Text& block) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= block.size()) {
    size_t end = block.find("\r\n", start);
    if (end == Text::npos) end = block.size();
    lines.push_back(block.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class HttpRequestNetworkTest : public testing::FixtureServerTest {
 protected:
  static HttpRequestParams To(const std::string& url) {
    HttpRequestParams params;
    params.url = url;
    params.timeoutSeconds = 10;
    return params;
  }
};

TEST_F(HttpRequestNetworkTest, EachVerbReachesTheServer) {
  const std::vector<std::pair<int, std::string>> verbs = {
      {0, "GET"},    {1, "POST"},  {2, "HEAD"},    {3, "PUT"}, {4, "OPTIONS"},
      {5, "DELETE"}, {6, "TRACE"}, {7, "CONNECT"}, {8, "GET"}, {-1, "GET"}};
  for (const auto& [method, verb] : verbs) {
    auto params = To(server_->HttpUrl("/echo?m=" + std::to_string(method)));
    params.method = method;
    HttpRequest(params);
    EXPECT_EQ(params.statusText, "200 OK") << verb;
  }
  const Text log = HttpRequest(server_->HttpUrl("/__requests"), 0, "");
  for (const auto& [method, verb] : verbs)
    EXPECT_THAT(log, HasSubstr(verb + " /echo?m=" + std::to_string(method) + " HTTP/1.1"));
}

TEST_F(HttpRequestNetworkTest, DashboardHeaderBlockArrivesInOrderWithoutKeepAlive) {
  const std::string host = "127.0.0.1:" + std::to_string(server_->HttpsPort());
  const std::string userAgent =
      "Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/69.0.3497.100 Safari/537.36";
  const Text headers =
      "Accept: */*\r\nAccept-Encoding: gzip, deflate, br\r\n"
      "Accept-Language: zh-CN,zh;q=0.9\r\n"
      "Authorization: Basic K7pQm2LxVt9sWc4=\r\nConnection: keep-alive\r\n"
      "Host: " +
      host + "\r\nReferer: https://" + host +
      "/static/\r\n"
      "User-Agent: " +
      userAgent;
  const Text echo = HttpRequest(server_->HttpsUrl("/echo"), 0, headers);
  std::vector<std::string> expected{"GET /echo HTTP/1.1",
                                    "Accept: */*",
                                    "Accept-Encoding: gzip, deflate, br",
                                    "Accept-Language: zh-CN,zh;q=0.9",
                                    "Authorization: Basic K7pQm2LxVt9sWc4=",
                                    "Host: " + host,
                                    "Referer: https://" + host + "/static/",
                                    "User-Agent: " + userAgent,
                                    "Cache-Control: no-cache"};
#ifdef _WIN32
  // The caller's line is dropped; WinHTTP adds its own after the request's headers.
  expected.push_back("Connection: Keep-Alive");
#endif
  expected.insert(expected.end(), {"", ""});
  EXPECT_THAT(Lines(echo), ElementsAreArray(expected));
}

TEST_F(HttpRequestNetworkTest, PostSendsItsBodyWithLengthAndFormType) {
  auto params = To(server_->HttpUrl("/echo"));
  params.method = 1;
  params.bodyText = "a=1&b=2";
  const Text echo = HttpRequest(params);
  EXPECT_THAT(echo, HasSubstr("\r\nContent-Type: application/x-www-form-urlencoded\r\n"));
  EXPECT_THAT(echo, HasSubstr("\r\nContent-Length: 7\r\n"));
  EXPECT_TRUE(echo.ends_with("\r\n\r\na=1&b=2")) << echo;
  EXPECT_THAT(echo, ::testing::Not(HasSubstr("Expect:")));
}

TEST_F(HttpRequestNetworkTest, CookiesGoOutAndComeBack) {
  auto sent = To(server_->HttpUrl("/echo"));
  sent.requestCookies = "a=0; k=1";
  EXPECT_THAT(HttpRequest(sent), HasSubstr("\r\nCookie: a=0; k=1\r\n"));

  const std::string cookies = "/cookies?set=a%3D1%3B%20Path%3D%2F&set=b%3D2";
  auto received = To(server_->HttpUrl(cookies));
  received.responseCookies = "x=9";
  HttpRequest(received);
  EXPECT_EQ(received.responseCookies, "x=9; a=1; b=2");

  auto merged = To(server_->HttpUrl(cookies));
  merged.requestCookies = "a=0; k=1";
  HttpRequest(merged);
  EXPECT_EQ(merged.responseCookies, "a=1; b=2; k=1");
  EXPECT_EQ(merged.requestCookies, "a=1; b=2; k=1");
}

TEST_F(HttpRequestNetworkTest, RedirectsAreFollowedUnlessSwitchedOff) {
  auto followed = To(server_->HttpUrl("/redirect?to=/echo"));
  followed.location = "before";
  EXPECT_TRUE(HttpRequest(followed).starts_with("GET /echo HTTP/1.1\r\n"));
  EXPECT_EQ(followed.statusText, "200 OK");
  EXPECT_EQ(followed.location, "before");

  auto stopped = To(server_->HttpUrl("/redirect?to=/echo"));
  stopped.noRedirect = true;
  EXPECT_EQ(HttpRequest(stopped), "redirect body");
  EXPECT_EQ(stopped.statusText, "302 Found");
  EXPECT_EQ(stopped.location, "/echo");

  // From http to https is followed, certificate flags and all.
  auto upgraded = To(server_->HttpUrl("/redirect?to=" + server_->HttpsUrl("/echo")));
  EXPECT_TRUE(HttpRequest(upgraded).starts_with("GET /echo HTTP/1.1\r\n"));
  EXPECT_EQ(upgraded.statusText, "200 OK");
}

TEST_F(HttpRequestNetworkTest, RedirectFromHttpsToHttpIsNotFollowed) {
  const std::string target = server_->HttpUrl("/echo");
  auto params = To(server_->HttpsUrl("/redirect?code=301&to=" + target));
  if (RunningUnderWine()) {
    // Windows hands the 301 over; Wine's WinHTTP fails the receive instead.
    EXPECT_EQ(HttpRequest(params), "");
    EXPECT_EQ(params.statusText, Gbk(u"712 服务器未响应!"));
    return;
  }
  EXPECT_EQ(HttpRequest(params), "redirect body");
  EXPECT_EQ(params.statusText, "301 Moved Permanently");
  EXPECT_EQ(params.location, target);
}

TEST_F(HttpRequestNetworkTest, EndlessRedirectsEndAsNoResponse) {
  auto params = To(server_->HttpUrl("/loop"));
  EXPECT_EQ(HttpRequest(params), "");
  EXPECT_EQ(params.statusText, Gbk(u"712 服务器未响应!"));
}

TEST_F(HttpRequestNetworkTest, ErrorStatusBodiesAreReturnedLikeAnyOther) {
  auto params = To(server_->HttpsUrl("/status/404"));
  EXPECT_EQ(HttpRequest(params), "status 404 body");
  EXPECT_EQ(params.statusText, "404 Not Found");
  EXPECT_TRUE(params.responseHeaders.starts_with("HTTP/1.1 404 Not Found\r\n"));
}

TEST_F(HttpRequestNetworkTest, CompressedBodyComesBackCompressed) {
  auto params = To(server_->HttpUrl("/gzip"));
  HttpRequest(params);
  EXPECT_THAT(params.responseHeaders, HasSubstr("\r\nContent-Encoding: gzip\r\n"));
  ASSERT_GE(params.responseBody.size(), 2u);
  EXPECT_EQ(params.responseBody[0], 0x1f);
  EXPECT_EQ(params.responseBody[1], 0x8b);
}

TEST_F(HttpRequestNetworkTest, PageDeclaringUtf8IsDecodedToCodePage936) {
  EXPECT_EQ(HttpRequest(server_->HttpsUrl("/utf8meta"), 0, ""),
            Gbk(u"<html><head><meta charset='utf-8'></head><body>中文测试</body></html>"));
}

TEST_F(HttpRequestNetworkTest, BodyCutShortKeepsWhatCameAndTheStatus) {
  auto params = To(server_->HttpUrl("/cut?send=100&claim=1000"));
  EXPECT_EQ(HttpRequest(params), Text(100, 'x'));
  EXPECT_EQ(params.statusText, "200 OK");
  EXPECT_EQ(params.responseBody.size(), 100u);
}

TEST_F(HttpRequestNetworkTest, LargeBodyArrivesWhole) {
  const size_t size = 5'000'000;
  auto params = To(server_->HttpUrl("/big?bytes=" + std::to_string(size)));
  const Text body = HttpRequest(params);
  ASSERT_EQ(params.responseBody.size(), size);
  const std::string pattern = "0123456789abcdef";
  for (size_t i = 0; i < size; i += 99991) ASSERT_EQ(body[i], pattern[i % 16]) << i;
}

TEST_F(HttpRequestNetworkTest, SilentServerEndsAsNoResponseAfterTheTimeout) {
  auto params = To(server_->HttpUrl("/silent"));
  params.timeoutSeconds = 1;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpRequest(params), "");
  EXPECT_EQ(params.statusText, Gbk(u"712 服务器未响应!"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));  // no hang
}

TEST_F(HttpRequestNetworkTest, RefusedPortEndsAsSendFailure) {
  auto params = To("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/");
  EXPECT_EQ(HttpRequest(params), "");
  EXPECT_EQ(params.statusText, Gbk(u"711 发送请求失败!"));
}

TEST_F(HttpRequestNetworkTest, ServerCredentialsAreSentUpFront) {
  auto params = To(server_->HttpUrl("/echo"));
  params.serverUser = "u";
  params.serverPassword = "p";
  EXPECT_THAT(HttpRequest(params), HasSubstr("\r\nAuthorization: Basic dTpw\r\n"));
}

TEST_F(HttpRequestNetworkTest, NamedProxyCarriesBothSchemesWithItsCredentials) {
  if (RunningUnderWine()) {
    // It reads "http=host:port" as a host name and does not tunnel through the fixture's
    // proxy either: every proxied request ends in 711.
    GTEST_SKIP() << "Wine's WinHTTP cannot use a named proxy";
  }
  const std::string proxy = "127.0.0.1:" + std::to_string(server_->HttpPort());
  auto plain = To(server_->HttpUrl("/echo?via=proxy"));
  plain.proxy = proxy;
  plain.proxyUser = "pu";
  plain.proxyPassword = "pp";
  EXPECT_TRUE(HttpRequest(plain).starts_with("GET /echo?via=proxy HTTP/1.1\r\n"));

  auto secure = To(server_->HttpsUrl("/echo?via=tunnel"));
  secure.proxy = proxy;
  secure.proxyUser = "pu";
  secure.proxyPassword = "pp";
  const Text echo = HttpRequest(secure);
  EXPECT_TRUE(echo.starts_with("GET /echo?via=tunnel HTTP/1.1\r\n")) << echo;
  EXPECT_THAT(echo, ::testing::Not(HasSubstr("Proxy-")));

  const Text log = HttpRequest(server_->HttpUrl("/__proxy_log"), 0, "");
  EXPECT_THAT(
      log, HasSubstr("GET " + server_->HttpUrl("/echo?via=proxy") + " proxy-auth=Basic cHU6cHA="));
  EXPECT_THAT(log, HasSubstr("CONNECT 127.0.0.1:" + std::to_string(server_->HttpsPort()) +
                             " proxy-auth=Basic cHU6cHA="));
}

#ifndef _WIN32  // the Windows programs get one server without arguments from their wrapper
TEST(FixtureServerRoutes, CannedRepliesComeFromTheRoutesFile) {
  char directory[] = "/tmp/quarvel-routes-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const std::string routes = std::string(directory) + "/routes.json";
  {
    std::ofstream file(routes);
    file << R"({"/api/serverinfo": {"status": 200,
                "headers": [["Content-Type", "application/json"]],
                "body": "{\"version\": \"0.52.3\"}"}})";
  }
  {
    FixtureServer server({"--routes", routes});
    ASSERT_TRUE(server.Running());
    HttpRequestParams params;
    params.url = server.HttpsUrl("/api/serverinfo");
    EXPECT_EQ(HttpRequest(params), R"({"version": "0.52.3"})");
    EXPECT_THAT(params.responseHeaders, HasSubstr("\r\nContent-Type: application/json\r\n"));
  }
  std::remove(routes.c_str());
  rmdir(directory);
}
#endif

}  // namespace
}  // namespace quarvel
