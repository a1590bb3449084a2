// The request settings the three start-up fetches send.
#include "app/dashboard_profile.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(DashboardProfileTest, HeaderBlockIsTheEightLinesWithoutATrailingLineEnd) {
  const DashboardProfile profile{"frps.example.net", 27500, "YWRtaW46c2VjcmV0"};
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
  EXPECT_EQ(profile.Url(kServerInfoPath), "https://" + profile.host + ":27500/api/serverinfo");
  EXPECT_NE(profile.Headers().find("\r\nAuthorization: Basic " + profile.token + "\r\n"),
            Text::npos);
}

}  // namespace
}  // namespace quarvel
