#include "app/port_list_view.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/failure_text.h"
#include "http/http_request.h"
#include "script/json_object.h"

namespace quarvel {

namespace {

struct PortList {
  std::string_view path;
  std::string_view heading;
  Control box;
};

constexpr PortList kTcpList{kTcpProxiesPath,
                            "TCP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda"  // TCP在用端口
                            "\r\n",
                            Control::Edit2};
constexpr PortList kUdpList{kUdpProxiesPath,
                            "UDP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda"  // UDP在用端口
                            "\r\n",
                            Control::Edit3};

// The JSON text of the value at path: empty when there is none, "null" for a null.
Text JsonTextAt(const JsonObject& json, const Text& path) {
  const JsonObject value = json.ValueObject(path);
  return value.ToJsonText();
}

// The remote port of one proxy as JSON text. frps 0.52.1 and later call it remotePort;
// that name is read only when the element has no remote_port at all.
Text RemotePortText(const JsonObject& json, int index) {
  const Text element = "proxies[" + std::to_string(index) + "].conf";
  Text port = JsonTextAt(json, element + "['remote_port']");
  if (port.empty()) port = JsonTextAt(json, element + "['remotePort']");
  return port;
}

// The lines a reply puts under the heading, or nullopt when it is not JSON. The parsed
// reply is gone when this returns.
std::optional<std::vector<Text>> PortLines(const Text& body) {
  JsonObject json;
  if (!json.Parse(body)) return std::nullopt;
  const int count = json.MemberCount("proxies");
  std::vector<Text> lines;
  lines.reserve(std::max(count, 0));
  for (int i = 0; i < count; ++i) {
    Text port = RemotePortText(json, i);
    if (!port.empty()) lines.push_back(std::move(port) + "\r\n");
  }
  return lines;
}

void WritePortLines(MainWindow& window, const std::optional<std::vector<Text>>& lines,
                    const PortList& list) {
  if (!lines) {
    window.SetControlText(Control::Edit1, Text(FailureText));
    return;
  }
  window.AppendControlText(list.box, Text(list.heading));
  for (const Text& line : *lines) window.AppendControlText(list.box, line);
}

void FetchPorts(MainWindow& window, const DashboardProfile& profile, const PortList& list) {
  std::optional<std::vector<Text>> lines;
  {
    const Text body = FetchFromDashboard(profile, list.path);
    lines = PortLines(body);
  }
  // The reply and its parsed form are freed before the box grows: with a long list they
  // would otherwise all be held at once.
  WritePortLines(window, lines, list);
}

}  // namespace

void FetchTcpPorts(MainWindow& window, const DashboardProfile& profile) {
  FetchPorts(window, profile, kTcpList);
}

void FetchUdpPorts(MainWindow& window, const DashboardProfile& profile) {
  FetchPorts(window, profile, kUdpList);
}

void ShowTcpPorts(MainWindow& window, const Text& body) {
  WritePortLines(window, PortLines(body), kTcpList);
}

void ShowUdpPorts(MainWindow& window, const Text& body) {
  WritePortLines(window, PortLines(body), kUdpList);
}

}  // namespace quarvel
