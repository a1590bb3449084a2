// What the transport tests share: a fixture that opens session, connection and request on the
// loopback fixture server through the platform's transport, the points where the backends
// are allowed to differ, and the check of a table of URLs.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/code_page.h"
#include "http/default_transport.h"
#include "http/transport.h"
#include "tests/fixtures/fixture_server_test.h"

namespace quarvel {

// Where the backend under test may behave otherwise than the others. Each backend's test file
// defines TestedBackend().
struct BackendTraits {
  // Whether a body shorter than its Content-Length fails a read step rather than ending
  // quietly as if it were complete.
  bool shortBodyFails = true;
  // Whether QueryDataAvailable, and not only ReadData, may be the step that fails it.
  bool shortBodyMayFailWhileWaiting = false;
};
const BackendTraits& TestedBackend();

class TransportTest : public testing::FixtureServerTest {
 protected:
  void TearDown() override { Close(); }

  void Close() {
    transport_.CloseHandle(request_);
    transport_.CloseHandle(connection_);
    transport_.CloseHandle(session_);
    request_ = connection_ = session_ = kNullHandle;
  }

  // Opens session, connection and request for object on 127.0.0.1:port.
  void Open(int port, const std::u16string& object, bool secure, int timeoutMs = 5000,
            const char16_t* verb = u"GET") {
    session_ = transport_.Open(kAccessTypeNoProxy, nullptr);
    ASSERT_NE(session_, kNullHandle);
    ASSERT_TRUE(transport_.SetTimeouts(session_, timeoutMs, timeoutMs, timeoutMs, timeoutMs));
    connection_ = transport_.Connect(session_, u"127.0.0.1", std::uint16_t(port));
    ASSERT_NE(connection_, kNullHandle);
    request_ = transport_.OpenRequest(connection_, verb, object.c_str(), secure ? kFlagSecure : 0);
    ASSERT_NE(request_, kNullHandle);
  }

  Transport& transport_ = DefaultTransport();
  TransportHandle session_ = kNullHandle, connection_ = kNullHandle, request_ = kNullHandle;
};

struct CrackedUrl {
  std::u16string url;
  std::uint32_t scheme;
  std::u16string host;
  std::uint16_t port;
  std::u16string path, extra;
};

// Checks that transport cracks every URL of cracked into those parts and refuses every one
// of bad.
inline void ExpectCrackUrl(Transport& transport, const std::vector<CrackedUrl>& cracked,
                           const std::vector<std::u16string>& bad) {
  for (const auto& c : cracked) {
    SCOPED_TRACE(Utf16ToAnsi(c.url));
    UrlComponents parts;
    ASSERT_TRUE(transport.CrackUrl(c.url.c_str(), std::uint32_t(c.url.size()), 0, parts));
    EXPECT_EQ(parts.scheme, c.scheme);
    EXPECT_EQ(parts.hostName, c.host);
    EXPECT_EQ(parts.port, c.port);
    EXPECT_EQ(parts.urlPath, c.path);
    EXPECT_EQ(parts.extraInfo, c.extra);
  }
  for (const std::u16string& url : bad) {
    SCOPED_TRACE(Utf16ToAnsi(url));
    UrlComponents parts;
    EXPECT_FALSE(transport.CrackUrl(url.c_str(), std::uint32_t(url.size()), 0, parts));
  }
}

}  // namespace quarvel
