// The libcurl transport's own checks, besides those every transport is held to
// (transport_conformance_test.cpp): the URLs only it is asked to crack, and the body length
// it declares.
#include "http/transport_curl.h"

#include <gtest/gtest.h>

#include "tests/http/transport_test_fixture.h"

namespace quarvel {

const BackendTraits& TestedBackend() {
  static const BackendTraits traits;
  return traits;
}

namespace {

TEST(CurlTransportCrackUrl, ReportsSchemeHostPortPathAndExtra) {
  CurlTransport transport;
  ExpectCrackUrl(transport,
                 {
                     {u"http://h?b=1", kSchemeHttp, u"h", 80, u"", u"?b=1"},
                     {u"http://[::1]:8080/", kSchemeHttp, u"[::1]", 8080, u"/", u""},
                 },
                 {u"http://", u"http://h:99999/", u"http://h:x/", u"http://h:/"});
}

using CurlTransportTest = TransportTest;

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
    Close();
    Open(server_->HttpPort(), c.object, false, 5000, c.verb);
    EXPECT_EQ(transport_.DeclaredBodyLength(request_), 0u);  // nothing received yet
    ASSERT_TRUE(transport_.SendRequest(request_, nullptr, 0, 0));
    ASSERT_TRUE(transport_.ReceiveResponse(request_));
    EXPECT_EQ(transport_.DeclaredBodyLength(request_), c.declared);
  }
}

}  // namespace
}  // namespace quarvel
