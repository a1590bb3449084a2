// The WinHTTP transport on its own, against the loopback fixture server: the same cases the
// libcurl transport is held to, since that one imitates what this one does.
#include <winsock2.h>  // before <windows.h>

#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "http/code_page.h"
#include "http/default_transport.h"
#include "http/http_request.h"
#include "tests/fixtures/fixture_server.h"

namespace quarvel {
namespace {

using testing::FixtureServer;

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

TEST(WinHttpTransportCrackUrl, ReportsSchemeHostPortPathAndExtra) {
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
      {u"HTTPS://user:pw@h/x", kSchemeHttps, u"h", 443, u"/x", u""},
      {u"http://中文.example/路径", kSchemeHttp, u"中文.example", 80, u"/路径", u""},
  };
  Transport& transport = DefaultTransport();
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
  for (std::u16string bad : {u"ftp://h/", u"h/x", u""}) {
    SCOPED_TRACE(Utf16ToAnsi(bad));
    UrlComponents parts;
    EXPECT_FALSE(transport.CrackUrl(bad.c_str(), std::uint32_t(bad.size()), 0, parts));
  }
}

class WinHttpTransportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new FixtureServer(); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(server_->Running()); }
  void TearDown() override { Close(); }

  void Close() {
    transport_.CloseHandle(request_);
    transport_.CloseHandle(connection_);
    transport_.CloseHandle(session_);
    request_ = connection_ = session_ = kNullHandle;
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
  Transport& transport_ = DefaultTransport();
  TransportHandle session_ = kNullHandle, connection_ = kNullHandle, request_ = kNullHandle;
};

FixtureServer* WinHttpTransportTest::server_ = nullptr;

int UnusedPort() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(probe);  // nothing listens there now
  WSACleanup();
  return ntohs(address.sin_port);
}

TEST_F(WinHttpTransportTest, RefusedConnectionFailsTheSendStep) {
  Open(UnusedPort(), u"/", false);
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_FALSE(transport_.ReceiveResponse(request_));
}

TEST_F(WinHttpTransportTest, SelfSignedCertificateIsRefusedUnlessTheSecurityFlagsSayOtherwise) {
  Open(server_->HttpsPort(), u"/echo", true);
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  // Windows reports ERROR_WINHTTP_SECURE_FAILURE, Wine ERROR_WINHTTP_SECURE_CHANNEL_ERROR.
  const DWORD error = GetLastError();
  EXPECT_TRUE(error == ERROR_WINHTTP_SECURE_FAILURE ||
              (RunningUnderWine() && error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR))
      << error;

  transport_.CloseHandle(request_);
  request_ = transport_.OpenRequest(connection_, u"GET", u"/echo", kFlagSecure);
  ASSERT_TRUE(transport_.SetOption(request_, kOptionSecurityFlags, kSecurityFlagsIgnoreCertErrors));
  EXPECT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_TRUE(transport_.ReceiveResponse(request_));
}

TEST_F(WinHttpTransportTest, SilentServerFailsTheReceiveStepAfterTheTimeout) {
  Open(server_->HttpPort(), u"/silent", false, 1000);
  ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(transport_.ReceiveResponse(request_));
  // A guard against hanging, far above the one-second limit.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(WinHttpTransportTest, BodyCutShortFailsTheReadStepAfterTheBytesThatCame) {
  Open(server_->HttpPort(), u"/cut?send=100&claim=1000", false);
  ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
  ASSERT_TRUE(transport_.ReceiveResponse(request_));
  std::size_t total = 0;
  bool failed = false;
  for (;;) {
    std::uint32_t available = 0;
    if (!transport_.QueryDataAvailable(request_, available)) {
      failed = true;
      break;
    }
    if (available == 0) break;
    std::vector<char> buffer(available);
    std::uint32_t got = 0;
    if (!transport_.ReadData(request_, buffer.data(), available, got)) {
      failed = true;
      break;
    }
    total += got;
  }
  // Wine's WinHTTP ends such a body quietly, as if it were complete.
  EXPECT_EQ(failed, !RunningUnderWine());
  EXPECT_EQ(total, 100u);
}

TEST_F(WinHttpTransportTest, RawHeadersComeAfterASizeQueryWithCrLfAndAnEmptyLastLine) {
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

// A well-formed pin that matches no key of the fixture.
constexpr char16_t kOtherKeyPin[] = u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE=";

TEST_F(WinHttpTransportTest, PinsAreTakenOnlyWellFormedAndOnlyForTlsRequests) {
  const std::u16string good = AnsiToUtf16(server_->PublicKeyPin());
  struct Case {
    std::u16string pins;
    bool taken;
  };
  const std::vector<Case> cases = {
      {good, true},
      {std::u16string(kOtherKeyPin) + u";" + good, true},
      {u"", false},
      {u"sha256//", false},
      {u"sha256//AAAA", false},                                          // too short a digest
      {u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNEA", false},  // 33 bytes
      {u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80f*NE=", false},  // not Base64
      {u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80f NE=", false},  // white space
      {u"sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE ", false},  // no padding
      {u"SHA256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE=", false},
      {u"sha1//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE=", false},
      {good + u";", false},  // an empty piece is not a pin either
      {good + u";sha256//AAAA", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToAnsi(c.pins));
    Open(server_->HttpsPort(), u"/status/200", true);
    EXPECT_EQ(transport_.SetPinnedPublicKey(request_, c.pins.c_str()), c.taken);
    Close();
  }
  Open(server_->HttpPort(), u"/status/200", false);
  EXPECT_FALSE(transport_.SetPinnedPublicKey(request_, good.c_str()));
}

TEST_F(WinHttpTransportTest, WrongKeyFailsTheSendStepAndEveryStepAfter) {
  Open(server_->HttpsPort(), u"/status/200?wrong-key", true);
  ASSERT_TRUE(transport_.SetOption(request_, kOptionSecurityFlags, kSecurityFlagsIgnoreCertErrors));
  ASSERT_TRUE(transport_.SetPinnedPublicKey(request_, kOtherKeyPin));
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_WINHTTP_SECURE_FAILURE));
  EXPECT_FALSE(transport_.ReceiveResponse(request_));
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_TRUE(transport_.CloseHandle(request_));
  request_ = kNullHandle;
  // Windows aborts the request before it is written; Wine 8 writes it before it fails.
  if (!RunningUnderWine()) {
    const std::string served = HttpRequest(server_->HttpUrl("/__requests"), 0, "");
    EXPECT_EQ(served.find("wrong-key"), std::string::npos) << served;
  }
}

TEST_F(WinHttpTransportTest, HandlesAreRefusedOnceClosedAndTheNullHandleAlways) {
  EXPECT_FALSE(transport_.CloseHandle(kNullHandle));
  Open(server_->HttpPort(), u"/", false);
  EXPECT_TRUE(transport_.CloseHandle(request_));
  EXPECT_FALSE(transport_.SendRequest(request_, nullptr, 0, 0));
  EXPECT_FALSE(transport_.CloseHandle(request_));
  request_ = kNullHandle;
}

}  // namespace
}  // namespace quarvel
