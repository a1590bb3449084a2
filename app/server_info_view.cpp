#include "app/server_info_view.h"

#include <array>
#include <string_view>

#include "app/failure_text.h"
#include "http/http_request.h"
#include "script/json_object.h"

namespace quarvel {

namespace {

constexpr std::string_view kHeading =
    "        \xb7\xfe\xce\xf1\xc6\xf7\xd0\xc5\xcf\xa2 "  //         服务器信息
    "\r\n\r\n";

// A setting as frps up to 0.52.0 names it, and as later versions name it (camelCase).
// bind_udp_port has no later name: frps 0.49 dropped it.
struct Setting {
  std::string_view name;
  std::string_view modernName;
};

constexpr std::array<Setting, 7> kSettings{{
    {"version", ""},
    {"bind_port", "bindPort"},
    {"bind_udp_port", ""},
    {"vhost_http_port", "vhostHTTPPort"},
    {"vhost_https_port", "vhostHTTPSPort"},
    {"kcp_bind_port", "kcpBindPort"},
    {"subdomain_host", "subdomainHost"},
}};

// True when the reply has the member at all, null included.
bool HasValue(const JsonObject& json, const Text& name) {
  return json.HasMember(name) || !json.ValueText(name, true).empty();
}

Text SettingText(const JsonObject& json, const Setting& setting) {
  const Text name(setting.name);
  if (setting.modernName.empty() || HasValue(json, name)) return json.ValueText(name);
  return json.ValueText(Text(setting.modernName));
}

}  // namespace

void FetchServerInfo(MainWindow& window, const DashboardProfile& profile) {
  const Text body = FetchFromDashboard(profile, kServerInfoPath);
  ShowServerInfo(window, body);
}

void ShowServerInfo(MainWindow& window, const Text& body) {
  JsonObject json;
  if (!json.Parse(body)) {
    window.SetControlText(Control::Edit1, Text(FailureText));
    return;
  }
  window.AppendControlText(Control::Edit1, Text(kHeading));
  for (size_t i = 0; i < kSettings.size(); ++i) {
    Text line = Text(kSettings[i].name) + " : " + SettingText(json, kSettings[i]);
    if (i + 1 < kSettings.size()) line += "\r\n";
    window.AppendControlText(Control::Edit1, line);
  }
}

}  // namespace quarvel
