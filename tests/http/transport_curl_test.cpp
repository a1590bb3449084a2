// The libcurl transport on its own: URL cracking, and which step a network failure lands on.
#include "http/transport_curl.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "http/code_page.h"
#include "tests/fixtures/fixture_server.h"

namespace quarvel {
namespace {

using testing::FixtureServer;

TEST(CurlTransportCrackUrl, ReportsSchemeHostPortPathAndExtra) {
  struct Case {
    std::u16string url;
    std::uint32_t scheme;
    std::u16string host;
    std::uint16_t port;
    std::u16string path, extra;
  };
  const std::vector<Case> cases = {
      {u"https://h:27500/api/proxy/tcp", kSchemeHttps, u"h", 27500, u"/api/proxy/tcp", u""},
      {u"http://h", kSchemeHttp, u"h", 80, u"", u""},
      {u"http://h/a?b=1", kSchemeHttp, u"h", 80, u"/a", u"?b=1"},
      {u"http://h?b=1", kSchemeHttp, u"h", 80, u"", u"?b=1"},
      {u"HTTPS://user:pw@h/x", kSchemeHttps, u"h", 443, u"/x", u""},
      {u"http://[::1]:8080/", kSchemeHttp, u"[::1]", 8080, u"/", u""},
      {u"http://中文.example/路径", kSchemeHttp, u"中文.example", 80, u"/路径", u""},
  };
  CurlTransport transport;
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToAnsi(c.url));
    UrlComponents parts;
    ASSERT_TRUE(transport.CrackUrl(c.url.c_str(), std::uint32_t(c.url.size()), 0, parts));
    EXPECT_EQ(parts.scheme, c.scheme);
    EXPECT_EQ(parts.hostName, c.host);
    EXPECT_EQ(parts.port, c.port);
    EXPECT_EQ(parts.urlPath, c.path);
    EXPECT_EQ(parts.extraInfo, c.extra);
  }
  for (std::u16string bad :
       {u"ftp://h/", u"h/x", u"http://", u"http://h:99999/", u"http://h:x/", u"http://h:/", u""}) {
    SCOPED_TRACE(Utf16ToAnsi(bad));
    UrlComponents parts;
    EXPECT_FALSE(transport.CrackUrl(bad.c_str(), std::uint32_t(bad.size()), 0, parts));
  }
}

class CurlTransportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new FixtureServer(); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(server_->Running()); }
  void TearDown() override {
    transport_.CloseHandle(request_);
    transport_.CloseHandle(connection_);
    transport_.CloseHandle(session_);
  }

  // Opens session, connection and request for object on 127.0.0.1:port.
  void Open(int port, const std::u16string& object, bool secure, int timeoutMs = 5000) {
    session_ = transport_.Open(kAccessTypeNoProxy, nullptr);
    ASSERT_NE(session_, kNullHandle);
    ASSERT_TRUE(transport_.SetTimeouts(session_, timeoutMs, timeoutMs, timeoutMs, timeoutMs));
    connection_ = transport_.Connect(session_, u"127.0.0.1", std::uint16_t(port));
    ASSERT_NE(connection_, kNullHandle);
    request_ =
        transport_.OpenRequest(connection_, u"GET", object.c_str(), secure ? kFlagSecure : 0);
    ASSERT_NE(request_, kNullHandle);
  }

  static FixtureServer* server_;
  CurlTransport transport_;
  TransportHandle session_ = kNullHandle, connection_ = kNullHandle, request_ = kNullHandle;
};

FixtureServer* CurlTransportTest::server_ = nullptr;

int UnusedPort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);  // nothing listens there now
  return ntohs(address.sin_port);
}

TEST_F(CurlTransportTest, RefusedConnectionFailsTheSendStep) {
  Open(UnusedPort(), u"/", false);
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_FALSE(transport_.ReceiveResponse(request_));
}

TEST_F(CurlTransportTest, SelfSignedCertificateIsRefusedUnlessTheSecurityFlagsSayOtherwise) {
  Open(server_->HttpsPort(), u"/echo", true);
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));

  transport_.CloseHandle(request_);
  request_ = transport_.OpenRequest(connection_, u"GET", u"/echo", kFlagSecure);
  ASSERT_TRUE(transport_.SetOption(request_, kOptionSecurityFlags, kSecurityFlagsIgnoreCertErrors));
  EXPECT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_TRUE(transport_.ReceiveResponse(request_));
}

TEST_F(CurlTransportTest, SilentServerFailsTheReceiveStepAfterTheTimeout) {
  Open(server_->HttpPort(), u"/silent", false, 1000);
  ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(transport_.ReceiveResponse(request_));
  // A guard against hanging, far above the one-second limit.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(CurlTransportTest, BodyCutShortFailsTheReadStepAfterTheBytesThatCame) {
  Open(server_->HttpPort(), u"/cut?send=100&claim=1000", false);
  ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  ASSERT_TRUE(transport_.ReceiveResponse(request_));
  std::size_t total = 0;
  bool readFailed = false;
  for (;;) {
    std::uint32_t available = 0;
    ASSERT_TRUE(transport_.QueryDataAvailable(request_, available));
    if (available == 0) break;
    std::vector<char> buffer(available);
    std::uint32_t got = 0;
    if (!transport_.ReadData(request_, buffer.data(), available, got)) {
      readFailed = true;
      break;
    }
    total += got;
  }
  EXPECT_TRUE(readFailed);
  EXPECT_EQ(total, 100u);
}

TEST_F(CurlTransportTest, RawHeadersComeAfterASizeQueryWithCrLfAndAnEmptyLastLine) {
  Open(server_->HttpPort(), u"/status/404", false);
  ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  ASSERT_TRUE(transport_.ReceiveResponse(request_));
  std::uint32_t size = 0;
  EXPECT_FALSE(transport_.QueryHeaders(request_, kQueryRawHeadersCrlf, nullptr, size));
  ASSERT_GT(size, 2u);
  Bytes raw(size);
  ASSERT_TRUE(transport_.QueryHeaders(request_, kQueryRawHeadersCrlf, raw.data(), size));
  EXPECT_EQ(size, raw.size() - 2);  // the answer's size leaves out the terminator
  const Text head = WideToAnsi(raw);
  EXPECT_TRUE(head.starts_with("HTTP/1.1 404 Not Found\r\n")) << head;
  EXPECT_TRUE(head.ends_with("\r\n\r\n")) << head;
  EXPECT_NE(head.find("\r\nContent-Length: 15\r\n"), Text::npos) << head;
}

TEST_F(CurlTransportTest, DeclaredBodyLengthIsTheFinalResponsesContentLength) {
  struct Case {
    const char16_t* verb;
    std::u16string object;
    std::uint64_t declared;
  };
  const Case cases[] = {
      {u"GET", u"/big?bytes=12345", 12345},
      {u"GET", u"/redirect?to=%2Fbig%3Fbytes%3D777", 777},  // not the redirect's own length
      {u"GET", u"/cut?send=10&claim=1000", 1000},           // what is claimed, not what comes
      {u"HEAD", u"/big?bytes=12345", 0},                    // no body follows a HEAD answer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToAnsi(c.object));
    TearDown();
    Open(server_->HttpPort(), c.object, false);
    transport_.CloseHandle(request_);
    request_ = transport_.OpenRequest(connection_, c.verb, c.object.c_str(), 0);
    EXPECT_EQ(transport_.DeclaredBodyLength(request_), 0u);  // nothing received yet
    ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
    ASSERT_TRUE(transport_.ReceiveResponse(request_));
    EXPECT_EQ(transport_.DeclaredBodyLength(request_), c.declared);
  }
}

TEST_F(CurlTransportTest, HandlesAreRefusedOnceClosedAndTheNullHandleAlways) {
  EXPECT_FALSE(transport_.CloseHandle(kNullHandle));
  Open(server_->HttpPort(), u"/", false);
  EXPECT_TRUE(transport_.CloseHandle(request_));
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_FALSE(transport_.CloseHandle(request_));
  request_ = kNullHandle;
}

}  // namespace
}  // namespace quarvel
