// The request routine's steps, observed on a scripted transport.
#include "http/http_request.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "http/code_page.h"
#include "http/header_assembly.h"
#include "http/pending_events.h"
#include "tests/http/fake_transport.h"

namespace quarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeTransport;
using ::testing::IsEmpty;

// Code page 936 bytes of a text written here in UTF-8, converted by the real converter.
Text Gbk(std::u16string_view text) {
  return Utf16ToAnsi(text);
}

class HttpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPendingEventsHook([this] { ++events_; });
  }
  void TearDown() override { SetPendingEventsHook(nullptr); }

  Text Run(HttpRequestParams& params) { return HttpRequest(params, transport_); }

  FakeTransport transport_;
  int events_ = 0;
};

TEST_F(HttpRequestTest, DashboardCallIssuesThePlatformOperationsInOrder) {
  HttpRequestParams params;
  params.url = "https://h:27500/api/proxy/tcp";
  const Text result = Run(params);

  const auto blockLength = AnsiToUtf16(BuildRequestHeaders("", 0, "")).size();
  EXPECT_THAT(transport_.Calls(),
              ElementsAre("CheckPlatform()", "CrackUrl(https://h:27500/api/proxy/tcp, 29, 0)",
                          "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
                          "Connect(1, h, 27500)", "OpenRequest(2, GET, /api/proxy/tcp, 0x800000)",
                          "SetOption(3, 31, 0x3300)", "SetOption(3, 63, 0x1)",
                          "AddRequestHeaders(3, " + std::to_string(blockLength) + ", 0x20000000)",
                          "SendRequest(3, 0, 0)", "ReceiveResponse(3)", "QueryDataAvailable(3)",
                          "ReadData(3, 5)", "QueryDataAvailable(3)", "QueryHeaders(3, 22, 0)",
                          "QueryHeaders(3, 22, " +
                              std::to_string((transport_.responseHead.size() + 1) * 2) + ")",
                          "CloseHandle(3)", "CloseHandle(2)", "CloseHandle(1)"));
  EXPECT_EQ(result, "hello");
  EXPECT_EQ(params.statusText, "200 OK");
  EXPECT_EQ(params.responseHeaders, transport_.responseHead);
  EXPECT_EQ(params.responseBody, BytesOf("hello"));
  // One per response head line (3), one in the body decoding, one on the way out.
  EXPECT_EQ(events_, 5);
}

struct FailureCase {
  const char* op;
  int occurrence;
  std::u16string text;
  std::vector<std::string> closes;
  int events;  // 1 on the common exit, 0 on an immediate return and after 700
};

TEST_F(HttpRequestTest, EachFailureStoresItsTextAndClosesRequestConnectionSession) {
  const std::vector<std::string> allOpen = {"CloseHandle(3)", "CloseHandle(2)", "CloseHandle(1)"};
  const std::vector<FailureCase> cases = {
      {"CheckPlatform",
       1,
       u"700 当前系统不支持WinHttp服务!",
       {"CloseHandle(0)", "CloseHandle(0)", "CloseHandle(0)"},
       0},
      {"CrackUrl",
       1,
       u"701 解析URL地址失败!",
       {"CloseHandle(0)", "CloseHandle(0)", "CloseHandle(0)"},
       1},
      {"Open",
       1,
       u"702 创建WinHttp会话失败!",
       {"CloseHandle(0)", "CloseHandle(0)", "CloseHandle(0)"},
       1},
      {"SetTimeouts",
       1,
       u"705 设置超时时间失败!",
       {"CloseHandle(0)", "CloseHandle(0)", "CloseHandle(1)"},
       1},
      {"Connect",
       1,
       u"703 创建WinHttp连接失败!",
       {"CloseHandle(0)", "CloseHandle(0)", "CloseHandle(1)"},
       1},
      {"OpenRequest",
       1,
       u"704 创建WinHttp请求失败!",
       {"CloseHandle(0)", "CloseHandle(2)", "CloseHandle(1)"},
       1},
      {"SetCredentials", 1, u"707 设置代理凭证失败!", allOpen, 0},
      {"SetCredentials", 2, u"707 设置代理凭证失败!", allOpen, 0},
      {"SetOption", 1, u"忽略错误/证书错误  失败！", allOpen, 0},
      {"SetOption", 2, u"708 禁止自动设置Cookies失败!", allOpen, 0},
      {"SetOption", 3, u"709 重定向设置失败!", allOpen, 0},
      {"AddRequestHeaders", 1, u"710 设置协议头失败!", allOpen, 1},
      {"SendRequest", 1, u"711 发送请求失败!", allOpen, 1},
      {"ReceiveResponse", 1, u"712 服务器未响应!", allOpen, 1},
  };
  for (const auto& failure : cases) {
    SCOPED_TRACE(std::string(failure.op) + " #" + std::to_string(failure.occurrence));
    FakeTransport transport;
    transport.FailAt(failure.op, failure.occurrence);
    events_ = 0;
    HttpRequestParams params;
    params.url = "http://h/x";
    params.serverUser = params.proxyUser = "u";
    params.serverPassword = params.proxyPassword = "p";
    params.noRedirect = true;
    params.responseHeaders = "untouched";
    params.responseBody = BytesOf("untouched");

    EXPECT_EQ(HttpRequest(params, transport), "");
    EXPECT_EQ(params.statusText, Gbk(failure.text));
    EXPECT_EQ(params.responseHeaders, "untouched");
    EXPECT_EQ(params.responseBody, BytesOf("untouched"));
    const auto& calls = transport.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(calls.end() - 3, calls.end()),
                ElementsAreArray(failure.closes));
    EXPECT_THAT(transport.CallsOf("CloseHandle"), ::testing::SizeIs(3));
    EXPECT_EQ(events_, failure.events);
  }
}

TEST_F(HttpRequestTest, FailedReadKeepsThePartialBodyAndTheStatusTextWins) {
  transport_.responseHead = "HTTP/1.1 200 OK\r\n\r\n";
  transport_.bodyChunks = {"abc", "def"};
  transport_.FailAt("ReadData", 2);
  HttpRequestParams params;
  params.url = "http://h/";
  EXPECT_EQ(Run(params), "abc");
  EXPECT_EQ(params.statusText, "200 OK");
  EXPECT_EQ(params.responseBody, BytesOf("abc"));
  EXPECT_THAT(transport_.CallsOf("QueryDataAvailable"), ::testing::SizeIs(2));
}

TEST_F(HttpRequestTest, UnreadableResponseHeadWritesNoFurtherOutput) {
  transport_.FailAt("QueryHeaders", 2);
  HttpRequestParams params;
  params.url = "http://h/";
  params.statusText = "before";
  params.responseBody = BytesOf("before");
  params.location = "before";
  EXPECT_EQ(Run(params), "");
  EXPECT_EQ(params.statusText, "before");
  EXPECT_EQ(params.responseBody, BytesOf("before"));
  EXPECT_EQ(params.location, "before");

  // With a failed read before it, the read's failure text is what remains.
  FakeTransport transport;
  transport.FailAt("ReadData", 1);
  transport.FailAt("QueryHeaders", 2);
  EXPECT_EQ(HttpRequest(params, transport), "");
  EXPECT_EQ(params.statusText, Gbk(u"713 读取数据失败!"));
}

TEST_F(HttpRequestTest, OptionsFollowCookiesAndRedirectSwitch) {
  HttpRequestParams params;
  params.url = "http://h/";
  params.requestCookies = "a=1";
  params.noRedirect = true;
  Run(params);
  EXPECT_THAT(
      transport_.CallsOf("SetOption"),
      ElementsAre("SetOption(3, 31, 0x3300)", "SetOption(3, 79, 0x1)", "SetOption(3, 63, 0x2)"));
}

TEST_F(HttpRequestTest, PinGoesToTheTransportAfterTheOptionsAndItsRefusalStopsTheRequest) {
  HttpRequestParams params;
  params.url = "https://h/";
  params.pinnedPublicKey = "sha256//abc=";
  Run(params);
  const auto& calls = transport_.Calls();
  const auto pin = std::find(calls.begin(), calls.end(), "SetPinnedPublicKey(3, sha256//abc=)");
  ASSERT_NE(pin, calls.end());
  EXPECT_EQ(*(pin - 1), "SetOption(3, 63, 0x1)");
  EXPECT_TRUE(pin[1].starts_with("AddRequestHeaders("));

  // A transport that cannot check the key: nothing is sent.
  FakeTransport refusing;
  refusing.FailAt("SetPinnedPublicKey");
  events_ = 0;
  EXPECT_EQ(HttpRequest(params, refusing), "");
  EXPECT_EQ(params.statusText, Gbk(u"忽略错误/证书错误  失败！"));
  EXPECT_THAT(refusing.CallsOf("SendRequest"), IsEmpty());
  EXPECT_THAT(refusing.CallsOf("CloseHandle"),
              ElementsAre("CloseHandle(3)", "CloseHandle(2)", "CloseHandle(1)"));
  EXPECT_EQ(events_, 0);
}

TEST_F(HttpRequestTest, TimeoutsObjectNamesVerbsAndProxyStrings) {
  struct Case {
    Text url;
    int method;
    int timeoutSeconds;
    Text proxy;
    std::string open, timeouts, openRequest;
  };
  const std::vector<Case> cases = {
      {"http://h/", 0, 0, "", "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
       "OpenRequest(2, GET, /, 0x0)"},
      {"http://h", 1, -5, "", "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
       "OpenRequest(2, POST, /, 0x0)"},
      {"http://h/a?b=1", 8, 10, "127.0.0.1:8888", "Open(3, http=127.0.0.1:8888)",
       "SetTimeouts(1, 10000, 10000, 10000, 10000)", "OpenRequest(2, GET, /a?b=1, 0x0)"},
      {"https://h/a", -1, 1, "127.0.0.1:8888", "Open(3, 127.0.0.1:8888)",
       "SetTimeouts(1, 1000, 1000, 1000, 1000)", "OpenRequest(2, GET, /a, 0x800000)"},
      {"http://h/", 2, 0, "", "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
       "OpenRequest(2, HEAD, /, 0x0)"},
      {"http://h/", 3, 0, "", "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
       "OpenRequest(2, PUT, /, 0x0)"},
      {"http://h/", 4, 0, "", "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
       "OpenRequest(2, OPTIONS, /, 0x0)"},
      {"http://h/", 5, 0, "", "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
       "OpenRequest(2, DELETE, /, 0x0)"},
      {"http://h/", 6, 0, "", "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
       "OpenRequest(2, TRACE, /, 0x0)"},
      {"http://h/", 7, 0, "", "Open(1, null)", "SetTimeouts(1, 30000, 30000, 30000, 30000)",
       "OpenRequest(2, CONNECT, /, 0x0)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url + " method " + std::to_string(c.method));
    FakeTransport transport;
    HttpRequestParams params;
    params.url = c.url;
    params.method = c.method;
    params.timeoutSeconds = c.timeoutSeconds;
    params.proxy = c.proxy;
    HttpRequest(params, transport);
    EXPECT_THAT(transport.CallsOf("Open"), ElementsAre(c.open));
    EXPECT_THAT(transport.CallsOf("SetTimeouts"), ElementsAre(c.timeouts));
    EXPECT_THAT(transport.CallsOf("OpenRequest"), ElementsAre(c.openRequest));
  }
}

TEST_F(HttpRequestTest, CredentialsOnlyWhenUserAndPasswordAreBothGiven) {
  HttpRequestParams params;
  params.url = "http://h/";
  params.serverUser = "only-user";
  params.proxyPassword = "only-password";
  Run(params);
  EXPECT_THAT(transport_.CallsOf("SetCredentials"), IsEmpty());

  FakeTransport transport;
  params.serverPassword = "sp";
  params.proxyUser = "pu";
  HttpRequest(params, transport);
  EXPECT_THAT(transport.CallsOf("SetCredentials"),
              ElementsAre("SetCredentials(3, 0, 1, only-user, sp)",
                          "SetCredentials(3, 1, 1, pu, only-password)"));
}

TEST_F(HttpRequestTest, BodyBytesWinOverBodyTextWhichGoesWithoutTerminator) {
  HttpRequestParams params;
  params.url = "http://h/";
  params.bodyText = "a=1";
  Run(params);
  EXPECT_THAT(transport_.CallsOf("SendRequest"), ElementsAre("SendRequest(3, 3, 3)"));
  EXPECT_EQ(transport_.SentBody(), BytesOf("a=1"));

  FakeTransport transport;
  params.bodyBytes = {0, 1, 2, 3};
  HttpRequest(params, transport);
  EXPECT_EQ(transport.SentBody(), (Bytes{0, 1, 2, 3}));
}

TEST_F(HttpRequestTest, EmptyHeaderBlockIsNotAdded) {
  HttpRequestParams params;
  params.url = "http://h/";
  params.completeHeaders = false;
  EXPECT_EQ(Run(params), "hello");
  EXPECT_THAT(transport_.CallsOf("AddRequestHeaders"), IsEmpty());
}

TEST_F(HttpRequestTest, ResponseHeadGivesStatusCookiesAndLocation) {
  transport_.responseHead =
      "HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie: b=2\r\n"
      "set-cookie: c=3\r\nLocation: /first\r\nLOCATION: /next\r\n\r\n";
  HttpRequestParams params;
  params.url = "http://h/";
  EXPECT_EQ(Run(params), "hello");
  EXPECT_EQ(params.statusText, "404 Not Found");
  EXPECT_EQ(params.responseCookies, "a=1; b=2");
  EXPECT_EQ(params.location, "/next");
  EXPECT_EQ(params.requestCookies, "");
}

TEST_F(HttpRequestTest, CollectedCookiesAreSeparatedFromTheOnesAlreadyHeld) {
  transport_.responseHead = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie: b=2\r\n\r\n";
  HttpRequestParams params;
  params.url = "http://h/";
  params.responseCookies = "x=9";
  Run(params);
  EXPECT_EQ(params.responseCookies, "x=9; a=1; b=2");
}

TEST_F(HttpRequestTest, ReceivedCookiesAreMergedIntoTheSentOnes) {
  const Text head = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie: b=2\r\n\r\n";
  transport_.responseHead = head;
  HttpRequestParams params;
  params.url = "http://h/";
  params.requestCookies = "a=0; z=1";
  Run(params);
  EXPECT_EQ(params.responseCookies, "a=1; b=2; z=1");
  EXPECT_EQ(params.requestCookies, "a=1; b=2; z=1");

  FakeTransport transport;
  transport.responseHead = head;
  HttpRequestParams unmerged;
  unmerged.url = "http://h/";
  unmerged.requestCookies = "a=0";
  unmerged.mergeCookies = false;
  HttpRequest(unmerged, transport);
  EXPECT_EQ(unmerged.responseCookies, "a=1; b=2");
  EXPECT_EQ(unmerged.requestCookies, "a=0");
}

TEST_F(HttpRequestTest, OmittedResponseBodyKeepsItsValueAndTheResultIsTheSame) {
  transport_.bodyChunks = {"ab", Text("c\0d", 3)};
  HttpRequestParams params;
  params.url = "http://h/";
  params.wantResponseBody = false;
  params.responseBody = BytesOf("before");
  EXPECT_EQ(Run(params), "abc");
  EXPECT_EQ(params.responseBody, BytesOf("before"));
  EXPECT_EQ(params.statusText, "200 OK");
}

TEST_F(HttpRequestTest, DeclaredLengthOnlySizesTheBuffer) {
  struct Case {
    std::uint64_t declared;
    std::vector<Text> chunks;
  };
  const Case cases[] = {
      {5, {"hel", "lo"}},                   // as declared
      {3, {"hel", "lo"}},                   // more than declared
      {1'000'000, {"hel", "lo"}},           // far less: the unused room is given back
      {std::uint64_t(1) << 62, {"hello"}},  // absurd: no attempt to reserve it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.declared);
    FakeTransport transport;
    transport.declaredBodyLength = c.declared;
    transport.bodyChunks = c.chunks;
    HttpRequestParams params;
    params.url = "http://h/";
    const Text result = HttpRequest(params, transport);
    EXPECT_EQ(result, "hello");
    EXPECT_EQ(params.responseBody, BytesOf("hello"));
    EXPECT_LT(result.capacity(), 1000u);
  }
}

TEST_F(HttpRequestTest, ShortOrUnterminatedStatusLineGivesEmptyStatus) {
  transport_.responseHead = "HTTP/1.1 200 OK";
  HttpRequestParams params;
  params.url = "http://h/";
  params.statusText = "before";
  Run(params);
  EXPECT_EQ(params.statusText, "");
}

}  // namespace
}  // namespace quarvel
