// Start-up against a dashboard that misbehaves: it dies in the middle of a reply, answers
// with 100 MB of garbage, or presents a key other than the pinned one. The views run
// against the loopback fixture server with canned dashboard replies.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/failure_text.h"
#include "app/port_list_view.h"
#include "app/query/console_window.h"
#include "app/server_info_view.h"
#include "app/startup.h"
#include "tests/fixtures/fixture_server.h"
#include "tests/fixtures/process_memory.h"

namespace quarvel {
namespace {

using testing::FixtureServer;

constexpr char kServerInfo[] =
    R"({"version":"0.31.2","bind_port":7000,"bind_udp_port":7001,"vhost_http_port":80,)"
    R"("vhost_https_port":443,"kcp_bind_port":7000,"subdomain_host":"frps.example.net"})";
constexpr char kProxies[] =
    R"({"proxies":[{"name":"ssh","conf":{"remote_port":10022}},)"
    R"({"name":"rdp","conf":{"remote_port":23389}},{"name":"web","conf":{"remote_port":15000}}]})";
const Text kPortLines = "10022\r\n23389\r\n15000\r\n";
constexpr int kFillerBytes = 100 * 1024 * 1024;

// A JSON string literal of text (ASCII only).
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A fixture server whose dashboard routes answer as routes (a JSON object of canned replies)
// says; the file lives as long as the server.
class Dashboard {
 public:
  explicit Dashboard(const std::string& routes)
      : file_(std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
              "/quarvel-routes-" + std::to_string(getpid()) + "-" + std::to_string(++count_)) {
    std::ofstream(file_) << routes;
    server_ = std::make_unique<FixtureServer>(std::vector<std::string>{"--routes", file_});
  }
  ~Dashboard() {
    server_.reset();
    std::remove(file_.c_str());
  }
  const FixtureServer& Server() const { return *server_; }
  DashboardProfile Profile() const {
    return DashboardProfile{"127.0.0.1", server_->HttpsPort(), "K7pQm2LxVt9sWc4=", ""};
  }

 private:
  static inline int count_ = 0;
  std::string file_;
  std::unique_ptr<FixtureServer> server_;
};

// The three routes; tcp is the raw JSON of the TCP route's reply.
std::string Routes(const std::string& tcp) {
  return std::string(R"({"/api/serverinfo": {"body": )") + Quoted(kServerInfo) +
         R"(}, "/api/proxy/tcp": )" + tcp + R"(, "/api/proxy/udp": {"body": )" + Quoted(kProxies) +
         "}}";
}

Text Heading(const char* protocol) {
  return protocol + Text("\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n");  // 在用端口
}

TEST(StartupFaultsTest, DashboardKilledInTheMiddleOfAReplyShowsTheFailure) {
  // Half the TCP reply goes out, then the server process exits with every connection.
  const std::string body = kProxies;
  const Dashboard dashboard(Routes("{\"body\": " + Quoted(body) + ", \"send_bytes\": " +
                                   std::to_string(body.size() / 2) + ", \"die\": true}"));
  ASSERT_TRUE(dashboard.Server().Running());
  ConsoleWindow window(nullptr);
  FetchServerInfo(window, dashboard.Profile());
  ASSERT_NE(window.ControlText(Control::Edit1), FailureText);
  FetchTcpPorts(window, dashboard.Profile());
  EXPECT_EQ(window.ControlText(Control::Edit1), FailureText);
  EXPECT_EQ(window.ControlText(Control::Edit2), "");
  // The dashboard is gone for the last fetch too.
  FetchUdpPorts(window, dashboard.Profile());
  EXPECT_EQ(window.ControlText(Control::Edit1), FailureText);
  EXPECT_EQ(window.ControlText(Control::Edit3), "");
}

TEST(StartupFaultsTest, HundredMegabytesOfGarbageShowTheFailureAndTheMemoryComesBack) {
  const Dashboard dashboard(Routes("{\"filler_bytes\": " + std::to_string(kFillerBytes) + "}"));
  ASSERT_TRUE(dashboard.Server().Running());
  {
    ConsoleWindow warmUp(nullptr);  // the libraries' one-time set-up is not the reply's
    FetchUdpPorts(warmUp, dashboard.Profile());
    ASSERT_EQ(warmUp.ControlText(Control::Edit3), Heading("UDP") + kPortLines);
  }
  const long before = testing::ResidentKiB();
  testing::ResetPeakResident();

  ConsoleWindow window(nullptr);
  OnMainWindowCreated(window, dashboard.Profile());
  EXPECT_EQ(window.ControlText(Control::Edit1), FailureText);
  EXPECT_EQ(window.ControlText(Control::Edit2), "");
  EXPECT_EQ(window.ControlText(Control::Edit3), Heading("UDP") + kPortLines);

  const long peak = testing::PeakResidentKiB();
  const long after = testing::ResidentKiB();
  std::printf("RSS before %ld KiB, peak %ld KiB, after %ld KiB\n", before, peak, after);
  RecordProperty("rss_before_kib", std::to_string(before));
  RecordProperty("rss_peak_kib", std::to_string(peak));
  RecordProperty("rss_after_kib", std::to_string(after));
  EXPECT_GT(peak - before, kFillerBytes / 1024) << "the reply was not read whole";
  if (!testing::kMemoryHeldBySanitizer) {
    EXPECT_LT(after - before, 16 * 1024) << "the reply's memory was not given back";
  }
}

TEST(StartupFaultsTest, PinnedProfileReadsOnlyFromTheDashboardWithThatKey) {
  const Dashboard dashboard(Routes("{\"body\": " + Quoted(kProxies) + "}"));
  ASSERT_TRUE(dashboard.Server().Running());
  struct Case {
    const char* name;
    std::string pin;
    bool filled;
  };
  for (const Case& c :
       {Case{"its own key", dashboard.Server().PublicKeyPin(), true},
        Case{"another key", "sha256//bD+ePFOCKXSHwsVZWeKqWo1/IcMF2gt0VSC2O80fmNE=", false}}) {
    SCOPED_TRACE(c.name);
    DashboardProfile profile = dashboard.Profile();
    profile.pinnedPublicKey = c.pin;
    ConsoleWindow window(nullptr);
    OnMainWindowCreated(window, profile);
    EXPECT_EQ(window.ControlText(Control::Edit1) == FailureText, !c.filled);
    EXPECT_EQ(window.ControlText(Control::Edit2), c.filled ? Heading("TCP") + kPortLines : "");
    EXPECT_EQ(window.ControlText(Control::Edit3), c.filled ? Heading("UDP") + kPortLines : "");
  }
}

}  // namespace
}  // namespace quarvel
