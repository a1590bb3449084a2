// The request settings the three start-up fetches send.
#include "app/dashboard_profile.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(DashboardProfileTest, HeaderBlockIsTheEightLinesWithoutATrailingLineEnd) {
  const DashboardProfile profile{"frps.example.net", 27500, "YWRtaW46c2VjcmV0", ""};
  EXPECT_EQ(profile.Headers(),
            "Accept: */*\r\n"
            "Accept-Encoding: gzip, deflate, br\r\n"
            "Accept-Language: zh-CN,zh;q=0.9\r\n"
            "Authorization: Basic YWRtaW46c2VjcmV0\r\n"
            "Connection: keep-alive\r\n"
            "Host: frps.example.net:27500\r\n"
            "Referer: https://frps.example.net:27500/static/\r\n"
            "User-Agent: Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like "
            "Gecko) Chrome/69.0.3497.100 Safari/537.36");
  EXPECT_EQ(profile.Url(kTcpProxiesPath), "https://frps.example.net:27500/api/proxy/tcp");
}

TEST(DashboardProfileTest, CompiledProfileUsesTheConfiguredDashboardOnPort27500) {
  const DashboardProfile& profile = CompiledDashboardProfile();
  EXPECT_EQ(profile.host, QUARVEL_EXPECTED_HOST);
  EXPECT_EQ(profile.token, QUARVEL_EXPECTED_TOKEN);
  EXPECT_EQ(profile.pinnedPublicKey, QUARVEL_EXPECTED_PIN);
  EXPECT_EQ(profile.Url(kServerInfoPath), "https://" + profile.host + ":27500/api/serverinfo");
  EXPECT_NE(profile.Headers().find("\r\nAuthorization: Basic " + profile.token + "\r\n"),
            Text::npos);
}

TEST(DashboardProfileTest, FetchRequestIsAGetWithTheHeaderBlockAndThePinAlone) {
  const DashboardProfile profile{"frps.example.net", 27500, "YWRtaW46c2VjcmV0",
                                 "sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE="};
  const HttpRequestParams request = profile.Request(kUdpProxiesPath);
  EXPECT_EQ(request.url, profile.Url(kUdpProxiesPath));
  EXPECT_EQ(request.method, 0);
  EXPECT_EQ(request.headers, profile.Headers());
  EXPECT_EQ(request.pinnedPublicKey, profile.pinnedPublicKey);
  // Everything else as an omitted parameter leaves it.
  HttpRequestParams omitted;
  omitted.url = request.url;
  omitted.headers = request.headers;
  omitted.pinnedPublicKey = request.pinnedPublicKey;
  EXPECT_EQ(request.timeoutSeconds, omitted.timeoutSeconds);
  EXPECT_EQ(request.overallTimeoutSeconds, omitted.overallTimeoutSeconds);
  EXPECT_EQ(request.noRedirect, omitted.noRedirect);
  EXPECT_EQ(request.requestCookies, omitted.requestCookies);
  EXPECT_EQ(request.proxy, omitted.proxy);
}

}  // namespace
}  // namespace quarvel
