// Public-key pinning of HttpRequest over the platform transport, against the loopback
// fixture's self-signed certificate.
#include <gtest/gtest.h>

#include "http/code_page.h"
#include "http/http_request.h"
#include "tests/fixtures/fixture_server_test.h"

namespace quarvel {
namespace {

// A well-formed pin that matches no key of the fixture.
constexpr char kOtherKeyPin[] = "sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE=";

class PinnedKeyTest : public testing::FixtureServerTest {
 protected:
  void SetUp() override {
    FixtureServerTest::SetUp();
    ASSERT_TRUE(server_->PublicKeyPin().starts_with("sha256//"));
  }

  static HttpRequestParams Pinned(const std::string& url, const std::string& pin) {
    HttpRequestParams params;
    params.url = url;
    params.timeoutSeconds = 10;
    params.pinnedPublicKey = pin;
    return params;
  }
};

TEST_F(PinnedKeyTest, ServerWithThePinnedKeyAnswersThoughItsCertificateIsSelfSigned) {
  for (const std::string& pin :
       {server_->PublicKeyPin(), std::string(kOtherKeyPin) + ";" + server_->PublicKeyPin()}) {
    auto params = Pinned(server_->HttpsUrl("/status/200"), pin);
    EXPECT_EQ(HttpRequest(params), "status 200 body") << pin;
    EXPECT_EQ(params.statusText, "200 OK") << pin;
  }
}

TEST_F(PinnedKeyTest, AnotherKeyFailsTheSendAndNothingIsHandedOut) {
  auto params = Pinned(server_->HttpsUrl("/status/200"), kOtherKeyPin);
  params.responseHeaders = "before";
  EXPECT_EQ(HttpRequest(params), "");
  EXPECT_EQ(params.statusText, Utf16ToAnsi(u"711 发送请求失败!"));
  EXPECT_EQ(params.responseHeaders, "before");
  EXPECT_TRUE(params.responseBody.empty());
}

TEST_F(PinnedKeyTest, PinOnAPlainHttpUrlIsRefusedRatherThanIgnored) {
  auto params = Pinned(server_->HttpUrl("/status/200"), server_->PublicKeyPin());
  EXPECT_EQ(HttpRequest(params), "");
  EXPECT_EQ(params.statusText, Utf16ToAnsi(u"忽略错误/证书错误  失败！"));
}

}  // namespace
}  // namespace quarvel
