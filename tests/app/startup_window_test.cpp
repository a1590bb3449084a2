// Start-up end to end: the real Qt window, filled by real HTTPS requests to the demo
// dashboard on loopback, then asked about ports through real button clicks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "app/failure_text.h"
#include "app/port_check.h"
#include "app/qt/qt_main_window.h"
#include "app/startup.h"
#include "http/pending_events.h"
#include "tests/app/demo_dashboard.h"

namespace quarvel {
namespace {

using testing::DemoDashboard;

const Text kClassicServerInfo =
    "        \xb7\xfe\xce\xf1\xc6\xf7\xd0\xc5\xcf\xa2 "  //         服务器信息
    "\r\n\r\n"
    "version : 0.31.2\r\n"
    "bind_port : 7000\r\n"
    "bind_udp_port : 7001\r\n"
    "vhost_http_port : 80\r\n"
    "vhost_https_port : 443\r\n"
    "kcp_bind_port : 7000\r\n"
    "subdomain_host : frps.example.net";
const Text kModernServerInfo =
    "        \xb7\xfe\xce\xf1\xc6\xf7\xd0\xc5\xcf\xa2 "  //         服务器信息
    "\r\n\r\n"
    "version : 0.58.1\r\n"
    "bind_port : 7000\r\n"
    "bind_udp_port : \r\n"
    "vhost_http_port : 80\r\n"
    "vhost_https_port : 443\r\n"
    "kcp_bind_port : 7000\r\n"
    "subdomain_host : frps.example.net";
// The demo's TCP proxies, the offline one (conf null) left out, and its UDP proxies.
const Text kTcpList =
    "TCP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n"  // TCP在用端口
    "27500\r\n23389\r\n15000\r\n10022\r\n";
const Text kUdpList =
    "UDP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n"  // UDP在用端口
    "10053\r\n27015\r\n51820\r\n";
const Text kTaken = " \xb6\xcb\xbf\xda\xd2\xd1\xd5\xbc\xd3\xc3";  //  端口已占用
const Text kFree = " \xb6\xcb\xbf\xda\xbf\xc9\xd3\xc3";           //  端口可用
const Text kInputError =
    "\xca\xe4\xc8\xeb\xd3\xd0\xce\xf3,"
    "\xc7\xeb\xd6\xd8\xd0\xc2\xca\xe4\xc8\xeb";  // 输入有误,请重新输入

// What the program does between creating the window and running its loop.
class StartupTest : public ::testing::Test {
 protected:
  StartupTest() {
    window.SetMessagePresenter([this](const Text& text) { messages.push_back(text); });
    SetPendingEventsHook([this] { window.ProcessPendingEvents(); });
  }
  ~StartupTest() override { SetPendingEventsHook(nullptr); }

  void StartUp(const DashboardProfile& profile) {
    OnMainWindowCreated(window, profile);
    EXPECT_FALSE(window.isVisible()) << "filled while hidden";
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  void StartUp(const DemoDashboard& dashboard) {
    ASSERT_NE(dashboard.Port(), 0) << "demo dashboard did not start";
    StartUp(dashboard.Profile());
  }
  Text Box(Control control) { return window.ControlText(control); }

  QtMainWindow window;
  std::vector<Text> messages;
};

TEST_F(StartupTest, GoodRepliesFillTheThreeBoxes) {
  DemoDashboard dashboard;
  StartUp(dashboard);
  EXPECT_EQ(Box(Control::Edit1), kClassicServerInfo);
  EXPECT_EQ(Box(Control::Edit2), kTcpList);
  EXPECT_EQ(Box(Control::Edit3), kUdpList);
}

TEST_F(StartupTest, ModernFrpsRepliesFillTheBoxesToo) {
  DemoDashboard dashboard({"--modern"});
  StartUp(dashboard);
  EXPECT_EQ(Box(Control::Edit1), kModernServerInfo);
  EXPECT_EQ(Box(Control::Edit2), kTcpList);
  EXPECT_EQ(Box(Control::Edit3), kUdpList);
}

TEST_F(StartupTest, FailingTcpReplyOverwritesServerInfoButUdpStillLists) {
  DemoDashboard dashboard({"--fail", "tcp"});
  StartUp(dashboard);
  EXPECT_EQ(Box(Control::Edit1), FailureText);
  EXPECT_EQ(Box(Control::Edit2), "");
  EXPECT_EQ(Box(Control::Edit3), kUdpList);
}

TEST_F(StartupTest, RepliesThatAreNotJsonShowTheFailure) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    Text token;
  };
  const Text goodToken = CompiledDashboardProfile().token;
  for (const Case& c : {Case{"wrong token: 401 Unauthorized", {}, "d3Jvbmc6dG9rZW4="},
                        Case{"gzip-compressed replies are not decoded", {"--gzip"}, goodToken}}) {
    SCOPED_TRACE(c.name);
    DemoDashboard dashboard(c.args);
    ASSERT_NE(dashboard.Port(), 0);
    QtMainWindow fresh;
    DashboardProfile profile = dashboard.Profile();
    profile.token = c.token;
    OnMainWindowCreated(fresh, profile);
    EXPECT_EQ(fresh.ControlText(Control::Edit1), FailureText);
    EXPECT_EQ(fresh.ControlText(Control::Edit2), "");
    EXPECT_EQ(fresh.ControlText(Control::Edit3), "");
  }
}

TEST_F(StartupTest, UnreachableDashboardStillOpensTheWindow) {
  StartUp(testing::UnreachableProfile());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Box(Control::Edit1), FailureText);
  EXPECT_EQ(Box(Control::Edit2), "");
  EXPECT_EQ(Box(Control::Edit3), "");
}

TEST_F(StartupTest, OfflineProxiesAndNullPortsAsTheServerSendsThem) {
  DemoDashboard dashboard(
      {}, {{"tcp", R"({"proxies":[{"name":"a","conf":{"remote_port":6000}},)"
                   R"({"name":"b","conf":null},{"name":"c","conf":{"remote_port":null}},)"
                   R"({"name":"d","conf":{"remote_port":6001}}]})"}});
  StartUp(dashboard);
  EXPECT_EQ(Box(Control::Edit1), kClassicServerInfo);
  EXPECT_EQ(Box(Control::Edit2),
            "TCP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n"  // TCP在用端口
            "6000\r\nnull\r\n6001\r\n");
}

TEST_F(StartupTest, PortCheckButtonsAnswerFromTheFilledLists) {
  DemoDashboard dashboard({"--modern"});
  StartUp(dashboard);
  auto* input = static_cast<QLineEdit*>(window.ControlWidget(Control::Edit4));
  auto* tcp = static_cast<QPushButton*>(window.ControlWidget(Control::ButtonTcp));
  auto* udp = static_cast<QPushButton*>(window.ControlWidget(Control::ButtonUdp));
  struct Ask {
    const char* typed;
    QPushButton* button;
    Text answer;
  };
  for (const Ask& ask :
       {Ask{"27500", tcp, Text("27500") + kTaken}, Ask{"27500", udp, Text("27500") + kFree},
        Ask{"51820", udp, Text("51820") + kTaken}, Ask{"51820", tcp, Text("51820") + kFree},
        Ask{"443", tcp, kInputError}}) {
    SCOPED_TRACE(ask.typed);
    input->clear();
    QTest::keyClicks(input, ask.typed);
    messages.clear();
    QTest::mouseClick(ask.button, Qt::LeftButton);
    EXPECT_EQ(messages, std::vector<Text>{ask.answer});
  }
}

}  // namespace
}  // namespace quarvel
