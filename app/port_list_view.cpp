#include "app/port_list_view.h"

#include <string>
#include <string_view>

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

void ShowPorts(MainWindow& window, const Text& body, const PortList& list) {
  JsonObject json;
  if (!json.Parse(body)) {
    window.SetControlText(Control::Edit1, Text(FailureText));
    return;
  }
  const int count = json.MemberCount("proxies");
  window.AppendControlText(list.box, Text(list.heading));
  for (int i = 0; i < count; ++i) {
    const Text port = RemotePortText(json, i);
    if (!port.empty()) window.AppendControlText(list.box, port + "\r\n");
  }
}

void FetchPorts(MainWindow& window, const DashboardProfile& profile, const PortList& list) {
  const Text body = HttpRequest(profile.Url(list.path), 0, profile.Headers());
  ShowPorts(window, body, list);
}

}  // namespace

void FetchTcpPorts(MainWindow& window, const DashboardProfile& profile) {
  FetchPorts(window, profile, kTcpList);
}

void FetchUdpPorts(MainWindow& window, const DashboardProfile& profile) {
  FetchPorts(window, profile, kUdpList);
}

void ShowTcpPorts(MainWindow& window, const Text& body) {
  ShowPorts(window, body, kTcpList);
}

void ShowUdpPorts(MainWindow& window, const Text& body) {
  ShowPorts(window, body, kUdpList);
}

}  // namespace quarvel
