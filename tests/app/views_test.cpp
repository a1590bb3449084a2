// The start-up views, given reply bodies directly: what each box holds afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/failure_text.h"
#include "app/port_list_view.h"
#include "app/query/console_window.h"
#include "app/server_info_view.h"

namespace quarvel {
namespace {

const Text kHeading =
    "        \xb7\xfe\xce\xf1\xc6\xf7\xd0\xc5\xcf\xa2 "  //         服务器信息
    "\r\n\r\n";
const Text kTcpHeading = "TCP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n";  // TCP在用端口
const Text kUdpHeading = "UDP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n";  // UDP在用端口

Text ServerInfoLines(const std::vector<std::string>& values) {
  static const char* const kLabels[] = {
      "version : ",          "bind_port : ",     "bind_udp_port : ", "vhost_http_port : ",
      "vhost_https_port : ", "kcp_bind_port : ", "subdomain_host : "};
  Text text = kHeading;
  for (size_t i = 0; i < 7; ++i) {
    text += kLabels[i] + values[i] + (i < 6 ? "\r\n" : "");
  }
  return text;
}

struct ServerInfoCase {
  const char* name;
  Text body;
  Text edit1;
};

class ServerInfoViewTest : public ::testing::TestWithParam<ServerInfoCase> {};

TEST_P(ServerInfoViewTest, FillsTheServerInformationBox) {
  ConsoleWindow window(nullptr);
  ShowServerInfo(window, GetParam().body);
  EXPECT_EQ(window.ControlText(Control::Edit1), GetParam().edit1);
  EXPECT_EQ(window.ControlText(Control::Edit2), "");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ServerInfoViewTest,
    ::testing::Values(
        ServerInfoCase{"Classic",
                       R"({"version":"0.29.0","bind_port":7000,"bind_udp_port":7001,)"
                       R"("vhost_http_port":80,"vhost_https_port":443,"kcp_bind_port":7000,)"
                       R"("subdomain_host":"abc","max_pool_count":5})",
                       ServerInfoLines({"0.29.0", "7000", "7001", "80", "443", "7000", "abc"})},
        ServerInfoCase{"OnlyVersion", R"({"version":"0.29.0"})",
                       ServerInfoLines({"0.29.0", "", "", "", "", "", ""})},
        ServerInfoCase{"EmptyObject", "{}", ServerInfoLines({"", "", "", "", "", "", ""})},
        ServerInfoCase{"NumbersAsPrintfG", R"({"bind_port":0.5,"kcp_bind_port":1234567.25})",
                       ServerInfoLines({"", "0.5", "", "", "", "1234567.25", ""})},
        // frps 0.52.1 and later: camelCase names, and no UDP bind port since 0.49.
        ServerInfoCase{"Modern",
                       R"({"version":"0.58.1","bindPort":7000,"vhostHTTPPort":80,)"
                       R"("vhostHTTPSPort":443,"tcpmuxHTTPConnectPort":0,"kcpBindPort":7000,)"
                       R"("quicBindPort":0,"subdomainHost":"abc","maxPoolCount":5})",
                       ServerInfoLines({"0.58.1", "7000", "", "80", "443", "7000", "abc"})},
        // A present null is the server's answer: the camelCase member does not replace it.
        ServerInfoCase{"SnakeCaseNullWins", R"({"bind_port":null,"bindPort":7000})",
                       ServerInfoLines({"", "", "", "", "", "", ""})},
        ServerInfoCase{"SnakeCaseWinsOverCamelCase", R"({"bind_port":7000,"bindPort":1})",
                       ServerInfoLines({"", "7000", "", "", "", "", ""})},
        ServerInfoCase{"EmptyBody", "", Text(FailureText)},
        ServerInfoCase{"Null", "null", Text(FailureText)},
        ServerInfoCase{"HtmlErrorPage", "<html><body>502 Bad Gateway</body></html>",
                       Text(FailureText)},
        ServerInfoCase{"Unauthorized", "Unauthorized\n", Text(FailureText)}),
    [](const auto& info) { return std::string(info.param.name); });

struct PortListCase {
  const char* name;
  Text body;
  Text ports;  // the list box after the heading; "-" for a failed parse
};

class PortListViewTest : public ::testing::TestWithParam<PortListCase> {};

TEST_P(PortListViewTest, ListsTheRemotePortsOfTcpAndUdpAlike) {
  struct Family {
    void (*show)(MainWindow&, const Text&);
    Control box;
    Control other;
    const Text& heading;
  };
  for (const Family& family : {Family{ShowTcpPorts, Control::Edit2, Control::Edit3, kTcpHeading},
                               Family{ShowUdpPorts, Control::Edit3, Control::Edit2, kUdpHeading}}) {
    ConsoleWindow window(nullptr);
    window.SetControlText(Control::Edit1, "server info");
    family.show(window, GetParam().body);
    if (GetParam().ports == "-") {
      EXPECT_EQ(window.ControlText(Control::Edit1), FailureText);
      EXPECT_EQ(window.ControlText(family.box), "");
    } else {
      EXPECT_EQ(window.ControlText(Control::Edit1), "server info");
      EXPECT_EQ(window.ControlText(family.box), family.heading + GetParam().ports);
    }
    EXPECT_EQ(window.ControlText(family.other), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PortListViewTest,
    ::testing::Values(
        PortListCase{"NoProxies", R"({"proxies":[]})", ""},
        PortListCase{"NoProxiesMember", R"({"code":0,"msg":""})", ""},
        PortListCase{"OfflineProxyHasNullConf",
                     R"({"proxies":[{"conf":{"remote_port":6000}},{"conf":null},)"
                     R"({"conf":{"remote_port":6001}}]})",
                     "6000\r\n6001\r\n"},
        PortListCase{"NullPortIsListed",
                     R"({"proxies":[{"conf":{"remote_port":null}},{"conf":{}},{}]})", "null\r\n"},
        PortListCase{"DuplicatesKeptInOrder",
                     R"({"proxies":[{"conf":{"remote_port":7001}},{"conf":{"remote_port":6000}},)"
                     R"({"conf":{"remote_port":7001}}]})",
                     "7001\r\n6000\r\n7001\r\n"},
        PortListCase{"Modern",
                     R"({"proxies":[{"name":"ssh","conf":{"name":"ssh","type":"tcp",)"
                     R"("localPort":22,"remotePort":27500}},{"name":"x","conf":null},)"
                     R"({"conf":{"remotePort":10022}}]})",
                     "27500\r\n10022\r\n"},
        PortListCase{"SnakeCaseNullWins",
                     R"({"proxies":[{"conf":{"remote_port":null,"remotePort":6000}}]})",
                     "null\r\n"},
        PortListCase{"EmptyBody", "", "-"}, PortListCase{"NotJson", "404 page not found\n", "-"},
        PortListCase{"Null", "null", "-"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quarvel
