// What every backend of the Transport interface is held to, against the loopback fixture
// server: URL cracking, and which step a network failure lands on. Built into each backend's
// test program, which adds the checks of that backend alone.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "tests/fixtures/loopback_port.h"
#include "tests/http/transport_test_fixture.h"

namespace quarvel {
namespace {

using testing::UnusedLoopbackPort;

TEST(TransportCrackUrl, ReportsSchemeHostPortPathAndExtra) {
  ExpectCrackUrl(
      DefaultTransport(),
      {
          {u"https://h:27500/api/proxy/tcp", kSchemeHttps, u"h", 27500, u"/api/proxy/tcp", u""},
          {u"http://h", kSchemeHttp, u"h", 80, u"", u""},
          {u"http://h/a?b=1", kSchemeHttp, u"h", 80, u"/a", u"?b=1"},
          {u"HTTPS://user:pw@h/x", kSchemeHttps, u"h", 443, u"/x", u""},
          {u"http://中文.example/路径", kSchemeHttp, u"中文.example", 80, u"/路径", u""},
      },
      {u"ftp://h/", u"h/x", u""});
}

TEST_F(TransportTest, RefusedConnectionFailsTheSendStep) {
  Open(UnusedLoopbackPort(), u"/", false);
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_FALSE(transport_.ReceiveResponse(request_));
}

TEST_F(TransportTest, SelfSignedCertificateIsRefusedUnlessTheSecurityFlagsSayOtherwise) {
  Open(server_->HttpsPort(), u"/echo", true);
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));

  transport_.CloseHandle(request_);
  request_ = transport_.OpenRequest(connection_, u"GET", u"/echo", kFlagSecure);
  ASSERT_TRUE(transport_.SetOption(request_, kOptionSecurityFlags, kSecurityFlagsIgnoreCertErrors));
  EXPECT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_TRUE(transport_.ReceiveResponse(request_));
}

TEST_F(TransportTest, SilentServerFailsTheReceiveStepAfterTheTimeout) {
  Open(server_->HttpPort(), u"/silent", false, 1000);
  ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(transport_.ReceiveResponse(request_));
  // A guard against hanging, far above the one-second limit.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(TransportTest, BodyCutShortFailsTheReadStepAfterTheBytesThatCame) {
  Open(server_->HttpPort(), u"/cut?send=100&claim=1000", false);
  ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  ASSERT_TRUE(transport_.ReceiveResponse(request_));
  std::size_t total = 0;
  bool waitFailed = false, readFailed = false;
  for (;;) {
    std::uint32_t available = 0;
    if (!transport_.QueryDataAvailable(request_, available)) {
      waitFailed = true;
      break;
    }
    if (available == 0) break;
    std::vector<char> buffer(available);
    std::uint32_t got = 0;
    if (!transport_.ReadData(request_, buffer.data(), available, got)) {
      readFailed = true;
      break;
    }
    total += got;
  }
  EXPECT_EQ(waitFailed || readFailed, TestedBackend().shortBodyFails);
  if (!TestedBackend().shortBodyMayFailWhileWaiting) {
    EXPECT_FALSE(waitFailed);
  }
  EXPECT_EQ(total, 100u);
}

TEST_F(TransportTest, RawHeadersComeAfterASizeQueryWithCrLfAndAnEmptyLastLine) {
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

TEST_F(TransportTest, HandlesAreRefusedOnceClosedAndTheNullHandleAlways) {
  EXPECT_FALSE(transport_.CloseHandle(kNullHandle));
  Open(server_->HttpPort(), u"/", false);
  EXPECT_TRUE(transport_.CloseHandle(request_));
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_FALSE(transport_.CloseHandle(request_));
  request_ = kNullHandle;
}

}  // namespace
}  // namespace quarvel
